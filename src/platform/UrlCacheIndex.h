#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace veridon {

// One index.dat file of a WinINet cache container, held in memory: its URL
// records and the removal of one, changed exactly as WinINet changes the file
// (the hash entry marked deleted, the record's blocks freed in the allocation
// bitmap, the block and usage counters lowered). Both Wine's signature ("WINE
// URLCache Ver 0.2012001") and Windows' ("Client UrlCache MMF Ver 5.2") are read;
// the layout is the same. Sizes and offsets are checked before use: a damaged
// file yields the records that are sound, never a read outside the buffer.
class UrlCacheIndex
{
public:
    struct Record
    {
        QString url;
        QString fileName;  // local file name, empty when none
        QString subfolder; // cache subfolder of the local file, empty when none
        quint32 type = 0;
        quint64 size = 0;
        quint32 hashEntry = 0; // file offset of its hash-table entry
        quint32 offset = 0;    // file offset of the record
        quint32 blocks = 0;
    };

    // Nothing when the bytes are not an index file.
    static std::optional<UrlCacheIndex> parse(QByteArray bytes);

    const std::vector<Record>& records() const { return m_records; }
    const QByteArray& bytes() const { return m_bytes; }

    // Removes the first record whose URL equals `url` exactly; the removed record
    // is returned.
    std::optional<Record> remove(const QString& url);

private:
    explicit UrlCacheIndex(QByteArray bytes) : m_bytes(std::move(bytes)) {}
    void readRecords();

    QByteArray m_bytes;
    std::vector<Record> m_records;
};

} // namespace veridon
