#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace veridon {

// One member's record in the archive registry: 550 bytes on disk (532 in the
// old format 1). Names are length-prefixed strings in the Windows code page.
struct ArchiveEntry
{
    static constexpr int kSize = 550;
    static constexpr int kSizeV1 = 532;

    enum Method : std::uint8_t { Compressed = 0, Stored = 1, CompressedEncrypted = 2, StoredEncrypted = 3 };

    QString MemberName;
    QString MemberPath; // folder without drive, ending in "\"; empty unless paths are saved
    qint64 ContentSize = 0;
    qint64 CompressedSize = 0;
    qint64 EncryptedSize = 0;
    qint64 DataOffset = 0;
    std::uint32_t MemberCRC = 0;
    std::uint8_t StorageMethod = Stored;
    std::uint8_t LevelUsed = 0;

    // Length of the member's data block in the data area.
    qint64 blockSize() const
    {
        return EncryptedSize > 0 ? EncryptedSize : CompressedSize > 0 ? CompressedSize : ContentSize;
    }
    QString fullName() const { return MemberPath + MemberName; }
    bool encrypted() const
    {
        return StorageMethod == CompressedEncrypted || StorageMethod == StoredEncrypted;
    }

    void writeTo(char* record) const; // kSize bytes
    static ArchiveEntry readFrom(const char* record, bool formatV1);
};

} // namespace veridon
