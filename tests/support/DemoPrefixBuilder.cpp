#include "support/DemoPrefixBuilder.h"

#include "support/PeWriter.h"
#include "support/RegistryKeyText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <stdexcept>

#include <unistd.h>

namespace veridon::test {
namespace {

QByteArray preamble(const char* relativeTo)
{
    return QByteArray("WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\") +
           relativeTo + "\n\n#arch=win64\n";
}

[[noreturn]] void fail(const QString& what)
{
    throw std::runtime_error(what.toStdString());
}

} // namespace

DemoPrefixBuilder::DemoPrefixBuilder(QString prefixDir) : m_dir(std::move(prefixDir)) {}

QString DemoPrefixBuilder::hostPath(const QString& windowsPath) const
{
    QString relative = windowsPath;
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!relative.startsWith(QLatin1String("C:"), Qt::CaseInsensitive))
        fail(QStringLiteral("only C: paths can be planted: ") + windowsPath);
    return m_dir + QStringLiteral("/drive_c") + relative.mid(2);
}

void DemoPrefixBuilder::write(const QString& windowsPath, const QByteArray& bytes, bool executable)
{
    const QString host = hostPath(windowsPath);
    QDir().mkpath(QFileInfo(host).absolutePath());
    QFile out(host);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size())
        fail(QStringLiteral("cannot write ") + host);
    out.close();
    if (executable)
        out.setPermissions(out.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeGroup |
                           QFileDevice::ExeOther);
}

void DemoPrefixBuilder::append(const QString& regFile, const QByteArray& bytes)
{
    QFile out(m_dir + QLatin1Char('/') + regFile);
    if (!out.open(QIODevice::Append) || out.write(bytes) != bytes.size())
        fail(QStringLiteral("cannot write ") + out.fileName());
}

QByteArray DemoPrefixBuilder::waitingElf()
{
    // x86-64: pause(); jmp back. It waits until a signal ends it.
    const QByteArray code = QByteArray::fromHex("b8220000000f05ebf7");
    constexpr quint64 kBase = 0x400000;
    constexpr int kHeaders = 64 + 56;
    QByteArray elf(kHeaders, '\0');
    auto put16 = [&elf](int at, quint16 v) { qToLittleEndian(v, elf.data() + at); };
    auto put32 = [&elf](int at, quint32 v) { qToLittleEndian(v, elf.data() + at); };
    auto put64 = [&elf](int at, quint64 v) { qToLittleEndian(v, elf.data() + at); };
    elf.replace(0, 8, QByteArray::fromHex("7f454c4602010100"));
    put16(16, 2);    // executable
    put16(18, 0x3e); // x86-64
    put32(20, 1);
    put64(24, kBase + kHeaders); // entry
    put64(32, 64);               // program headers
    put16(52, 64);
    put16(54, 56);
    put16(56, 1);
    put16(58, 64);
    // One loadable segment: the whole file, readable and executable.
    put32(64, 1);
    put32(68, 5);
    put64(72, 0);
    put64(80, kBase);
    put64(88, kBase);
    put64(96, kHeaders + quint64(code.size()));
    put64(104, kHeaders + quint64(code.size()));
    put64(112, 0x1000);
    return elf + code;
}

QByteArray DemoPrefixBuilder::peImage(const QString& plan)
{
    std::vector<std::pair<QString, QString>> values;
    std::vector<std::pair<int, QByteArray>> patches;
    for (const QString& rawItem : plan.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString item = rawItem.trimmed();
        const qsizetype eq = item.indexOf(QLatin1Char('='));
        if (eq <= 0)
            fail(QStringLiteral("a PE item needs Name=Value: ") + item);
        const QString name = item.left(eq).trimmed();
        const QString value = item.mid(eq + 1).trimmed();
        if (name.startsWith(QLatin1Char('@'))) {
            bool ok = false;
            const int offset = name.mid(1).toInt(&ok);
            if (!ok || offset < 64 || offset >= 128 || value.size() % 2)
                fail(QStringLiteral("a PE patch needs @64..@127=HEX: ") + item);
            patches.emplace_back(offset, QByteArray::fromHex(value.toLatin1()));
        } else {
            values.emplace_back(name, value);
        }
    }
    PeDescription description;
    if (!values.empty())
        description.version = versionWith(values);
    QByteArray bytes = writePe(description).bytes;
    for (const auto& [offset, patch] : patches) {
        if (offset + patch.size() > 128)
            fail(QStringLiteral("a PE patch must end inside the DOS stub"));
        bytes.replace(offset, patch.size(), patch);
    }
    return bytes;
}

