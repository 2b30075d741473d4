#include "remedy/RegistrySignaturePath.h"

namespace veridon {

std::optional<RegRoot> shortRootExact(const QString& abbreviation)
{
    if (abbreviation == QLatin1String("HKCR"))
        return RegRoot::ClassesRoot;
    if (abbreviation == QLatin1String("HKLM"))
        return RegRoot::LocalMachine;
    if (abbreviation == QLatin1String("HKCU"))
        return RegRoot::CurrentUser;
    if (abbreviation == QLatin1String("HKU"))
        return RegRoot::Users;
    return std::nullopt;
}

RegistrySignaturePath RegistrySignaturePath::parse(const QString& text)
{
    const qsizetype slash = text.indexOf(QLatin1Char('\\'));
    // Without a backslash the whole text is the path and no root is named.
    if (slash < 0)
        return {QString(), text};
    return {text.left(slash), text.mid(slash)};
}

QString RegistrySignaturePath::keyPath() const
{
    qsizetype start = 0;
    while (start < path.size() && path[start] == QLatin1Char('\\'))
        ++start;
    return path.mid(start);
}

} // namespace veridon
