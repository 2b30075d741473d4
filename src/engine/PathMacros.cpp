#include "engine/PathMacros.h"

#include "platform/Environment.h"
#include "platform/TAppFrame.h"

#include <array>
#include <vector>

namespace veridon {
namespace {

// What a macro stands for.
enum class Source
{
    SystemFolder,
    WindowsFolder,
    ProfileFolder,
    ProfilesRoot,
    RootDrive,    // first two characters of the system folder
    Recycle,      // "Recycled" or "Recycler" on the system drive
    WindowsTemp,  // Windows folder + "\temp"
    QuickLaunch,  // application data + "\Microsoft\Internet Explorer\Quick Launch"
    DownloadedPrograms,
    Shell,        // a CSIDL
};

struct Macro
{
    const char* text;
    Source source;
    int csidl = -1;
    int allUsersCsidl = -1; // -1: no second result
};

// The table order (order A). Orders B to E list the first sixteen differently.
const Macro kMacros[] = {
    {"%SYSDIR%", Source::SystemFolder},
    {"%PROGRAMFILES%", Source::Shell, Csidl::ProgramFiles},
    {"%ROOTDRIVE%", Source::RootDrive},
    {"%WINDIR%", Source::WindowsFolder},
    {"%DESKTOP%", Source::Shell, Csidl::Desktop, Csidl::CommonDesktopDirectory},
    {"%TEMP%", Source::WindowsTemp},
    {"%APPDATA%", Source::Shell, Csidl::AppData, Csidl::CommonAppData},
    {"%USERROOT%", Source::ProfileFolder},
    {"%PROGRAMS%", Source::Shell, Csidl::Programs, Csidl::CommonPrograms},
    {"%STARTMENU%", Source::Shell, Csidl::StartMenu, Csidl::CommonStartMenu},
    {"%STARTUP%", Source::Shell, Csidl::Startup, Csidl::CommonStartup},
    {"%QUICKLAUNCH%", Source::QuickLaunch},
    {"%COMMONFILES%", Source::Shell, Csidl::ProgramFilesCommon},
    {"%FAVORITES%", Source::Shell, Csidl::Favorites, Csidl::CommonFavorites},
    {"%DAS%", Source::ProfilesRoot},
    {"%RECYCLE%", Source::Recycle},
    {"%WINDOWS%", Source::WindowsFolder},
    {"%SYSTEM%", Source::SystemFolder},
    {"%COMMON_PROGRAMS%", Source::Shell, Csidl::ProgramFilesCommon},
    {"%COMMON_STARTMENU%", Source::Shell, Csidl::CommonPrograms},
    {"%COMMON_DESKTOP%", Source::Shell, Csidl::CommonDesktopDirectory},
    {"%COMMON_FAVORITES%", Source::Shell, Csidl::CommonFavorites},
    {"%COMMON_DATAPATH%", Source::Shell, Csidl::CommonAppData},
    {"%DATAPATH%", Source::Shell, Csidl::AppData},
    {"%PROGRAM_FILES%", Source::Shell, Csidl::ProgramFiles},
    {"PROGRAMFILESDIR+", Source::Shell, Csidl::ProgramFiles},
    {"%SYSTEMDRIVE%", Source::SystemFolder},
    {"SYSTEMROOT+", Source::SystemFolder},
    {"COMMONPROGRAMS+", Source::Shell, Csidl::CommonPrograms},
    {"%DESKTOPDIRECTORY%", Source::Shell, Csidl::Desktop},
    {"DESKTOPDIR+", Source::Shell, Csidl::Desktop},
    {"%COMMON_DESKTOPDIRECTORY%", Source::Shell, Csidl::CommonDesktopDirectory},
    {"STARTUPFOLDER+", Source::Shell, Csidl::Startup},
    {"%ALLUSERS_APPDATA%", Source::Shell, Csidl::CommonAppData},
    {"%START_MENU%", Source::Shell, Csidl::StartMenu},
    {"%START_MENUALL%", Source::Shell, Csidl::StartMenu},
    {"%START_PROGRAMSALL%", Source::Shell, Csidl::ProgramFiles},
    {"%START_PROGRAMS%", Source::Shell, Csidl::ProgramFiles},
    {"%SYSTEMDISKROOT%", Source::RootDrive},
    {"%USERPROFILE%", Source::ProfileFolder},
    {"%DOWNLOADEDPROGRAMFILES%", Source::DownloadedPrograms},
    {"%USERDOCUMENTS%", Source::ProfilesRoot},
};
constexpr int kMacroCount = int(std::size(kMacros));
constexpr int kSharedTail = 16; // from "%WINDOWS%" on every order agrees

// Indices into kMacros of the first sixteen tests of each order.
constexpr std::array<int, kSharedTail> kHeads[] = {
    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},  // A
    {0, 3, 4, 5, 2, 6, 1, 7, 8, 9, 10, 11, 12, 13, 14, 15},  // B
    {0, 3, 7, 15, 4, 5, 2, 6, 1, 8, 9, 10, 11, 12, 13, 14},  // C
    {3, 0, 1, 12, 6, 2, 7, 8, 9, 10, 15, 4, 5, 11, 13, 14},  // D
    {1, 8, 9, 10, 0, 6, 12, 3, 2, 5, 7, 14, 11, 4, 15, 13},  // E
};

// The folder that holds every profile, from the application data folder:
// "C:\Documents and Settings\ann\Application Data" gives "C:\Documents and Settings".
QString profilesRoot(const QString& appData)
{
    const qsizetype first = appData.indexOf(QLatin1Char('\\'));
    if (first < 0)
        return appData;
    const qsizetype second = appData.indexOf(QLatin1Char('\\'), first + 1);
    return second < 0 ? appData : appData.left(second);
}

QString folderOf(const TAppFrame& frame, const Macro& macro)
{
    switch (macro.source) {
    case Source::SystemFolder:
        return frame.SystemFolder();
    case Source::WindowsFolder:
        return frame.WindowsFolder();
    case Source::ProfileFolder:
        return frame.ProfileFolder();
    case Source::ProfilesRoot:
        return profilesRoot(frame.SpecialFolder(Csidl::AppData));
    case Source::RootDrive:
        return frame.SystemFolder().left(2);
    case Source::Recycle: {
        const QString drive = frame.SystemFolder().left(3);
        const QString recycled = drive + QStringLiteral("Recycled");
        return frame.environment().files().exists(recycled) ? recycled
                                                            : drive + QStringLiteral("Recycler");
    }
    case Source::WindowsTemp:
        return frame.WindowsFolder() + QStringLiteral("\\temp");
    case Source::QuickLaunch:
        return frame.SpecialFolder(Csidl::AppData) +
               QStringLiteral("\\Microsoft\\Internet Explorer\\Quick Launch");
    case Source::DownloadedPrograms:
        return frame.WindowsFolder() + QStringLiteral("\\Downloaded Program Files");
    case Source::Shell:
        return frame.SpecialFolder(macro.csidl);
    }
    return {};
}

const Macro* firstMacroIn(const QString& upper, MacroOrder order)
{
    const std::array<int, kSharedTail>& head = kHeads[int(order)];
    for (int index : head)
        if (upper.contains(QLatin1String(kMacros[index].text)))
            return &kMacros[index];
    for (int index = kSharedTail; index < kMacroCount; ++index)
        if (upper.contains(QLatin1String(kMacros[index].text)))
            return &kMacros[index];
    return nullptr;
}

} // namespace

void ExpandMacros(const TAppFrame& frame, MacroOrder order, QString& path, QString& allUsersPath)
{
    allUsersPath.clear();
    const Macro* macro = firstMacroIn(path.toUpper(), order);
    if (!macro)
        return;
    const QString input = path;
    const QLatin1String text(macro->text);
    path = QString(input).replace(text, folderOf(frame, *macro), Qt::CaseInsensitive);
    if (macro->allUsersCsidl >= 0)
        allUsersPath = QString(input).replace(text, frame.SpecialFolder(macro->allUsersCsidl),
                                              Qt::CaseInsensitive);
}

bool NormalizeImagePath(const TAppFrame& frame, QString& path)
{
    const QString windows = frame.WindowsFolder();
    path.replace(QLatin1String("%windir%"), windows, Qt::CaseInsensitive);
    path.replace(QLatin1String("\\systemroot\\"), windows + QLatin1Char('\\'), Qt::CaseInsensitive);
    path.replace(QLatin1String("%systemroot%"), windows, Qt::CaseInsensitive);
    path.replace(QLatin1String("\\??\\"), QString());
    path.remove(QLatin1Char('"'));
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return frame.environment().files().exists(path);
}

} // namespace veridon
