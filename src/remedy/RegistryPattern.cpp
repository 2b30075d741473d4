#include "remedy/RegistryPattern.h"

#include "engine/WildcardMatch.h"

namespace veridon {

bool isRegistryPattern(const QString& item)
{
    if (item.contains(QLatin1Char('*')) || item.contains(QLatin1Char('?')))
        return true;
    const qsizetype open = item.indexOf(QLatin1Char('['));
    return open >= 0 && open + 4 < item.size() && item[open + 2] == QLatin1Char('-') &&
           item[open + 4] == QLatin1Char(']');
}

bool matchesRegistryItem(const QString& item, const QString& text)
{
    return isRegistryPattern(item) ? WildcardMatch(item, text) : item == text;
}

} // namespace veridon
