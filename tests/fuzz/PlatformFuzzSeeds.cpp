// platform_fuzz_seeds DIR: writes starting inputs for the fuzz targets into DIR/pe,
// DIR/urlcache and DIR/registry.
#include "support/PeWriter.h"
#include "support/TestSigner.h"
#include "support/UrlCacheWriter.h"

#include <QDir>
#include <QFile>
#include <cstdio>

using namespace veridon::test;

namespace {

void save(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: platform_fuzz_seeds DIR\n", stderr);
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(root + "/pe");
    QDir().mkpath(root + "/urlcache");
    for (bool wide : {false, true}) {
        PeDescription description;
        description.is64 = wide;
        description.version = versionWith({{"CompanyName", "Contoso"}, {"WOW Version", "5"}});
        const QByteArray image = writePe(description).bytes;
        save(root + QString("/pe/version%1.exe").arg(wide ? 64 : 32), image);
        try {
            save(root + QString("/pe/signed%1.exe").arg(wide ? 64 : 32),
                 TestSigner("/CN=Fuzz Seed").sign(image));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "no signed seed: %s\n", e.what());
        }
    }
    CacheIndexPlan plan;
    plan.subfolders = {"AB12CD34"};
    plan.records = {{"Cookie:ann@ads.example.com/", "AAAA1111.txt", 0x00100000, 75},
                    {"http://example.org/a.png", "a[1].png", 1, 4096, 0}};
    save(root + "/urlcache/index.dat", writeCacheIndex(plan).bytes);
    QDir().mkpath(root + "/registry");
    save(root + "/registry/user.reg",
         "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
         "#arch=win64\n\n[Software\\\\A\\\\Sub\\[1\\]] 1700000000\n#time=1da1234567890ab\n"
         "@=\"default\"\n\"Expand\"=str(2):\"%SystemRoot%\\\\x\\t\\x00e9\\0\"\n"
         "\"Number\"=dword:0000002a\n\"Link\"=hex(6):5c,00,52,00,65,00,67,00,69,00,73,00,74,00,\\\n"
         "  72,00,79,00\n#class=\"c\"\n#link\n");
    return 0;
}
