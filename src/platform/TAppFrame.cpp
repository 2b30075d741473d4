#include "platform/TAppFrame.h"

#include "platform/Environment.h"

namespace veridon {

TAppFrame::TAppFrame(const Environment& environment, QString programFolder)
    : m_environment(environment)
{
    AppDataPath = SpecialFolder(Csidl::AppData);
    CommonAppDataPath = SpecialFolder(Csidl::CommonAppData);
    ProgramPath = std::move(programFolder);
    if (!ProgramPath.isEmpty() && !ProgramPath.endsWith(QLatin1Char('\\')) &&
        !ProgramPath.endsWith(QLatin1Char('/')))
        ProgramPath += QLatin1Char('\\');
}

QString TAppFrame::SpecialFolder(int csidl) const
{
    return m_environment.shellFolders().specialFolder(csidl);
}

QString TAppFrame::WindowsFolder() const
{
    return m_environment.shellFolders().windowsFolder();
}

QString TAppFrame::SystemFolder() const
{
    return m_environment.shellFolders().systemFolder();
}

QString TAppFrame::ProfileFolder() const
{
    return m_environment.shellFolders().profileFolder();
}

QString TAppFrame::GetFolder(int kind) const
{
    switch (kind) {
    case 0:
        return WindowsFolder();
    case 1:
        return SystemFolder();
    case 2:
        return m_environment.shellFolders().tempFolder();
    case 3:
        return SpecialFolder(Csidl::InternetCache);
    case 4:
        return SpecialFolder(Csidl::Cookies);
    case 5:
        return SpecialFolder(Csidl::History);
    case 6:
        return SpecialFolder(Csidl::Recent);
    case 7:
        return SpecialFolder(Csidl::Desktop);
    case 8:
        return SpecialFolder(Csidl::Programs);
    case 9:
        return SpecialFolder(Csidl::Favorites);
    case 10:
        return SpecialFolder(Csidl::Startup);
    case 12:
        return SpecialFolder(Csidl::AppData);
    case 13:
        return SpecialFolder(Csidl::LocalAppData);
    case 15:
        return SpecialFolder(Csidl::ProgramFiles);
    case 16:
        return SpecialFolder(Csidl::ProgramFilesCommon);
    case 17:
        return SpecialFolder(Csidl::StartMenu);
    case 18:
        return SpecialFolder(Csidl::CommonAppData);
    default:
        return {};
    }
}

QString TAppFrame::GetCommonFolder(int kind) const
{
    switch (kind) {
    case 0:
        return SpecialFolder(Csidl::CommonAppData);
    case 1:
        return SpecialFolder(Csidl::CommonDesktopDirectory);
    case 2:
    case 5:
        return SpecialFolder(Csidl::CommonPrograms);
    case 3:
        return SpecialFolder(Csidl::CommonStartMenu);
    case 4:
        return SpecialFolder(Csidl::CommonFavorites);
    case 6:
        return SpecialFolder(Csidl::CommonStartup);
    default:
        return {};
    }
}

} // namespace veridon
