#include "platform/PeImage.h"

#include <algorithm>

namespace veridon {
namespace {

constexpr std::uint32_t kPeSignature = 0x00004550; // "PE\0\0"
constexpr std::uint16_t kMagicPe32 = 0x10b;
constexpr std::uint16_t kMagicPe32Plus = 0x20b;
constexpr unsigned kResourceDirectory = 2;
constexpr unsigned kSecurityDirectory = 4;
constexpr std::uint32_t kRtVersion = 16;
constexpr std::uint16_t kWinCertTypePkcsSignedData = 2;
constexpr std::uint32_t kHighBit = 0x80000000u;

} // namespace

PeImage::PeImage(std::span<const std::uint8_t> bytes) : m_reader(bytes)
{
    std::uint16_t mz = 0;
    std::uint32_t peOffset = 0, signature = 0;
    if (!m_reader.u16(0, mz) || mz != 0x5A4D || !m_reader.u32(60, peOffset) ||
        !m_reader.u32(peOffset, signature) || signature != kPeSignature)
        return;
    const std::uint64_t coff = std::uint64_t(peOffset) + 4;
    std::uint16_t sectionCount = 0, optionalSize = 0, magic = 0;
    if (!m_reader.u16(coff + 2, sectionCount) || !m_reader.u16(coff + 16, optionalSize) ||
        !m_reader.u16(coff + 18, m_characteristics))
        return;
    const std::uint64_t optional = coff + 20;
    if (!m_reader.fits(optional, optionalSize) || !m_reader.u16(optional, magic))
        return;
    std::uint32_t directoryCount = 0;
    if (magic == kMagicPe32) {
        std::uint32_t base = 0;
        if (!m_reader.u32(optional + 28, base) || !m_reader.u32(optional + 92, directoryCount))
            return;
        m_imageBase = base;
        m_directoriesOffset = optional + 96;
    } else if (magic == kMagicPe32Plus) {
        m_is64 = true;
        if (!m_reader.u64(optional + 24, m_imageBase) ||
            !m_reader.u32(optional + 108, directoryCount))
            return;
        m_directoriesOffset = optional + 112;
    } else {
        return;
    }
    // Only the directories that lie inside the declared optional header count.
    const std::uint64_t optionalEnd = optional + optionalSize;
    const std::uint64_t room =
        optionalEnd > m_directoriesOffset ? (optionalEnd - m_directoriesOffset) / 8 : 0;
    m_directoryCount =
        static_cast<std::uint32_t>(std::min<std::uint64_t>({directoryCount, 16, room}));
    m_sectionsOffset = optionalEnd;
    const std::uint64_t sectionsRoom =
        m_reader.size() > m_sectionsOffset ? (m_reader.size() - m_sectionsOffset) / 40 : 0;
    m_sectionCount =
        static_cast<std::uint16_t>(std::min<std::uint64_t>(sectionCount, sectionsRoom));
    m_valid = true;
}

bool PeImage::hasPeSignature(std::span<const std::uint8_t> bytes)
{
    const ByteReader reader(bytes);
    std::uint16_t mz = 0;
    std::uint32_t peOffset = 0, signature = 0;
    return bytes.size() >= 200 && reader.u16(0, mz) && mz == 0x5A4D && reader.u32(60, peOffset) &&
           reader.fits(peOffset, 248) && reader.u32(peOffset, signature) &&
           signature == kPeSignature;
}

PeImage::Directory PeImage::directory(unsigned index) const
{
    Directory result;
    if (!m_valid || index >= m_directoryCount)
        return result;
    const std::uint64_t at = m_directoriesOffset + std::uint64_t(index) * 8;
    if (!m_reader.u32(at, result.address) || !m_reader.u32(at + 4, result.size))
        return {};
    return result;
}

std::optional<std::uint64_t> PeImage::rvaToOffset(std::uint32_t rva, std::uint32_t length) const
{
    for (std::uint16_t i = 0; i < m_sectionCount; ++i) {
        const std::uint64_t header = m_sectionsOffset + std::uint64_t(i) * 40;
        std::uint32_t virtualSize = 0, virtualAddress = 0, rawSize = 0, rawPointer = 0;
        if (!m_reader.u32(header + 8, virtualSize) || !m_reader.u32(header + 12, virtualAddress) ||
            !m_reader.u32(header + 16, rawSize) || !m_reader.u32(header + 20, rawPointer))
            return std::nullopt;
        const std::uint64_t span = std::max(virtualSize, rawSize);
        if (rva < virtualAddress || rva - virtualAddress >= span)
            continue;
        const std::uint64_t delta = rva - virtualAddress;
        if (delta + length > rawSize)
            return std::nullopt;
        const std::uint64_t offset = std::uint64_t(rawPointer) + delta;
        if (!m_reader.fits(offset, length))
            return std::nullopt;
        return offset;
    }
    return std::nullopt;
}

// The offset (relative to the resource root) that an entry of the directory at
// `dirOffset` points to: the entry with `preferredId` when there is one, else the
// first entry when `fallback` allows. Named entries never match an id.
std::optional<std::uint32_t> PeImage::resourceChild(std::uint64_t root, std::uint32_t dirOffset,
                                                    std::optional<std::uint32_t> preferredId,
                                                    Fallback fallback, bool wantDirectory) const
{
    const std::uint64_t dir = root + dirOffset;
    std::uint16_t named = 0, ids = 0;
    if (!m_reader.u16(dir + 12, named) || !m_reader.u16(dir + 14, ids))
        return std::nullopt;
    const std::uint32_t count = std::uint32_t(named) + ids;
    std::optional<std::uint32_t> first;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t name = 0, target = 0;
        const std::uint64_t entry = dir + 16 + std::uint64_t(i) * 8;
        if (!m_reader.u32(entry, name) || !m_reader.u32(entry + 4, target))
            break;
        if (((target & kHighBit) != 0) != wantDirectory)
            continue;
        const std::uint32_t offset = target & ~kHighBit;
        if (!preferredId)
            return offset;
        if ((name & kHighBit) == 0 && name == *preferredId)
            return offset;
        if (!first)
            first = offset;
    }
    return fallback == Fallback::First ? first : std::nullopt;
}

