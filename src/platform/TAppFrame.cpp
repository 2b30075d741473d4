#include "platform/TAppFrame.h"

#include "platform/Environment.h"

#include <array>

namespace veridon {
namespace {

constexpr int kNone = -1;

// GetFolder kinds 3-18 by CSIDL; 0-2 are the Windows, system and temporary folders.
constexpr std::array<int, 19> kFolderCsidl = {
    kNone,          kNone,           kNone,
    Csidl::InternetCache, Csidl::Cookies, Csidl::History, Csidl::Recent, Csidl::Desktop,
    Csidl::Programs, Csidl::Favorites, Csidl::Startup, kNone, Csidl::AppData,
    Csidl::LocalAppData, kNone, Csidl::ProgramFiles, Csidl::ProgramFilesCommon,
    Csidl::StartMenu, Csidl::CommonAppData};

constexpr std::array<int, 7> kCommonCsidl = {
    Csidl::CommonAppData,   Csidl::CommonDesktopDirectory, Csidl::CommonPrograms,
    Csidl::CommonStartMenu, Csidl::CommonFavorites,        Csidl::CommonPrograms,
    Csidl::CommonStartup};

} // namespace

TAppFrame::TAppFrame(const Environment& environment, QString programDir)
    : m_environment(environment), m_programDir(std::move(programDir))
{
    if (!m_programDir.isEmpty() && !m_programDir.endsWith(QLatin1Char('/')))
        m_programDir += QLatin1Char('/');
    m_appData = specialFolder(Csidl::AppData);
    m_commonAppData = specialFolder(Csidl::CommonAppData);
}

QString TAppFrame::GetFolder(int kind) const
{
    switch (kind) {
    case 0:
        return windowsFolder();
    case 1:
        return systemFolder();
    case 2:
        return m_environment.shellFolders().tempFolder();
    default:
        if (kind < 0 || kind >= int(kFolderCsidl.size()) || kFolderCsidl[std::size_t(kind)] == kNone)
            return {};
        return specialFolder(kFolderCsidl[std::size_t(kind)]);
    }
}

QString TAppFrame::GetCommonFolder(int kind) const
{
    if (kind < 0 || kind >= int(kCommonCsidl.size()))
        return {};
    return specialFolder(kCommonCsidl[std::size_t(kind)]);
}

QString TAppFrame::specialFolder(int csidl) const
{
    return m_environment.shellFolders().specialFolder(csidl);
}

QString TAppFrame::windowsFolder() const
{
    return m_environment.shellFolders().windowsFolder();
}

QString TAppFrame::systemFolder() const
{
    return m_environment.shellFolders().systemFolder();
}

QString TAppFrame::profileFolder() const
{
    return m_environment.shellFolders().profileFolder();
}

} // namespace veridon
