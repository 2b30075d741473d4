#include "platform/UrlCacheIndex.h"

#include "platform/ByteReader.h"

#include <QtEndian>
#include <set>

namespace veridon {
namespace {

constexpr quint32 kHeaderSize = 0x4000; // blocks are counted from here
constexpr quint32 kBlockSize = 0x80;
constexpr quint32 kHashTableAt = 0x20;
constexpr quint32 kCapacityAt = 0x24;
constexpr quint32 kBlocksUsedAt = 0x28;
constexpr quint32 kUsageAt = 0x38;
constexpr quint32 kDirectoryCountAt = 0x48;
constexpr quint32 kDirectoriesAt = 0x4c;
constexpr quint32 kBitmapAt = 0x250;
constexpr quint32 kMaxDirectories = 32;
constexpr quint32 kMaxHashTables = 256;
// Low six bits of a hash key: what the entry is.
constexpr quint32 kHashFlagBits = 0x3f;
constexpr quint32 kHashDeleted = 1;
constexpr quint32 kHashFree = 3;

std::span<const std::uint8_t> view(const QByteArray& bytes)
{
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            static_cast<std::size_t>(bytes.size())};
}

// A NUL-terminated byte string at `at`, read no further than `end`.
std::optional<QString> cString(const QByteArray& bytes, quint64 at, quint64 end)
{
    if (at >= end || end > quint64(bytes.size()))
        return std::nullopt;
    const qsizetype stop = bytes.indexOf('\0', qsizetype(at));
    if (stop < 0 || quint64(stop) >= end)
        return std::nullopt;
    return QString::fromLatin1(bytes.constData() + at, stop - qsizetype(at));
}

} // namespace

std::optional<UrlCacheIndex> UrlCacheIndex::parse(QByteArray bytes)
{
    if (!bytes.startsWith("WINE URLCache Ver ") && !bytes.startsWith("Client UrlCache MMF Ver "))
        return std::nullopt;
    if (bytes.size() < qsizetype(kHeaderSize))
        return std::nullopt;
    UrlCacheIndex index(std::move(bytes));
    index.readRecords();
    return index;
}

void UrlCacheIndex::readRecords()
{
    const ByteReader reader(view(m_bytes));
    std::vector<QString> subfolders;
    quint32 directories = 0;
    reader.u32(kDirectoryCountAt, directories);
    for (quint32 i = 0; i < std::min(directories, kMaxDirectories); ++i) {
        const auto name = reader.slice(kDirectoriesAt + i * 12 + 4, 8);
        subfolders.push_back(name.empty()
                                 ? QString()
                                 : QString::fromLatin1(reinterpret_cast<const char*>(name.data()),
                                                       qsizetype(name.size())));
    }

    std::set<quint32> seen;
    quint32 table = 0;
    reader.u32(kHashTableAt, table);
    while (table >= kHeaderSize && seen.size() < kMaxHashTables && seen.insert(table).second) {
        quint32 signature = 0, blocks = 0, next = 0;
        if (!reader.u32(table, signature) || signature != 0x48534148 /* "HASH" */ ||
            !reader.u32(table + 4, blocks) || !reader.u32(table + 8, next))
            break;
        const quint64 end =
            std::min<quint64>(quint64(table) + quint64(blocks) * kBlockSize, reader.size());
        for (quint64 entry = quint64(table) + 16; entry + 8 <= end; entry += 8) {
            quint32 key = 0, offset = 0;
            reader.u32(entry, key);
            reader.u32(entry + 4, offset);
            const quint32 flags = key & kHashFlagBits;
            if (key == kHashFree || flags == kHashDeleted || flags == kHashFree ||
                offset < kHeaderSize || (offset - kHeaderSize) % kBlockSize != 0)
                continue;
            quint32 recordSignature = 0, recordBlocks = 0;
            if (!reader.u32(offset, recordSignature) ||
                recordSignature != 0x204c5255 /* "URL " */ ||
                !reader.u32(offset + 4, recordBlocks) || recordBlocks == 0)
                continue;
            const quint64 recordEnd = std::min<quint64>(
                quint64(offset) + quint64(recordBlocks) * kBlockSize, reader.size());
            quint32 urlAt = 0, fileAt = 0, type = 0;
            std::uint64_t size = 0;
            std::uint8_t dirIndex = 0xfe;
            if (!reader.u32(offset + 0x34, urlAt) || !reader.u32(offset + 0x3c, fileAt) ||
                !reader.u32(offset + 0x40, type) || !reader.u64(offset + 0x20, size) ||
                !reader.fits(offset + 0x38, 1))
                continue;
            dirIndex = reader.bytes()[offset + 0x38];
            const auto url = cString(m_bytes, quint64(offset) + urlAt, recordEnd);
            if (!url || url->isEmpty())
                continue;
            Record record;
            record.url = *url;
            if (fileAt != 0)
                record.fileName =
                    cString(m_bytes, quint64(offset) + fileAt, recordEnd).value_or(QString());
            if (dirIndex < subfolders.size())
                record.subfolder = subfolders[dirIndex];
            record.type = type;
            record.size = size;
            record.hashEntry = quint32(entry);
            record.offset = offset;
            record.blocks = recordBlocks;
            m_records.push_back(std::move(record));
        }
        table = next;
    }
}

std::optional<UrlCacheIndex::Record> UrlCacheIndex::remove(const QString& url)
{
    for (auto it = m_records.begin(); it != m_records.end(); ++it) {
        if (it->url != url)
            continue;
        const Record record = *it;
        char* data = m_bytes.data();
        // The hash entry keeps its offset and is marked deleted, as WinINet does.
        qToLittleEndian<quint32>(kHashDeleted, data + record.hashEntry);
        const quint32 capacity = qFromLittleEndian<quint32>(data + kCapacityAt);
        const quint32 first = (record.offset - kHeaderSize) / kBlockSize;
        quint32 freed = 0;
        for (quint32 block = first; block < first + record.blocks && block < capacity; ++block) {
            const quint32 byte = kBitmapAt + block / 8;
            if (byte >= kHeaderSize)
                break;
            const char mask = char(1 << (block % 8));
            if (data[byte] & mask) {
                data[byte] = char(data[byte] & ~mask);
                ++freed;
            }
        }
        const quint32 used = qFromLittleEndian<quint32>(data + kBlocksUsedAt);
        qToLittleEndian<quint32>(used >= freed ? used - freed : 0, data + kBlocksUsedAt);
        const quint64 usage = qFromLittleEndian<quint64>(data + kUsageAt);
        qToLittleEndian<quint64>(usage >= record.size ? usage - record.size : 0, data + kUsageAt);
        m_records.erase(it);
        return record;
    }
    return std::nullopt;
}

} // namespace veridon
