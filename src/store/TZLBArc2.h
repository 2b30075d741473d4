#pragma once

#include "store/ArchiveEntry.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

class QFile;
class QIODevice;

namespace veridon {

enum TFileCompressionLevel { fcNone, fcFastest, fcDefault, fcMaximum };

// The last 36 bytes of an archive (format 2 field order; format 1 is read into
// the same fields).
struct ArchiveTail
{
    static constexpr int kSize = 36;

    qint64 RegistryOffset = 0; // from the base; equals the data area's size
    std::uint32_t ArchiveCRC = 0;
    std::uint32_t EntryCount = 0;
    std::uint32_t FormatVersion = 0;
    std::uint32_t RegistrySize = 0;
    std::uint8_t RegistryCompressed = 0;
};

// The archive container of the definition archives, the quarantine and other
// small data files: an optional prefix, the members' data blocks back to back,
// a zlib-compressed registry of 550-byte entries and a 36-byte tail. Members are
// deflated when that makes them smaller and optionally encrypted through the
// OnEncryptStream / OnDecryptStream handlers (see ZLBCipher).
//
// The archive file is never held open between calls. Every change rewrites the
// whole file into a temporary file in the archive's own folder and renames it
// over the old one, so a crash leaves either the old or the new archive.
// Every size and offset read from a file is checked against the file before it
// is used: a damaged or hostile archive raises EZLBArchive, never more.
class TZLBArc2
{
public:
    TZLBArc2();
    ~TZLBArc2();
    TZLBArc2(const TZLBArc2&) = delete;
    TZLBArc2& operator=(const TZLBArc2&) = delete;

    // Published properties.
    int MaxMemoryUsage = 20; // MiB: larger sources are compressed through a temporary file
    TFileCompressionLevel CompressionLevel = fcDefault;
    bool ExtractWithPath = false;
    bool VerifyArchiveCRC = true;
    bool VerifyFileCRC = false;
    bool SavePaths = false;
    bool RecursePaths = false;
    QString Password;
    QString TempDirectory; // empty: the system temporary folder

    // Events; each may stay unassigned.
    std::function<void()> OnArchiveOpened;
    std::function<void(QString& path, QString& name)> OnFileAddUpdate;
    std::function<void(QIODevice& in, QIODevice& out, const QString& password)> OnEncryptStream;
    std::function<void(QIODevice& in, QIODevice& out, qint64 size, const QString& password)>
        OnDecryptStream;
    std::function<void(const QString& message, int percentage)> OnProgress;

    void OpenArchive(const QString& fileName);
    void CloseArchive();
    void CreateArchive(const QString& fileName);

    int Count() const;
    ArchiveEntry Entries(int index) const;
    const std::vector<ArchiveEntry>& entryList() const { return m_entries; }
    int IndexOf(const QString& name) const;

    // Writes the member's content at the stream's current position.
    void ExtractToStream(const QString& name, QIODevice& stream);
    // The member's content as one buffer: inflated straight into it, sized by
    // the member's checked content size. The fast path for definition tables.
    QByteArray ExtractToMemory(const QString& name);

    void AddFromStream(const QString& name, QIODevice& source, bool encrypt);
    void UpdateFromStream(const QString& name, QIODevice& source, bool encrypt);

    const QString& FileName() const { return m_fileName; }
    qint64 Base() const; // fails with "Unknown file position marker" before any open or create
    const ArchiveTail& Tail() const { return m_tail; }
    bool OldFormat() const { return m_oldFormat; }

    // zlib level for a compression level index.
    static int zlibLevel(TFileCompressionLevel level);

private:
    class Sink;
    class MemorySink;
    class StreamSink;

    void readArchive(QFile& file);
    int findForExtraction(const QString& name) const;
    void extractEntry(const ArchiveEntry& entry, Sink& sink, bool toMemory);
    void checkBlock(const ArchiveEntry& entry) const;
    void decode(const ArchiveEntry& entry, QIODevice& input, qint64 available, Sink& sink);
    void rewrite(int updateIndex, const QString& name, QIODevice& source, bool encrypt);
    void checkCanModify() const;
    void progress(const QString& message, qint64 done, qint64 total);
    void finished();

    QString m_fileName;
    ArchiveTail m_tail;
    std::vector<ArchiveEntry> m_entries;
    qint64 m_base = -1; // -1: unknown
    qint64 m_fileSize = 0;
    bool m_newArchive = false;
    bool m_oldFormat = false;
    int m_lastPercentage = -1;
    QString m_lastProgressText;
};

} // namespace veridon
