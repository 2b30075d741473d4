#pragma once

#include <QString>

#include <cstdint>

namespace veridon {

// Byte counts as people read them: "0 Byte" below one kilobyte, otherwise the
// largest whole unit with two decimals ("1.50 KB").
QString FormatSize(std::uint64_t bytes);
// The same, except that below one kilobyte the exact count is shown ("1023 Byte").
QString FormatSizeExact(std::uint64_t bytes);

} // namespace veridon
