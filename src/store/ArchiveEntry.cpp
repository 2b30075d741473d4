#include "store/ArchiveEntry.h"

#include "store/TextCodec.h"

#include <cstring>

namespace veridon {
namespace {

template <typename T> T readLe(const char* p)
{
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        v |= std::uint64_t(static_cast<unsigned char>(p[i])) << (8 * i);
    return static_cast<T>(v);
}

template <typename T> void writeLe(char* p, T value)
{
    const auto v = static_cast<std::uint64_t>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i)
        p[i] = char((v >> (8 * i)) & 0xFF);
}

QString readShortString(const char* p)
{
    const int length = static_cast<unsigned char>(p[0]);
    return decodeWindows1252(QByteArray(p + 1, length));
}

void writeShortString(char* p, const QString& text)
{
    QByteArray bytes = encodeWindows1252(text).left(255);
    p[0] = char(bytes.size());
    std::memcpy(p + 1, bytes.constData(), std::size_t(bytes.size()));
}

} // namespace

void ArchiveEntry::writeTo(char* record) const
{
    std::memset(record, 0, kSize);
    writeShortString(record, MemberName);
    writeShortString(record + 256, MemberPath);
    writeLe<std::int64_t>(record + 512, ContentSize);
    writeLe<std::int64_t>(record + 520, CompressedSize);
    writeLe<std::int64_t>(record + 528, EncryptedSize);
    writeLe<std::int64_t>(record + 536, DataOffset);
    writeLe<std::uint32_t>(record + 544, MemberCRC);
    record[548] = char(StorageMethod);
    record[549] = char(LevelUsed);
}

ArchiveEntry ArchiveEntry::readFrom(const char* record, bool formatV1)
{
    ArchiveEntry e;
    e.MemberName = readShortString(record);
    e.MemberPath = readShortString(record + 256);
    if (formatV1) {
        e.ContentSize = readLe<std::int32_t>(record + 512);
        e.CompressedSize = readLe<std::int32_t>(record + 516);
        e.DataOffset = readLe<std::int32_t>(record + 520);
        e.MemberCRC = readLe<std::uint32_t>(record + 524);
        e.StorageMethod = std::uint8_t(record[528]);
        e.LevelUsed = std::uint8_t(record[529]);
    } else {
        e.ContentSize = readLe<std::int64_t>(record + 512);
        e.CompressedSize = readLe<std::int64_t>(record + 520);
        e.EncryptedSize = readLe<std::int64_t>(record + 528);
        e.DataOffset = readLe<std::int64_t>(record + 536);
        e.MemberCRC = readLe<std::uint32_t>(record + 544);
        e.StorageMethod = std::uint8_t(record[548]);
        e.LevelUsed = std::uint8_t(record[549]);
    }
    return e;
}

} // namespace veridon
