// veridon-defs: builds, lists, extracts and verifies definition archives.
#include "cli/defs/HashOrder.h"
#include "store/DefinitionArchive.h"
#include "store/EZLBArchive.h"
#include "store/TextCodec.h"
#include "store/TZLBArc2.h"
#include "store/ZLBCipher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <stdexcept>

using namespace veridon;
using namespace veridon::cli;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitError = 2;

// A usage or input problem of the tool itself (not of an archive).
struct UsageError : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

struct Arguments
{
    QStringList words;

    std::optional<QString> takeValue(const QStringList& names)
    {
        for (qsizetype i = 0; i < words.size(); ++i) {
            for (const QString& name : names) {
                if (words[i] == name) {
                    if (i + 1 >= words.size())
                        throw UsageError(name.toStdString() + " needs a value");
                    const QString value = words[i + 1];
                    words.remove(i, 2);
                    return value;
                }
                if (words[i].startsWith(name + u'=')) {
                    const QString value = words[i].mid(name.size() + 1);
                    words.remove(i);
                    return value;
                }
            }
        }
        return std::nullopt;
    }
    bool takeFlag(const QString& name) { return words.removeAll(name) > 0; }
    void expectNoOptions() const
    {
        for (const QString& w : words)
            if (w.startsWith(u"--") || (w.startsWith(u'-') && w.size() > 1))
                throw UsageError("unknown option " + w.toStdString());
    }
};

void printLine(FILE* to, const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), to);
    std::fputc('\n', to);
}

const char* methodName(int method)
{
    switch (method) {
    case ArchiveEntry::Compressed: return "deflated";
    case ArchiveEntry::Stored: return "stored";
    case ArchiveEntry::CompressedEncrypted: return "deflated+encrypted";
    case ArchiveEntry::StoredEncrypted: return "stored+encrypted";
    }
    return "unknown";
}

int pack(Arguments& args)
{
    const QString password = args.takeValue({"--password"}).value_or(kDefinitionPassword);
    const bool plain = args.takeFlag("--plain");
    const bool force = args.takeFlag("--force");
    args.expectNoOptions();
    if (args.words.size() != 2)
        throw UsageError("usage: veridon-defs pack DIR ARCHIVE [--password P] [--plain] [--force]");
    const QString dir = args.words[0];
    const QString target = QFileInfo(args.words[1]).absoluteFilePath();
    if (!QFileInfo(dir).isDir())
        throw UsageError(dir.toStdString() + " is not a folder");
    if (QFileInfo::exists(target) && !force) {
        TZLBArc2 probe;
        probe.CreateArchive(target); // fails with the component's own message
    }

    // Built beside the target and renamed over it at the end, so an existing
    // archive stays whole until the new one is complete.
    const QString building = target + QStringLiteral(".building");
    QFile::remove(building);
    try {
        TZLBArc2 archive;
        ZLBCipher::attachTo(archive);
        archive.Password = password;
        archive.CreateArchive(building);
        const QFileInfoList files =
            QDir(dir).entryInfoList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
        if (files.isEmpty())
            throw UsageError(dir.toStdString() + " holds no files");
        for (const QFileInfo& file : files) {
            QFile source(file.absoluteFilePath());
            if (!source.open(QIODevice::ReadOnly))
                throw UsageError("cannot read " + file.absoluteFilePath().toStdString());
            archive.AddFromStream(file.fileName(), source, !plain);
        }
    } catch (...) {
        QFile::remove(building);
        throw;
    }
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(building).toStdString(),
                            QFile::encodeName(target).toStdString(), error);
    if (error) {
        QFile::remove(building);
        throw UsageError("cannot replace " + target.toStdString() + ": " + error.message());
    }
    return kExitOk;
}

int list(Arguments& args)
{
    args.expectNoOptions();
    if (args.words.size() != 1)
        throw UsageError("usage: veridon-defs list ARCHIVE");
    TZLBArc2 archive;
    archive.OpenArchive(args.words[0]);
    for (const ArchiveEntry& e : archive.entryList())
        std::printf("%-32s %12lld  %-18s  %08X\n", e.fullName().toLocal8Bit().constData(),
                    static_cast<long long>(e.ContentSize), methodName(e.StorageMethod),
                    unsigned(e.MemberCRC));
    return kExitOk;
}

