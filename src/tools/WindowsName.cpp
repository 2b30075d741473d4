#include "tools/WindowsName.h"

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

QString GetWindowsName(const QString& ntVersion)
{
    const QStringList parts = ntVersion.trimmed().split(QLatin1Char('.'));
    if (parts.size() < 2)
        return {};
    bool majorOk = false;
    bool minorOk = false;
    const int major = parts[0].toInt(&majorOk);
    const int minor = parts[1].toInt(&minorOk);
    return majorOk && minorOk ? GetWindowsName(kPlatformWin32Nt, major, minor) : QString();
}

} // namespace veridon
