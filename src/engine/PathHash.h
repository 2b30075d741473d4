#pragma once

#include <QStringView>

#include <cstdint>

namespace veridon {

// The two keys of a path in the scan cache, over the path text as given (no
// case folding, no normalisation).

// 32-bit FNV-1a over the UTF-16 little-endian bytes of the path.
std::uint32_t fnv1aPathHash(QStringView path);
// The 28-bit ELF hash over the 16-bit code units of the path.
std::uint32_t elfPathHash(QStringView path);

} // namespace veridon
