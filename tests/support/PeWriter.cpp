#include "support/PeWriter.h"

#include <QtEndian>

namespace veridon::test {
namespace {

void put16(QByteArray& bytes, qsizetype at, std::uint16_t value)
{
    qToLittleEndian(value, bytes.data() + at);
}
void put32(QByteArray& bytes, qsizetype at, std::uint32_t value)
{
    qToLittleEndian(value, bytes.data() + at);
}
void put64(QByteArray& bytes, qsizetype at, std::uint64_t value)
{
    qToLittleEndian(value, bytes.data() + at);
}
void append16(QByteArray& bytes, std::uint16_t value)
{
    bytes.append(char(value & 0xff)).append(char(value >> 8));
}
void append32(QByteArray& bytes, std::uint32_t value)
{
    append16(bytes, std::uint16_t(value & 0xffff));
    append16(bytes, std::uint16_t(value >> 16));
}
void pad4(QByteArray& bytes)
{
    while (bytes.size() % 4)
        bytes.append('\0');
}
QByteArray utf16z(const QString& text)
{
    QByteArray bytes;
    for (QChar c : text)
        append16(bytes, c.unicode());
    append16(bytes, 0);
    return bytes;
}

// One VS_VERSIONINFO node: wLength, wValueLength, wType, key, padding, value,
// padding, children (each starting on a 4-byte boundary).
QByteArray block(const QString& key, const QByteArray& value, std::uint16_t valueLength,
                 std::uint16_t type, const std::vector<QByteArray>& children)
{
    QByteArray bytes(6, '\0');
    bytes.append(utf16z(key));
    pad4(bytes);
    bytes.append(value);
    for (const QByteArray& child : children) {
        pad4(bytes);
        bytes.append(child);
    }
    put16(bytes, 0, std::uint16_t(bytes.size()));
    put16(bytes, 2, valueLength);
    put16(bytes, 4, type);
    return bytes;
}

QByteArray textBlock(const QString& key, const QString& value)
{
    return block(key, utf16z(value), std::uint16_t(value.size() + 1), 1, {});
}

std::uint32_t alignUp(std::uint32_t value, std::uint32_t alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

} // namespace

VersionResource versionWith(std::vector<std::pair<QString, QString>> values)
{
    VersionResource version;
    version.tables.push_back({QStringLiteral("040904b0"), std::move(values)});
    return version;
}

QByteArray versionResourceBytes(const VersionResource& version)
{
    QByteArray fixed;
    append32(fixed, 0xFEEF04BD);
    for (std::uint32_t word : version.fixed)
        append32(fixed, word);

    std::vector<QByteArray> tables;
    for (const VersionTable& table : version.tables) {
        std::vector<QByteArray> strings;
        for (const auto& [key, value] : table.values)
            strings.push_back(textBlock(key, value));
        tables.push_back(block(table.key, {}, 0, 1, strings));
    }
    QByteArray translations;
    for (const auto& [language, codePage] : version.translations) {
        append16(translations, language);
        append16(translations, codePage);
    }
    const QByteArray var = block(QStringLiteral("Translation"), translations,
                                 std::uint16_t(translations.size()), 0, {});
    return block(QStringLiteral("VS_VERSION_INFO"), fixed, std::uint16_t(fixed.size()), 0,
                 {block(QStringLiteral("StringFileInfo"), {}, 0, 1, tables),
                  block(QStringLiteral("VarFileInfo"), {}, 0, 1, {var})});
}

PeLayout writePe(const PeDescription& description)
{
    constexpr std::uint32_t kFileAlignment = 0x200, kSectionAlignment = 0x1000;
    constexpr std::uint32_t kPeOffset = 0x80;
    const bool wide = description.is64;
    const std::uint16_t optionalSize = wide ? 240 : 224;
    const std::uint16_t sectionCount = description.version ? 2 : 1;

    // Resource section: root -> type 16 -> id 1 -> language 0x409 -> data entry.
    QByteArray resources;
    const std::uint32_t resourceRva = 2 * kSectionAlignment;
    std::uint32_t versionSize = 0;
    if (description.version) {
        const QByteArray version = versionResourceBytes(*description.version);
        versionSize = std::uint32_t(version.size());
        resources = QByteArray(88, '\0');
        auto directory = [&](qsizetype at, std::uint32_t id, std::uint32_t target) {
            put16(resources, at + 14, 1);
            put32(resources, at + 16, id);
            put32(resources, at + 20, target);
        };
        directory(0, 16, 0x80000000u | 24);
        directory(24, 1, 0x80000000u | 48);
        directory(48, 0x409, 72);
        put32(resources, 72, resourceRva + 88);
        put32(resources, 76, versionSize);
        resources.append(version);
    }

    const std::uint32_t headersSize = kFileAlignment;
    const std::uint32_t textOffset = headersSize;
    const std::uint32_t resourceOffset = textOffset + kFileAlignment;
    const std::uint32_t resourceRawSize = alignUp(std::uint32_t(resources.size()), kFileAlignment);
    const std::uint32_t imageSize =
        kSectionAlignment * 2 + alignUp(std::uint32_t(resources.size()), kSectionAlignment);

    QByteArray bytes(resourceOffset + resourceRawSize, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    put32(bytes, 60, kPeOffset);
    bytes.replace(kPeOffset, 4, QByteArray("PE\0\0", 4));
    const qsizetype coff = kPeOffset + 4;
    put16(bytes, coff, wide ? 0x8664 : 0x14c);
    put16(bytes, coff + 2, sectionCount);
    put16(bytes, coff + 16, optionalSize);
    std::uint16_t characteristics = wide ? 0x0022 : 0x0102;
    if (description.dll)
        characteristics |= 0x2000;
    put16(bytes, coff + 18, characteristics);

    const qsizetype optional = coff + 20;
    put16(bytes, optional, wide ? 0x20b : 0x10b);
    bytes[optional + 2] = 14;
    put32(bytes, optional + 4, kFileAlignment);
    put32(bytes, optional + 8, resourceRawSize);
    put32(bytes, optional + 16, kSectionAlignment); // entry point
    put32(bytes, optional + 20, kSectionAlignment); // base of code
    const std::uint64_t imageBase =
        description.imageBase.value_or(wide ? 0x140000000ull : 0x400000ull);
    if (wide) {
        put64(bytes, optional + 24, imageBase);
    } else {
        put32(bytes, optional + 24, resourceRva);
        put32(bytes, optional + 28, std::uint32_t(imageBase));
    }
    put32(bytes, optional + 32, kSectionAlignment);
    put32(bytes, optional + 36, kFileAlignment);
    put16(bytes, optional + 40, 6);
    put16(bytes, optional + 48, 6);
    put32(bytes, optional + 56, imageSize);
    put32(bytes, optional + 60, headersSize);
    put16(bytes, optional + 68, 3); // console subsystem
    const qsizetype stack = optional + 72;
    if (wide) {
        put64(bytes, stack, 0x100000);
        put64(bytes, stack + 8, 0x1000);
        put64(bytes, stack + 16, 0x100000);
        put64(bytes, stack + 24, 0x1000);
        put32(bytes, optional + 108, 16);
    } else {
        put32(bytes, stack, 0x100000);
        put32(bytes, stack + 4, 0x1000);
        put32(bytes, stack + 8, 0x100000);
        put32(bytes, stack + 12, 0x1000);
        put32(bytes, optional + 92, 16);
    }
    const qsizetype directories = optional + (wide ? 112 : 96);
    if (description.version) {
        put32(bytes, directories + 2 * 8, resourceRva);
        put32(bytes, directories + 2 * 8 + 4, std::uint32_t(resources.size()));
    }

    auto section = [&](int index, const char* name, std::uint32_t virtualSize, std::uint32_t rva,
                       std::uint32_t rawSize, std::uint32_t rawOffset, std::uint32_t flags) {
        const qsizetype at = optional + optionalSize + index * 40;
        bytes.replace(at, qsizetype(qstrlen(name)), name);
        put32(bytes, at + 8, virtualSize);
        put32(bytes, at + 12, rva);
        put32(bytes, at + 16, rawSize);
        put32(bytes, at + 20, rawOffset);
        put32(bytes, at + 36, flags);
    };
    section(0, ".text", 2, kSectionAlignment, kFileAlignment, textOffset, 0x60000020);
    // The code is a jump to itself: an image that stays alive when a test runs it.
    bytes[textOffset] = char(0xEB);
    bytes[textOffset + 1] = char(0xFE);
    if (description.version) {
        section(1, ".rsrc", std::uint32_t(resources.size()), resourceRva, resourceRawSize,
                resourceOffset, 0x40000040);
        bytes.replace(resourceOffset, resources.size(), resources);
    }

    PeLayout layout;
    layout.bytes = bytes;
    layout.peOffset = kPeOffset;
    layout.dataDirectoriesOffset = std::uint32_t(directories);
    if (description.version) {
        layout.resourceOffset = resourceOffset;
        layout.versionOffset = resourceOffset + 88;
        layout.versionSize = versionSize;
    }
    return layout;
}

} // namespace veridon::test