int extract(Arguments& args)
{
    const QString password = args.takeValue({"--password"}).value_or(kDefinitionPassword);
    const std::optional<QString> output = args.takeValue({"-o", "--output"});
    args.expectNoOptions();
    if (args.words.size() != 2)
        throw UsageError("usage: veridon-defs extract ARCHIVE MEMBER [--password P] [-o FILE]");
    TZLBArc2 archive;
    openDefinitionArchive(archive, args.words[0], password);
    const QByteArray content = archive.ExtractToMemory(args.words[1]);
    if (output) {
        QFile out(*output);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            out.write(content) != content.size() || !out.flush())
            throw UsageError("cannot write " + output->toStdString());
    } else if (std::fwrite(content.constData(), 1, std::size_t(content.size()), stdout) !=
               std::size_t(content.size())) {
        throw UsageError("cannot write to standard output");
    }
    return kExitOk;
}

// Checks one archive; prints what is wrong and returns whether all is well.
bool verifyOne(const QString& path, const QString& password)
{
    if (!QFileInfo(path).isFile())
        throw EZLBArchive(QStringLiteral("Archive file not found"));
    TZLBArc2 archive;
    archive.VerifyArchiveCRC = true;
    try {
        openDefinitionArchive(archive, path, password);
    } catch (const EZLBArchive& e) {
        printLine(stdout, path + QStringLiteral(": ") + e.message());
        return false;
    }
    archive.VerifyFileCRC = true;
    bool ok = true;
    for (const ArchiveEntry& entry : std::vector<ArchiveEntry>(archive.entryList())) {
        const QString name = entry.fullName();
        try {
            const QByteArray content = archive.ExtractToMemory(name);
            if (entry.MemberName.startsWith(QStringLiteral("Hash"), Qt::CaseInsensitive) &&
                entry.MemberName.endsWith(QStringLiteral(".db"), Qt::CaseInsensitive)) {
                const QStringList lines = splitLines(decodeText(content));
                if (const auto bad = firstLineOutOfOrder(lines)) {
                    printLine(stdout, QStringLiteral("%1: %2: line %3 is out of MD5 order: %4")
                                          .arg(path, name)
                                          .arg(*bad)
                                          .arg(lines[*bad - 1]));
                    ok = false;
                }
            }
        } catch (const EZLBArchive& e) {
            printLine(stdout, path + QStringLiteral(": ") + name + QStringLiteral(": ") + e.message());
            ok = false;
        }
    }
    if (ok)
        printLine(stdout, QStringLiteral("%1: OK (%2 members)").arg(path).arg(archive.Count()));
    return ok;
}

int verify(Arguments& args)
{
    const QString password = args.takeValue({"--password"}).value_or(kDefinitionPassword);
    args.expectNoOptions();
    if (args.words.isEmpty())
        throw UsageError("usage: veridon-defs verify ARCHIVE... [--password P]");
    bool ok = true;
    for (const QString& path : args.words)
        ok = verifyOne(path, password) && ok;
    return ok ? kExitOk : kExitFailed;
}

void printHelp()
{
    std::fputs(
        "Usage:\n"
        "  veridon-defs pack DIR ARCHIVE [--password P] [--plain] [--force]\n"
        "      every file of DIR becomes a member of that name, encrypted with P\n"
        "      (default: the definitions password) unless --plain\n"
        "  veridon-defs list ARCHIVE\n"
        "      one line per member: name, size, storage method, CRC\n"
        "  veridon-defs extract ARCHIVE MEMBER [--password P] [-o FILE]\n"
        "      the member's content to standard output or FILE\n"
        "  veridon-defs verify ARCHIVE... [--password P]\n"
        "      checks the archive and member CRCs and the MD5 order of Hash*.db members;\n"
        "      exit status 0 when all is well, 1 otherwise\n"
        "Errors are reported on standard error with exit status 2.\n",
        stdout);
}

} // namespace

int main(int argc, char** argv)
{
    Arguments args;
    for (int i = 1; i < argc; ++i)
        args.words << QString::fromLocal8Bit(argv[i]);
    try {
        if (args.words.isEmpty() || args.words.first() == u"help" || args.words.first() == u"--help" ||
            args.words.first() == u"-h") {
            printHelp();
            return args.words.isEmpty() ? kExitError : kExitOk;
        }
        const QString command = args.words.takeFirst();
        if (command == u"pack")
            return pack(args);
        if (command == u"list")
            return list(args);
        if (command == u"extract")
            return extract(args);
        if (command == u"verify")
            return verify(args);
        throw UsageError("unknown command " + command.toStdString() + "; see --help");
    } catch (const EZLBArchive& e) {
        std::fflush(stdout);
        printLine(stderr, QStringLiteral("veridon-defs: ") + QString(e.message()).replace(QStringLiteral("\r\n"), QStringLiteral(" ")));
        return kExitError;
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "veridon-defs: %s\n", e.what());
        return kExitError;
    }
}
