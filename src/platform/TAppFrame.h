#pragma once

#include <QString>

namespace veridon {

class Environment;

// Special folder lookups of the scanned environment for the engine and the tools:
// the application-data folders, the program folder, and the folder kinds of
// GetFolder / GetCommonFolder. Folder texts carry no trailing separator, except
// ProgramPath, which has one. Lookups happen at each call (never cached), so a
// registry change is seen at once; an unknown folder is an empty text.
class TAppFrame
{
public:
    TAppFrame(const Environment& environment, QString programFolder);

    // Filled at creation, as the object always did.
    QString AppDataPath;       // the user's application data folder
    QString CommonAppDataPath; // the all-users application data folder
    QString ProgramPath;       // the program's folder, with a trailing "\" (a host path)

    // 0 Windows, 1 system, 2 temporary, 3 Temporary Internet Files, 4 Cookies,
    // 5 History, 6 Recent, 7 Desktop, 8 Programs, 9 Favorites, 10 Startup,
    // 12 application data, 13 local application data, 15 Program Files,
    // 16 Common Files, 17 Start Menu, 18 common application data; empty otherwise.
    QString GetFolder(int kind) const;
    // 0 common application data, 1 common desktop, 2 and 5 common programs,
    // 3 common start menu, 4 common favorites, 6 common startup; empty otherwise.
    QString GetCommonFolder(int kind) const;

    // The shell's folder for a CSIDL (SHGetSpecialFolderPath, no creation).
    QString SpecialFolder(int csidl) const;
    QString WindowsFolder() const;
    QString SystemFolder() const;
    // The USERPROFILE of the environment's user.
    QString ProfileFolder() const;

    const Environment& environment() const { return m_environment; }

private:
    const Environment& m_environment;
};

} // namespace veridon
