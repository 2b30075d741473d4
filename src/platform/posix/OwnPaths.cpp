#include "platform/OwnPaths.h"

#include <QDir>
#include <QFileInfo>

#include <cstdlib>

namespace veridon {
namespace {

QString fromEnv(const char* name)
{
    const char* value = std::getenv(name);
    return value ? QString::fromLocal8Bit(value) : QString();
}

QString firstNonEmpty(const QString& a, const QString& b, const QString& c)
{
    if (!a.isEmpty())
        return a;
    return !b.isEmpty() ? b : c;
}

QString clean(const QString& path)
{
    return QDir::cleanPath(QDir(path).absolutePath());
}

QString defaultDataDir()
{
    QString base = fromEnv("XDG_CONFIG_HOME");
    if (base.isEmpty())
        base = fromEnv("HOME") + QStringLiteral("/.config");
    return base + QStringLiteral("/Teliq/Teliq Veridon");
}

} // namespace

QString executableDir()
{
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).absolutePath();
}

OwnPaths OwnPaths::resolve(const QString& programDirOption, const QString& dataDirOption)
{
    OwnPaths paths;
    paths.programDir = clean(
        firstNonEmpty(programDirOption, fromEnv("VERIDON_PROGRAM_DIR"), executableDir()));
    paths.dataDir =
        clean(firstNonEmpty(dataDirOption, fromEnv("VERIDON_DATA_DIR"), defaultDataDir()));
    return paths;
}

QString OwnPaths::inProgramDir(const QString& relative) const
{
    return programDir + QLatin1Char('/') + relative;
}

QString OwnPaths::inDataDir(const QString& relative) const
{
    return dataDir + QLatin1Char('/') + relative;
}

} // namespace veridon
