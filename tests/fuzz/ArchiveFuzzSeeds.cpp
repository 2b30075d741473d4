// Writes a seed corpus for the archive fuzzer: one archive per storage method,
// a prefixed one, a format-1 one and one with a raw registry.
#include "support/ArchiveFixture.h"

#include <QDir>
#include <QFile>

#include <cstdio>

using namespace veridon::test;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: archive_fuzz_seeds DIR\n");
        return 2;
    }
    QDir().mkpath(QString::fromLocal8Bit(argv[1]));
    const QByteArray text = "Trojan.A,0123456789abcdef0123456789abcdef\r\nTrojan.B,ff\r\n";
    std::vector<FixtureArchive> seeds;
    for (int method = 0; method < 4; ++method) {
        FixtureArchive a;
        a.members = {{.name = "Hash.db", .content = text, .method = method},
                     {.name = "x", .content = "y", .method = method}};
        seeds.push_back(a);
    }
    FixtureArchive prefixed;
    prefixed.prefix = "MZ\x90";
    prefixed.members = {{.name = "a", .content = text, .method = 0}};
    seeds.push_back(prefixed);
    FixtureArchive old = prefixed;
    old.formatVersion = 1;
    seeds.push_back(old);
    FixtureArchive raw = prefixed;
    raw.compressRegistry = false;
    seeds.push_back(raw);
    int n = 0;
    for (const FixtureArchive& a : seeds) {
        QFile out(QDir(QString::fromLocal8Bit(argv[1])).filePath(QString("seed%1.arc").arg(n++)));
        if (!out.open(QIODevice::WriteOnly) || out.write(buildArchive(a)) < 0)
            return 1;
    }
    return 0;
}
