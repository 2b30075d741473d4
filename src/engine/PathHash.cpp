#include "engine/PathHash.h"

namespace veridon {

std::uint32_t fnv1aPathHash(QStringView path)
{
    std::uint32_t hash = 2166136261u;
    for (const QChar c : path) {
        const char16_t unit = c.unicode();
        hash = (hash ^ std::uint32_t(unit & 0xFF)) * 16777619u;
        hash = (hash ^ std::uint32_t(unit >> 8)) * 16777619u;
    }
    return hash;
}

std::uint32_t elfPathHash(QStringView path)
{
    std::uint32_t hash = 0;
    for (const QChar c : path) {
        hash = (hash << 4) + c.unicode();
        if (hash > 0x0FFFFFFFu)
            hash = (hash ^ ((hash >> 28) << 4)) & 0x0FFFFFFFu;
    }
    return hash;
}

} // namespace veridon
