#include "remedy/RegistryPattern.h"

#include "engine/WildcardMatch.h"
#include "engine/WildcardPattern.h"

namespace veridon {

bool isRegistryPattern(const QString& item)
{
    return isWildcardPattern(item);
}

bool matchesRegistryItem(const QString& item, const QString& text)
{
    return isWildcardPattern(item) ? WildcardMatch(item, text) : item == text;
}

} // namespace veridon
