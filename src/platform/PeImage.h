#pragma once

#include "platform/ByteReader.h"

#include <cstdint>
#include <optional>
#include <span>

namespace veridon {

// A read-only view of a PE (portable executable) image held in memory: the
// headers, the section table and the two data directories the scanner needs
// (resources and the security directory). It owns nothing and never throws;
// a damaged or hostile image simply answers "not there" to every question.
class PeImage
{
public:
    explicit PeImage(std::span<const std::uint8_t> bytes);

    // "MZ" header and a "PE\0\0" signature with a readable file and optional header.
    bool isValid() const { return m_valid; }
    bool is64Bit() const { return m_is64; }
    bool isDll() const { return (m_characteristics & 0x2000) != 0; }
    std::uint64_t imageBase() const { return m_imageBase; }

    // The raw bytes of the first RT_VERSION resource (VS_VERSIONINFO), if any.
    std::optional<std::span<const std::uint8_t>> versionResource() const;

    // The DER bytes of the first PKCS#7 signed-data certificate in the security
    // directory (an embedded Authenticode signature), if any.
    std::optional<std::span<const std::uint8_t>> authenticodeSignature() const;

    // File offset of a relative virtual address, when a section's raw data holds
    // `length` bytes there.
    std::optional<std::uint64_t> rvaToOffset(std::uint32_t rva, std::uint32_t length) const;

    // The loader's quick test: at least 200 bytes, "MZ" at 0, and "PE\0\0" at the
    // offset stored at byte 60 with 248 header bytes readable there.
    static bool hasPeSignature(std::span<const std::uint8_t> bytes);

private:
    struct Directory
    {
        std::uint32_t address = 0;
        std::uint32_t size = 0;
    };
    Directory directory(unsigned index) const;
    enum class Fallback
    {
        None,
        First
    };
    std::optional<std::uint32_t> resourceChild(std::uint64_t root, std::uint32_t dirOffset,
                                               std::optional<std::uint32_t> preferredId,
                                               Fallback fallback, bool wantDirectory) const;

    ByteReader m_reader;
    bool m_valid = false;
    bool m_is64 = false;
    std::uint16_t m_characteristics = 0;
    std::uint64_t m_imageBase = 0;
    std::uint64_t m_directoriesOffset = 0;
    std::uint32_t m_directoryCount = 0;
    std::uint64_t m_sectionsOffset = 0;
    std::uint16_t m_sectionCount = 0;
};

} // namespace veridon