std::optional<std::span<const std::uint8_t>> PeImage::versionResource() const
{
    const Directory resources = directory(kResourceDirectory);
    if (resources.address == 0)
        return std::nullopt;
    const std::optional<std::uint64_t> root = rvaToOffset(resources.address, 16);
    if (!root)
        return std::nullopt;
    // Type, then name (VS_VERSION_INFO is id 1), then language: three fixed steps,
    // so a resource tree that points back at itself cannot make this loop.
    const auto typeDir = resourceChild(*root, 0, kRtVersion, Fallback::None, true);
    if (!typeDir)
        return std::nullopt;
    const auto nameDir = resourceChild(*root, *typeDir, 1u, Fallback::First, true);
    if (!nameDir)
        return std::nullopt;
    const auto leaf = resourceChild(*root, *nameDir, std::nullopt, Fallback::First, false);
    if (!leaf)
        return std::nullopt;
    std::uint32_t dataRva = 0, dataSize = 0;
    if (!m_reader.u32(*root + *leaf, dataRva) || !m_reader.u32(*root + *leaf + 4, dataSize))
        return std::nullopt;
    const std::optional<std::uint64_t> data = rvaToOffset(dataRva, dataSize);
    if (!data || dataSize == 0)
        return std::nullopt;
    return m_reader.slice(*data, dataSize);
}

std::optional<std::span<const std::uint8_t>> PeImage::authenticodeSignature() const
{
    // The security directory holds a file offset, not an address.
    const Directory security = directory(kSecurityDirectory);
    if (security.address == 0 || security.size < 8 ||
        !m_reader.fits(security.address, security.size))
        return std::nullopt;
    const std::uint64_t end = std::uint64_t(security.address) + security.size;
    std::uint64_t at = security.address;
    while (at + 8 <= end) {
        std::uint32_t length = 0;
        std::uint16_t revision = 0, type = 0;
        if (!m_reader.u32(at, length) || !m_reader.u16(at + 4, revision) ||
            !m_reader.u16(at + 6, type) || length < 8 || length > end - at)
            return std::nullopt;
        if (type == kWinCertTypePkcsSignedData)
            return m_reader.slice(at + 8, length - 8);
        at += (std::uint64_t(length) + 7) & ~std::uint64_t(7);
    }
    return std::nullopt;
}

} // namespace veridon
