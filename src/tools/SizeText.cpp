#include "tools/SizeText.h"

namespace veridon {
namespace {

QString scaled(std::uint64_t bytes)
{
    constexpr std::uint64_t kKilo = 1024;
    const std::uint64_t q2 = bytes / kKilo / kKilo;
    const std::uint64_t q3 = q2 / kKilo;
    const auto twoDecimals = [&](std::uint64_t unit, const char* suffix) {
        return QString::number(double(bytes) / double(unit), 'f', 2) + QLatin1String(suffix);
    };
    if (q2 == 0)
        return twoDecimals(kKilo, " KB");
    if (q3 == 0)
        return twoDecimals(kKilo * kKilo, " MB");
    return twoDecimals(kKilo * kKilo * kKilo, " GB");
}

} // namespace

QString FormatSize(std::uint64_t bytes)
{
    return bytes < 1024 ? QStringLiteral("0 Byte") : scaled(bytes);
}

QString FormatSizeExact(std::uint64_t bytes)
{
    return bytes < 1024 ? QString::number(bytes) + QStringLiteral(" Byte") : scaled(bytes);
}

} // namespace veridon