void DemoPrefixBuilder::addFileLine(const QString& line)
{
    const qsizetype space = line.indexOf(QLatin1Char(' '));
    const QString kind = line.left(space);
    const QString rest = space < 0 ? QString() : line.mid(space + 1);
    const qsizetype bar = rest.indexOf(QStringLiteral(" | "));
    const QString path = (bar < 0 ? rest : rest.left(bar)).trimmed();
    const QString argument = bar < 0 ? QString() : rest.mid(bar + 3).trimmed();
    if (path.isEmpty())
        fail(QStringLiteral("no path"));
    if (kind == QLatin1String("folder")) {
        QDir().mkpath(hostPath(path));
    } else if (kind == QLatin1String("text")) {
        write(path, argument.toUtf8() + "\r\n");
    } else if (kind == QLatin1String("pe")) {
        write(path, peImage(argument));
    } else if (kind == QLatin1String("elf")) {
        write(path, waitingElf(), true);
    } else if (kind == QLatin1String("cookie")) {
        // Internet Explorer's record: name, value, host/path, flags, expiry and
        // creation times (low and high words), "*".
        const qsizetype cut = argument.indexOf(QStringLiteral(" | "));
        const QString hostPath = (cut < 0 ? argument : argument.left(cut)).trimmed();
        const QString pair = cut < 0 ? QStringLiteral("id=1") : argument.mid(cut + 3).trimmed();
        const QString name = pair.section(QLatin1Char('='), 0, 0);
        const QString value = pair.section(QLatin1Char('='), 1);
        write(path, QStringLiteral("%1\n%2\n%3\n1024\n2916341248\n31202710\n1519785472\n"
                                   "30958474\n*\n")
                        .arg(name, value, hostPath)
                        .toUtf8());
    } else if (kind == QLatin1String("link")) {
        const QString host = hostPath(path);
        QDir().mkpath(QFileInfo(host).absolutePath());
        QFile::remove(host);
        if (::symlink(QFile::encodeName(argument).constData(), QFile::encodeName(host).constData()))
            fail(QStringLiteral("cannot link ") + host);
    } else {
        fail(QStringLiteral("unknown kind ") + kind);
    }
}

void DemoPrefixBuilder::addRegistryText(const QStringList& lines, int firstLine)
{
    QString file;
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (!line.startsWith(QLatin1Char('['))) {
            if (file.isEmpty())
                fail(QStringLiteral("line %1: value before any key").arg(firstLine + i));
            append(file, line.toUtf8() + '\n');
            continue;
        }
        const std::optional<WineRegistryKey> key = wineRegistryKey(line.mid(1, line.size() - 2));
        if (!key)
            fail(QStringLiteral("line %1: unknown root in %2").arg(firstLine + i).arg(line));
        file = key->file;
        append(file, key->header);
    }
}

void DemoPrefixBuilder::build(const QString& description)
{
    QDir().mkpath(m_dir + QStringLiteral("/drive_c"));
    QDir().mkpath(m_dir + QStringLiteral("/dosdevices"));
    for (const auto& [name, target] : {std::pair{"c:", "../drive_c"}, std::pair{"z:", "/"}}) {
        const QString link = m_dir + QStringLiteral("/dosdevices/") + QLatin1String(name);
        QFile::remove(link);
        if (::symlink(target, QFile::encodeName(link).constData()))
            fail(QStringLiteral("cannot link ") + link);
    }
    auto start = [this](const char* file, const char* relativeTo) {
        QFile out(m_dir + QLatin1Char('/') + QLatin1String(file));
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            fail(QStringLiteral("cannot write ") + out.fileName());
        out.write(preamble(relativeTo));
    };
    start("system.reg", "Machine");
    start("user.reg", "User\\\\S-1-5-21-0-0-0-1000");
    start("userdef.reg", "User\\\\.Default");

    const QStringList lines = description.split(QLatin1Char('\n'));
    enum class Section { None, Registry, Files } section = Section::None;
    QStringList registry;
    int registryStart = 0;
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line == QLatin1String("[registry]")) {
            section = Section::Registry;
            registryStart = i + 2;
            continue;
        }
        if (line == QLatin1String("[files]")) {
            section = Section::Files;
            continue;
        }
        if (section == Section::Registry) {
            registry.append(lines[i]);
            continue;
        }
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (section != Section::Files)
            fail(QStringLiteral("line %1: outside a section").arg(i + 1));
        try {
            addFileLine(line);
        } catch (const std::exception& e) {
            fail(QStringLiteral("line %1: %2").arg(i + 1).arg(QString::fromUtf8(e.what())));
        }
    }
    addRegistryText(registry, registryStart);
}

} // namespace veridon::test
