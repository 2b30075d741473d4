#include "engine/MacroExpander.h"

#include "platform/Environment.h"
#include "platform/TAppFrame.h"

#include <array>
#include <functional>
#include <vector>

namespace veridon {
namespace {

using Folder = std::function<QString(const TAppFrame&)>;

struct Macro
{
    const char* name;
    Folder folder;
    Folder allUsers; // empty for macros without a second result
};

Folder csidl(int n)
{
    return [n](const TAppFrame& f) { return f.specialFolder(n); };
}

QString windows(const TAppFrame& f)
{
    return f.windowsFolder();
}

QString system(const TAppFrame& f)
{
    return f.systemFolder();
}

QString profile(const TAppFrame& f)
{
    return f.profileFolder();
}

// "C:\Documents and Settings\ann\Application Data" -> "C:\Documents and Settings".
QString profilesRoot(const TAppFrame& f)
{
    const QString appData = f.specialFolder(Csidl::AppData);
    const qsizetype first = appData.indexOf(QLatin1Char('\\'));
    if (first < 0)
        return appData;
    const qsizetype second = appData.indexOf(QLatin1Char('\\'), first + 1);
    return second < 0 ? appData : appData.left(second);
}

QString recycleBin(const TAppFrame& f)
{
    const QString root = f.systemFolder().left(3);
    const QString recycled = root + QStringLiteral("Recycled");
    return f.environment().files().exists(recycled) ? recycled : root + QStringLiteral("Recycler");
}

// The macro table in its own order (order A).
const std::vector<Macro>& macroTable()
{
    static const std::vector<Macro> table = {
        {"%SYSDIR%", system, {}},
        {"%PROGRAMFILES%", csidl(Csidl::ProgramFiles), {}},
        {"%ROOTDRIVE%", [](const TAppFrame& f) { return f.systemFolder().left(2); }, {}},
        {"%WINDIR%", windows, {}},
        {"%DESKTOP%", csidl(Csidl::Desktop), csidl(Csidl::CommonDesktopDirectory)},
        {"%TEMP%", [](const TAppFrame& f) { return f.windowsFolder() + QStringLiteral("\\temp"); }, {}},
        {"%APPDATA%", csidl(Csidl::AppData), csidl(Csidl::CommonAppData)},
        {"%USERROOT%", profile, {}},
        {"%PROGRAMS%", csidl(Csidl::Programs), csidl(Csidl::CommonPrograms)},
        {"%STARTMENU%", csidl(Csidl::StartMenu), csidl(Csidl::CommonStartMenu)},
        {"%STARTUP%", csidl(Csidl::Startup), csidl(Csidl::CommonStartup)},
        {"%QUICKLAUNCH%",
         [](const TAppFrame& f) {
             return f.specialFolder(Csidl::AppData) +
                    QStringLiteral("\\Microsoft\\Internet Explorer\\Quick Launch");
         },
         {}},
        {"%COMMONFILES%", csidl(Csidl::ProgramFilesCommon), {}},
        {"%FAVORITES%", csidl(Csidl::Favorites), csidl(Csidl::CommonFavorites)},
        {"%DAS%", profilesRoot, {}},
        {"%RECYCLE%", recycleBin, {}},
        {"%WINDOWS%", windows, {}},
        {"%SYSTEM%", system, {}},
        {"%COMMON_PROGRAMS%", csidl(Csidl::ProgramFilesCommon), {}},
        {"%COMMON_STARTMENU%", csidl(Csidl::CommonPrograms), {}},
        {"%COMMON_DESKTOP%", csidl(Csidl::CommonDesktopDirectory), {}},
        {"%COMMON_FAVORITES%", csidl(Csidl::CommonFavorites), {}},
        {"%COMMON_DATAPATH%", csidl(Csidl::CommonAppData), {}},
        {"%DATAPATH%", csidl(Csidl::AppData), {}},
        {"%PROGRAM_FILES%", csidl(Csidl::ProgramFiles), {}},
        {"PROGRAMFILESDIR+", csidl(Csidl::ProgramFiles), {}},
        {"%SYSTEMDRIVE%", system, {}},
        {"SYSTEMROOT+", system, {}},
        {"COMMONPROGRAMS+", csidl(Csidl::CommonPrograms), {}},
        {"%DESKTOPDIRECTORY%", csidl(Csidl::Desktop), {}},
        {"DESKTOPDIR+", csidl(Csidl::Desktop), {}},
        {"%COMMON_DESKTOPDIRECTORY%", csidl(Csidl::CommonDesktopDirectory), {}},
        {"STARTUPFOLDER+", csidl(Csidl::Startup), {}},
        {"%ALLUSERS_APPDATA%", csidl(Csidl::CommonAppData), {}},
        {"%START_MENU%", csidl(Csidl::StartMenu), {}},
        {"%START_MENUALL%", csidl(Csidl::StartMenu), {}},
        {"%START_PROGRAMSALL%", csidl(Csidl::ProgramFiles), {}},
        {"%START_PROGRAMS%", csidl(Csidl::ProgramFiles), {}},
        {"%SYSTEMDISKROOT%", [](const TAppFrame& f) { return f.systemFolder().left(2); }, {}},
        {"%USERPROFILE%", profile, {}},
        {"%DOWNLOADEDPROGRAMFILES%",
         [](const TAppFrame& f) { return f.windowsFolder() + QStringLiteral("\\Downloaded Program Files"); },
         {}},
        {"%USERDOCUMENTS%", profilesRoot, {}},
    };
    return table;
}

const Macro& macro(const char* name)
{
    for (const Macro& m : macroTable())
        if (qstrcmp(m.name, name) == 0)
            return m;
    Q_UNREACHABLE();
}

// An order: its own leading macros, then the table from `tailFrom` on.
std::vector<const Macro*> makeOrder(std::initializer_list<const char*> leading, const char* tailFrom)
{
    std::vector<const Macro*> order;
    for (const char* name : leading)
        order.push_back(&macro(name));
    bool inTail = false;
    for (const Macro& m : macroTable()) {
        inTail = inTail || qstrcmp(m.name, tailFrom) == 0;
        if (inTail)
            order.push_back(&m);
    }
    return order;
}

const std::vector<const Macro*>& orderOf(MacroOrder order)
{
    static const std::array<std::vector<const Macro*>, 5> orders = {
        makeOrder({}, "%SYSDIR%"),
        makeOrder({"%SYSDIR%", "%WINDIR%", "%DESKTOP%", "%TEMP%", "%ROOTDRIVE%", "%APPDATA%",
                   "%PROGRAMFILES%"},
                  "%USERROOT%"),
        makeOrder({"%SYSDIR%", "%WINDIR%", "%USERROOT%", "%RECYCLE%", "%DESKTOP%", "%TEMP%",
                   "%ROOTDRIVE%", "%APPDATA%", "%PROGRAMFILES%", "%PROGRAMS%", "%STARTMENU%",
                   "%STARTUP%", "%QUICKLAUNCH%", "%COMMONFILES%", "%FAVORITES%", "%DAS%"},
                  "%WINDOWS%"),
        makeOrder({"%WINDIR%", "%SYSDIR%", "%PROGRAMFILES%", "%COMMONFILES%", "%APPDATA%",
                   "%ROOTDRIVE%", "%USERROOT%", "%PROGRAMS%", "%STARTMENU%", "%STARTUP%",
                   "%RECYCLE%", "%DESKTOP%", "%TEMP%", "%QUICKLAUNCH%", "%FAVORITES%", "%DAS%"},
                  "%WINDOWS%"),
        makeOrder({"%PROGRAMFILES%", "%PROGRAMS%", "%STARTMENU%", "%STARTUP%", "%SYSDIR%",
                   "%APPDATA%", "%COMMONFILES%", "%WINDIR%", "%ROOTDRIVE%", "%TEMP%",
                   "%USERROOT%", "%DAS%", "%QUICKLAUNCH%", "%DESKTOP%", "%RECYCLE%",
                   "%FAVORITES%"},
                  "%WINDOWS%"),
    };
    return orders[std::size_t(order)];
}

} // namespace

void ExpandMacros(const TAppFrame& frame, MacroOrder order, QString& path, QString& allUsersPath)
{
    allUsersPath.clear();
    if (!path.contains(QLatin1Char('%')) && !path.contains(QLatin1Char('+')))
        return; // every macro holds one of the two
    const QString upper = path.toUpper();
    for (const Macro* m : orderOf(order)) {
        const QString name = QLatin1String(m->name);
        if (!upper.contains(name))
            continue;
        const QString input = path;
        path = QString(input).replace(name, m->folder(frame), Qt::CaseInsensitive);
        if (m->allUsers)
            allUsersPath = QString(input).replace(name, m->allUsers(frame), Qt::CaseInsensitive);
        return;
    }
}

bool NormalizeImagePath(const TAppFrame& frame, QString& path)
{
    const QString windowsFolder = frame.windowsFolder();
    path.replace(QStringLiteral("%windir%"), windowsFolder, Qt::CaseInsensitive);
    path.replace(QStringLiteral("\\systemroot\\"), windowsFolder + QLatin1Char('\\'),
                 Qt::CaseInsensitive);
    path.replace(QStringLiteral("%systemroot%"), windowsFolder, Qt::CaseInsensitive);
    path.replace(QStringLiteral("\\??\\"), QString());
    path.remove(QLatin1Char('"'));
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    const std::optional<FileEntry> entry = frame.environment().files().stat(path);
    return entry && !entry->isDirectory();
}

} // namespace veridon
