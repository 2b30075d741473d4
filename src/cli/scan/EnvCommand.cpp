#include "cli/scan/EnvCommand.h"

#include "platform/Environment.h"
#include "tools/WindowsName.h"

#include <QFileInfo>

#include <cstdio>
#include <stdexcept>

namespace veridon::cli {
namespace {

struct FolderRow
{
    int csidl;
    const char* name;
};

// The special folders the scanner and the privacy analysis ask for.
const FolderRow kFolders[] = {
    {Csidl::Desktop, "Desktop"},
    {Csidl::Programs, "Programs"},
    {Csidl::Favorites, "Favorites"},
    {Csidl::Startup, "Startup"},
    {Csidl::Recent, "Recent"},
    {Csidl::StartMenu, "Start Menu"},
    {Csidl::CommonStartMenu, "Common Start Menu"},
    {Csidl::CommonPrograms, "Common Programs"},
    {Csidl::CommonStartup, "Common Startup"},
    {Csidl::CommonDesktopDirectory, "Common Desktop"},
    {Csidl::AppData, "Application Data"},
    {Csidl::LocalAppData, "Local Application Data"},
    {Csidl::CommonFavorites, "Common Favorites"},
    {Csidl::InternetCache, "Temporary Internet Files"},
    {Csidl::Cookies, "Cookies"},
    {Csidl::History, "History"},
    {Csidl::CommonAppData, "Common Application Data"},
    {Csidl::ProgramFiles, "Program Files"},
    {Csidl::MyPictures, "My Pictures"},
    {Csidl::ProgramFilesCommon, "Common Files"},
};

const char* driveTypeName(DriveType type)
{
    switch (type) {
    case DriveType::Removable:
        return "removable";
    case DriveType::Fixed:
        return "fixed";
    case DriveType::Remote:
        return "network";
    case DriveType::CdRom:
        return "cdrom";
    case DriveType::RamDisk:
        return "ramdisk";
    case DriveType::NoRootDir:
        return "no root";
    case DriveType::Unknown:
        break;
    }
    return "unknown";
}

void printRow(const char* label, const QString& value)
{
    std::printf("  %-30s %s\n", label, value.isEmpty() ? "-" : value.toLocal8Bit().constData());
}

} // namespace

std::unique_ptr<Environment> openInspectedEnvironment(const CommandLine& line)
{
    if (!line.prefix.isEmpty())
        return Environment::open(line.prefix);
    const QString prefix = Environment::defaultPrefix();
    if (QFileInfo(prefix).isDir())
        return Environment::open(prefix);
    return Environment::openEmpty();
}

int runEnv(CommandContext& context)
{
    if (!context.line.words.isEmpty())
        throw std::runtime_error("env takes no arguments");
    const std::unique_ptr<Environment> environment = openInspectedEnvironment(context.line);
    const FileSystem& files = environment->files();
    const ShellFolders& folders = environment->shellFolders();

    std::printf("Prefix: %s\n", environment->prefixDir().isEmpty()
                                    ? "(none: only the host file system as Z:)"
                                    : environment->prefixDir().toLocal8Bit().constData());

    const QString version = folders.windowsVersion();
    const QStringList parts = version.split(QLatin1Char('.'));
    const QString name = parts.size() >= 2
                             ? GetWindowsName(kPlatformWin32Nt, parts[0].toInt(), parts[1].toInt())
                             : QString();
    std::printf("Windows: version %s%s%s\n", version.isEmpty() ? "unknown" : version.toLocal8Bit().constData(),
                name.isEmpty() ? "" : ", ", name.toLocal8Bit().constData());

    std::printf("\nDrives:\n");
    for (const QString& root : files.logicalDrives()) {
        std::printf("  %-4s %-40s %-9s %s\n", root.toLocal8Bit().constData(),
                    files.toHostPath(root).toLocal8Bit().constData(),
                    driveTypeName(files.driveType(root)),
                    files.volumeFileSystem(root).toLocal8Bit().constData());
    }

    std::printf("\nFolders:\n");
    printRow("Windows folder", folders.windowsFolder());
    printRow("System folder", folders.systemFolder());
    printRow("Profile folder", folders.profileFolder());
    printRow("Temporary folder", folders.tempFolder());
    for (const FolderRow& row : kFolders) {
        const QString label = QStringLiteral("%1 (%2)").arg(QLatin1String(row.name)).arg(row.csidl);
        printRow(label.toLatin1().constData(), folders.specialFolder(row.csidl));
    }
    return kExitClean;
}

} // namespace veridon::cli
