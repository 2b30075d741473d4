#include "tools/WindowsName.h"

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

} // namespace veridon
