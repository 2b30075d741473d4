#include "platform/VersionInfo.h"

#include "platform/ByteReader.h"
#include "platform/PeImage.h"

namespace veridon {
namespace {

constexpr std::uint32_t kFixedSignature = 0xFEEF04BD;
constexpr std::uint16_t kTextValue = 1;

std::uint64_t align4(std::uint64_t offset)
{
    return (offset + 3) & ~std::uint64_t(3);
}

// One node of the VS_VERSIONINFO tree: wLength, wValueLength, wType, the key,
// padding, the value, padding, the children. Offsets are within the resource.
struct Block
{
    QString key;
    std::uint16_t valueLength = 0;
    std::uint16_t type = 0;
    std::uint64_t valueOffset = 0;
    std::uint64_t childrenOffset = 0;
    std::uint64_t end = 0;
};

std::optional<Block> readBlock(const ByteReader& reader, std::uint64_t offset, std::uint64_t limit)
{
    std::uint16_t length = 0;
    Block block;
    if (offset + 6 > limit || !reader.u16(offset, length) ||
        !reader.u16(offset + 2, block.valueLength) || !reader.u16(offset + 4, block.type) ||
        length < 6)
        return std::nullopt;
    block.end = std::min<std::uint64_t>(offset + length, limit);
    std::uint64_t at = offset + 6;
    for (;;) {
        std::uint16_t unit = 0;
        if (at + 2 > block.end || !reader.u16(at, unit))
            return std::nullopt; // a key without its terminator
        at += 2;
        if (unit == 0)
            break;
        block.key.append(QChar(unit));
    }
    block.valueOffset = std::min(align4(at), block.end);
    const std::uint64_t valueBytes =
        block.type == kTextValue ? std::uint64_t(block.valueLength) * 2 : block.valueLength;
    block.childrenOffset = std::min(align4(block.valueOffset + valueBytes), block.end);
    return block;
}

// Calls `visit` for each child until it answers true; a child of length zero
// ends the walk (it cannot advance).
template <typename Visit>
void forEachChild(const ByteReader& reader, const Block& parent, Visit visit)
{
    std::uint64_t at = parent.childrenOffset;
    while (at + 6 <= parent.end) {
        std::uint16_t length = 0;
        if (!reader.u16(at, length) || length < 6)
            return;
        const std::optional<Block> child = readBlock(reader, at, parent.end);
        if (child && visit(*child))
            return;
        at = align4(at + length);
    }
}

std::optional<Block> findChild(const ByteReader& reader, const Block& parent, QStringView key)
{
    std::optional<Block> found;
    forEachChild(reader, parent, [&](const Block& child) {
        if (child.key.compare(key, Qt::CaseInsensitive) != 0)
            return false;
        found = child;
        return true;
    });
    return found;
}

// A string value ends at its terminator or at the end of its block; the stored
// length is not trusted (some linkers write it in bytes).
QString textValue(const ByteReader& reader, const Block& block)
{
    QString text;
    if (block.valueLength == 0)
        return text;
    for (std::uint64_t at = block.valueOffset; at + 2 <= block.end; at += 2) {
        std::uint16_t unit = 0;
        if (!reader.u16(at, unit) || unit == 0)
            break;
        text.append(QChar(unit));
    }
    return text;
}

} // namespace

QString VersionInfo::text(int index) const
{
    switch (index) {
    case 0:
        return comments;
    case 1:
        return companyName;
    case 2:
        return fileDescription;
    case 3:
        return fileVersion;
    case 4:
        return internalName;
    case 5:
        return legalCopyright;
    case 6:
        return legalTrademarks;
    case 7:
        return originalFileName;
    case 8:
        return productName;
    case 9:
        return productVersion;
    case 10:
        return extra;
    default:
        return {};
    }
}

std::optional<VersionInfo> parseVersionResource(std::span<const std::uint8_t> resource,
                                                QStringView extraName)
{
    const ByteReader reader(resource);
    const std::optional<Block> root = readBlock(reader, 0, resource.size());
    if (!root || root->key != QLatin1String("VS_VERSION_INFO"))
        return std::nullopt;

    VersionInfo info;
    std::uint32_t signature = 0;
    if (root->valueLength >= 52 && reader.fits(root->valueOffset, 52) &&
        reader.u32(root->valueOffset, signature) && signature == kFixedSignature) {
        for (std::size_t i = 0; i < info.fixed.size(); ++i)
            reader.u32(root->valueOffset + 4 * i, info.fixed[i]);
    }

    // The first language and code page pair names the string table to read.
    std::optional<QString> tableKey;
    if (const auto varInfo = findChild(reader, *root, u"VarFileInfo")) {
        if (const auto translation = findChild(reader, *varInfo, u"Translation")) {
            std::uint16_t language = 0, codePage = 0;
            if (translation->valueLength >= 4 && translation->valueOffset + 4 <= translation->end &&
                reader.u16(translation->valueOffset, language) &&
                reader.u16(translation->valueOffset + 2, codePage))
                tableKey = QStringLiteral("%1%2")
                               .arg(language, 4, 16, QLatin1Char('0'))
                               .arg(codePage, 4, 16, QLatin1Char('0'));
        }
    }
    if (!tableKey)
        return info;
    const auto stringInfo = findChild(reader, *root, u"StringFileInfo");
    if (!stringInfo)
        return info;
    const auto table = findChild(reader, *stringInfo, *tableKey);
    if (!table)
        return info;

    struct Slot
    {
        QStringView key;
        QString VersionInfo::*field;
    };
    const Slot slots[] = {
        {u"CompanyName", &VersionInfo::companyName},
        {u"FileDescription", &VersionInfo::fileDescription},
        {u"FileVersion", &VersionInfo::fileVersion},
        {u"InternalName", &VersionInfo::internalName},
        {u"LegalCopyright", &VersionInfo::legalCopyright},
        {u"LegalTrademarks", &VersionInfo::legalTrademarks},
        {u"OriginalFileName", &VersionInfo::originalFileName},
        {u"ProductName", &VersionInfo::productName},
        {u"ProductVersion", &VersionInfo::productVersion},
        {u"Comments", &VersionInfo::comments},
    };
    bool extraFound = extraName.isEmpty();
    forEachChild(reader, *table, [&](const Block& value) {
        for (const Slot& slot : slots) {
            QString& field = info.*(slot.field);
            if (field.isNull() && value.key.compare(slot.key, Qt::CaseInsensitive) == 0)
                field = textValue(reader, value);
        }
        if (!extraFound && value.key.compare(extraName, Qt::CaseInsensitive) == 0) {
            info.extra = textValue(reader, value);
            extraFound = true;
        }
        return false;
    });
    return info;
}

std::optional<VersionInfo> readVersionInfo(std::span<const std::uint8_t> image,
                                           QStringView extraName)
{
    const PeImage pe(image);
    const auto resource = pe.versionResource();
    if (!resource)
        return std::nullopt;
    return parseVersionResource(*resource, extraName);
}

QStringList versionTexts(const std::optional<VersionInfo>& info)
{
    QStringList texts;
    texts.reserve(kVersionTextCount);
    for (int i = 0; i < kVersionTextCount; ++i)
        texts.append(info ? info->text(i).trimmed().toUpper() : QStringLiteral("Unknown"));
    return texts;
}

QString versionText(const std::optional<VersionInfo>& info, int index)
{
    return info ? info->text(index) : QStringLiteral("Unknown");
}

} // namespace veridon
