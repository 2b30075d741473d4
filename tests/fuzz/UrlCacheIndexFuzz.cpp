// Reading and changing a WinINet cache index of any content.
#include "platform/UrlCacheIndex.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto index = veridon::UrlCacheIndex::parse(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (!index || index->records().empty())
        return 0;
    const QString url = index->records().front().url;
    (void)index->remove(url);
    return 0;
}
