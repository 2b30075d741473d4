#include "engine/WildcardPattern.h"

namespace veridon {

bool isWildcardPattern(const QString& text)
{
    if (text.contains(u'*') || text.contains(u'?'))
        return true;
    const qsizetype open = text.indexOf(u'[');
    return open >= 0 && open + 4 < text.size() && text[open + 2] == u'-' &&
           text[open + 4] == u']';
}

} // namespace veridon
