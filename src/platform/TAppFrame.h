#pragma once

#include <QString>

namespace veridon {

class Environment;

// The system folders the scanner and the privacy analysis ask for, by the
// numbered kinds their callers use. Every lookup gives an empty text when the
// environment has no such folder; nothing is created.
class TAppFrame
{
public:
    TAppFrame(const Environment& environment, QString programDir);

    const Environment& environment() const { return m_environment; }
    // The user's and the all-users application data folders, and the program
    // folder (host path, with a trailing separator), filled at creation.
    const QString& appDataFolder() const { return m_appData; }
    const QString& commonAppDataFolder() const { return m_commonAppData; }
    const QString& programFolder() const { return m_programDir; }

    // Kinds 0-18: Windows, system, temporary, Temporary Internet Files,
    // Cookies, History, Recent, Desktop, Programs, Favorites, Startup, (11),
    // application data, local application data, (14), Program Files, Common
    // Files, Start Menu, common application data. Unlisted kinds are empty.
    QString GetFolder(int kind) const;
    // Kinds 0-6: common application data, desktop, programs, start menu,
    // favorites, programs, startup.
    QString GetCommonFolder(int kind) const;

    QString specialFolder(int csidl) const;
    QString windowsFolder() const;
    QString systemFolder() const;
    QString profileFolder() const;

private:
    const Environment& m_environment;
    QString m_appData;
    QString m_commonAppData;
    QString m_programDir;
};

} // namespace veridon
