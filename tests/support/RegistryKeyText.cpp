#include "support/RegistryKeyText.h"

namespace veridon::test {

std::optional<WineRegistryKey> wineRegistryKey(const QString& fullKey)
{
    const qsizetype slash = fullKey.indexOf(QLatin1Char('\\'));
    const QString root = (slash < 0 ? fullKey : fullKey.left(slash)).toUpper();
    QString key = slash < 0 ? QString() : fullKey.mid(slash + 1);
    QString file;
    if (root == QLatin1String("HKLM")) {
        file = QStringLiteral("system.reg");
    } else if (root == QLatin1String("HKCR")) {
        file = QStringLiteral("system.reg");
        key = QStringLiteral("Software\\Classes\\") + key;
    } else if (root == QLatin1String("HKCU")) {
        file = QStringLiteral("user.reg");
    } else if (root == QLatin1String("HKU")) {
        const qsizetype next = key.indexOf(QLatin1Char('\\'));
        const QString user = next < 0 ? key : key.left(next);
        file = user.compare(QLatin1String(".Default"), Qt::CaseInsensitive) == 0
                   ? QStringLiteral("userdef.reg")
                   : QStringLiteral("user.reg");
        key = next < 0 ? QString() : key.mid(next + 1);
    } else {
        return std::nullopt;
    }
    key.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    return WineRegistryKey{file, "\n[" + key.toUtf8() + "] 1700000000\n#time=1da1234567890ab\n"};
}

} // namespace veridon::test
