#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace veridon {

// Bounds-checked little-endian reads from untrusted bytes. Every read names an
// offset; one that does not fit answers false and leaves the output alone, so
// parsers never index past the buffer whatever a size field claims.
class ByteReader
{
public:
    ByteReader() = default;
    explicit ByteReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    std::size_t size() const { return m_bytes.size(); }
    std::span<const std::uint8_t> bytes() const { return m_bytes; }

    bool fits(std::uint64_t offset, std::uint64_t length) const
    {
        return offset <= m_bytes.size() && length <= m_bytes.size() - offset;
    }

    bool u16(std::uint64_t offset, std::uint16_t& out) const
    {
        if (!fits(offset, 2))
            return false;
        out = static_cast<std::uint16_t>(m_bytes[offset] | (m_bytes[offset + 1] << 8));
        return true;
    }

    bool u32(std::uint64_t offset, std::uint32_t& out) const
    {
        if (!fits(offset, 4))
            return false;
        out = static_cast<std::uint32_t>(m_bytes[offset]) |
              (static_cast<std::uint32_t>(m_bytes[offset + 1]) << 8) |
              (static_cast<std::uint32_t>(m_bytes[offset + 2]) << 16) |
              (static_cast<std::uint32_t>(m_bytes[offset + 3]) << 24);
        return true;
    }

    bool u64(std::uint64_t offset, std::uint64_t& out) const
    {
        std::uint32_t low = 0, high = 0;
        if (!fits(offset, 8) || !u32(offset, low) || !u32(offset + 4, high))
            return false;
        out = (static_cast<std::uint64_t>(high) << 32) | low;
        return true;
    }

    // The sub-range [offset, offset + length), or an empty span when it does not fit.
    std::span<const std::uint8_t> slice(std::uint64_t offset, std::uint64_t length) const
    {
        if (!fits(offset, length))
            return {};
        return m_bytes.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
    }

private:
    std::span<const std::uint8_t> m_bytes;
};

} // namespace veridon
