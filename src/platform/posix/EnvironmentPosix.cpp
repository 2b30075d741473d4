#include "platform/Environment.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/WineRegistry.h"
#include "platform/posix/WineShellFolders.h"

#include <QDir>
#include <QFileInfo>

#include <stdexcept>

namespace veridon {
namespace {

// Wine's own drive configuration (winecfg): HKLM\Software\Wine\Drives "c:"="hd" ...
DriveType configuredType(const Registry& registry, QChar letter)
{
    const QString type = registry
                             .readString(RegRoot::LocalMachine, QStringLiteral("Software\\Wine\\Drives"),
                                         QString(letter.toLower()) + QLatin1Char(':'))
                             .value_or(QString())
                             .toLower();
    if (type == QLatin1String("cdrom"))
        return DriveType::CdRom;
    if (type == QLatin1String("floppy"))
        return DriveType::Removable;
    if (type == QLatin1String("network"))
        return DriveType::Remote;
    if (type == QLatin1String("ramdisk"))
        return DriveType::RamDisk;
    return DriveType::Fixed;
}

} // namespace

std::unique_ptr<Environment> Environment::open(const QString& prefixDir)
{
    const QFileInfo info(prefixDir);
    if (prefixDir.isEmpty() || !info.isDir())
        throw std::runtime_error("The Wine prefix " + prefixDir.toStdString() +
                                 " does not exist or is not a folder.");
    const QString prefix = QDir::cleanPath(info.absoluteFilePath());
    auto registry = std::make_unique<WineRegistry>(prefix);
    QList<PosixFileSystem::Drive> drives = PosixFileSystem::drivesOfPrefix(prefix);
    for (PosixFileSystem::Drive& drive : drives)
        drive.type = configuredType(*registry, drive.letter);
    auto files = std::make_unique<PosixFileSystem>(std::move(drives));
    auto shellFolders = std::make_unique<WineShellFolders>(*registry);
    return std::make_unique<Environment>(prefix, std::move(files), std::move(registry),
                                         std::move(shellFolders));
}

std::unique_ptr<Environment> Environment::openEmpty()
{
    auto registry = std::make_unique<WineRegistry>(QString());
    auto files = std::make_unique<PosixFileSystem>(PosixFileSystem::hostOnlyDrives());
    auto shellFolders = std::make_unique<WineShellFolders>(*registry);
    return std::make_unique<Environment>(QString(), std::move(files), std::move(registry),
                                         std::move(shellFolders));
}

} // namespace veridon
