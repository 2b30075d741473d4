#pragma once

#include <QString>

namespace veridon {

// CSIDL numbers of the special folders the scanner asks for.
namespace Csidl {
constexpr int Desktop = 0;
constexpr int Programs = 2;
constexpr int Personal = 5;
constexpr int Favorites = 6;
constexpr int Startup = 7;
constexpr int Recent = 8;
constexpr int SendTo = 9;
constexpr int StartMenu = 11;
constexpr int DesktopDirectory = 16;
constexpr int Fonts = 20;
constexpr int Templates = 21;
constexpr int CommonStartMenu = 22;
constexpr int CommonPrograms = 23;
constexpr int CommonStartup = 24;
constexpr int CommonDesktopDirectory = 25;
constexpr int AppData = 26;
constexpr int LocalAppData = 28;
constexpr int CommonFavorites = 31;
constexpr int InternetCache = 32;
constexpr int Cookies = 33;
constexpr int History = 34;
constexpr int CommonAppData = 35;
constexpr int Windows = 36;
constexpr int System = 37;
constexpr int ProgramFiles = 38;
constexpr int MyPictures = 39;
constexpr int Profile = 40;
constexpr int ProgramFilesCommon = 43;
} // namespace Csidl

// Special folders of the scanned environment, as Windows paths without a trailing
// separator. Every lookup gives an empty text when the environment has no such
// folder; nothing is created.
//
// Linux (Wine prefix): read from the prefix's registry ("Shell Folders", "User
// Shell Folders" with their environment references expanded, "Windows
// NT\CurrentVersion" "SystemRoot", the "Environment" keys and the profile list).
class ShellFolders
{
public:
    virtual ~ShellFolders() = default;

    // SHGetSpecialFolderPath(csidl, create = false).
    virtual QString specialFolder(int csidl) const = 0;
    // GetWindowsDirectory ("C:\windows").
    virtual QString windowsFolder() const = 0;
    // GetSystemDirectory ("C:\windows\system32").
    virtual QString systemFolder() const = 0;
    // The USERPROFILE environment variable ("C:\users\ann").
    virtual QString profileFolder() const = 0;
    // GetTempPath without its trailing separator.
    virtual QString tempFolder() const = 0;
    // ExpandEnvironmentStrings for the environment's user: %NAME% references
    // replaced (names ignore case); unknown ones stay as they are.
    virtual QString expandEnvironment(const QString& text) const = 0;
    // The Windows version as "major.minor" ("6.1"), from the environment's
    // CurrentVersion key; empty when unknown.
    virtual QString windowsVersion() const = 0;
};

} // namespace veridon
