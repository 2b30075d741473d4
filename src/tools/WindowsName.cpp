#include "tools/WindowsName.h"

#include "platform/ShellFolders.h"

#include <QStringList>

namespace veridon {

QString GetWindowsName(int platformId, int major, int minor)
{
    if (platformId != kPlatformWin32Nt)
        return {};
    if (major == 3 || major == 4)
        return QStringLiteral("Windows NT");
    if (major == 5 && minor == 0)
        return QStringLiteral("Windows 2000");
    if (major == 5 && minor == 1)
        return QStringLiteral("Windows XP");
    if (major == 5 && minor == 2)
        return QStringLiteral("Windows 2003 Server");
    if (major == 6 && minor == 0)
        return QStringLiteral("Windows Vista");
    return {};
}

QString GetWindowsName(const ShellFolders& folders)
{
    const QStringList parts = folders.windowsVersion().split(QLatin1Char('.'));
    bool majorOk = false, minorOk = false;
    const int major = parts.value(0).toInt(&majorOk);
    const int minor = parts.value(1).toInt(&minorOk);
    if (parts.size() < 2 || !majorOk || !minorOk)
        return {};
    return GetWindowsName(kPlatformWin32Nt, major, minor);
}

} // namespace veridon
