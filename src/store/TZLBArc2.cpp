#include "store/TZLBArc2.h"

#include "store/EZLBArchive.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>

namespace veridon {
namespace {

const QString kNotFound = QStringLiteral("Archive file not found");
const QString kCorrupted = QStringLiteral("The archive appears to be corrupted");
const QString kNotOpen = QStringLiteral("No archive is currently open");

// Deflate never expands data more than about 1032 times; a content size beyond
// that for its block cannot be true and is refused before anything is allocated.
constexpr qint64 kMaxInflateRatio = 1032;
constexpr qint64 kInflateSlack = 1024;
// The registry of a real archive holds a few hundred members at most; this cap
// keeps a hostile registry from making us hold millions of entries.
constexpr std::uint32_t kMaxEntries = 1u << 20;
constexpr qint64 kChunk = 64 * 1024;
constexpr qint64 kMaxArchiveSize = 0x7FFFFFFF;

[[noreturn]] void fail(const QString& message) { throw EZLBArchive(message); }

std::uint32_t readU32(const char* p)
{
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= std::uint32_t(static_cast<unsigned char>(p[i])) << (8 * i);
    return v;
}

qint64 readI64(const char* p)
{
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
        v |= std::uint64_t(static_cast<unsigned char>(p[i])) << (8 * i);
    return qint64(v);
}

void putU32(char* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = char((v >> (8 * i)) & 0xFF);
}

void putI64(char* p, qint64 value)
{
    const auto v = std::uint64_t(value);
    for (int i = 0; i < 8; ++i)
        p[i] = char((v >> (8 * i)) & 0xFF);
}

void writeAll(QIODevice& out, const char* data, qint64 size)
{
    if (size > 0 && out.write(data, size) != size)
        fail(QStringLiteral("Write error: %1").arg(out.errorString()));
}

// Reads exactly `size` bytes or fails: a short read means the file ended
// where its own fields promised more.
void readExactly(QIODevice& in, char* data, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const qint64 got = in.read(data + done, size - done);
        if (got <= 0)
            fail(kCorrupted);
        done += got;
    }
}

void copyBytes(QIODevice& in, QIODevice& out, qint64 size)
{
    std::vector<char> buffer(std::size_t(std::min(size, kChunk)) + 1);
    while (size > 0) {
        const qint64 n = std::min<qint64>(size, qint64(buffer.size()));
        readExactly(in, buffer.data(), n);
        writeAll(out, buffer.data(), n);
        size -= n;
    }
}

bool isSeparator(QChar c) { return c == u'\\' || c == u'/' || c == u':'; }

// Folder part (up to and including the last separator) and file part.
QString folderPart(const QString& name)
{
    for (qsizetype i = name.size() - 1; i >= 0; --i)
        if (isSeparator(name[i]))
            return name.left(i + 1);
    return {};
}

QString filePart(const QString& name) { return name.mid(folderPart(name).size()); }

QString withoutDrive(const QString& folder)
{
    const qsizetype colon = folder.indexOf(u':');
    return colon < 0 ? folder : folder.mid(colon + 1);
}

QString windowsFolder(QString folder) { return folder.replace(u'/', u'\\'); }

std::unique_ptr<QIODevice> makeIntermediate(bool inMemory, const QString& tempDirectory)
{
    if (inMemory) {
        auto buffer = std::make_unique<QBuffer>();
        buffer->open(QIODevice::ReadWrite);
        return buffer;
    }
    const QString dir = tempDirectory.isEmpty() ? QDir::tempPath() : tempDirectory;
    auto file = std::make_unique<QTemporaryFile>(QDir(dir).filePath(QStringLiteral("ZLBXXXXXX.tmp")));
    if (!file->open())
        fail(QStringLiteral("Cannot create a temporary file in %1").arg(dir));
    return file;
}

struct ZStream
{
    z_stream z{};
    bool inflating;
    explicit ZStream(bool inflate_, int level = Z_DEFAULT_COMPRESSION) : inflating(inflate_)
    {
        const int rc = inflating ? inflateInit(&z) : deflateInit(&z, level);
        if (rc != Z_OK)
            fail(QStringLiteral("zlib initialisation failed"));
    }
    ~ZStream()
    {
        if (inflating)
            inflateEnd(&z);
        else
            deflateEnd(&z);
    }
};

[[noreturn]] void inflateFailed(const z_stream& z)
{
    fail(QStringLiteral("Invalid compressed data (%1)")
             .arg(QString::fromLatin1(z.msg ? z.msg : "truncated stream")));
}

} // namespace

// Where extracted bytes go: a window of writable bytes, then how many were used.
class TZLBArc2::Sink
{
public:
    virtual ~Sink() = default;
    virtual char* window(qint64& length) = 0;
    virtual void commit(qint64 length) = 0;

    bool computeCrc = false; // only when the member CRC is to be checked
    std::uint32_t crc = 0;
    void account(const char* data, qint64 length)
    {
        if (computeCrc)
            crc = std::uint32_t(crc32_z(crc, reinterpret_cast<const Bytef*>(data), std::size_t(length)));
    }
};

// Grows towards the expected size as real data arrives, so a hostile size
// field costs no more memory than the data actually inflated.
class TZLBArc2::MemorySink : public TZLBArc2::Sink
{
public:
    MemorySink(qint64 expected, qint64 firstGuess) : m_expected(expected)
    {
        m_buffer.resize(qsizetype(std::min(expected, firstGuess)));
    }
    char* window(qint64& length) override
    {
        if (m_used == m_buffer.size()) {
            const qint64 grown = std::min<qint64>(m_expected, std::max<qint64>(m_used * 2, kChunk));
            m_buffer.resize(qsizetype(grown));
        }
        length = m_buffer.size() - m_used;
        return m_buffer.data() + m_used;
    }
    void commit(qint64 length) override
    {
        account(m_buffer.constData() + m_used, length);
        m_used += length;
    }
    QByteArray take()
    {
        m_buffer.resize(qsizetype(m_used));
        return std::move(m_buffer);
    }

private:
    QByteArray m_buffer;
    qint64 m_expected;
    qint64 m_used = 0;
};

class TZLBArc2::StreamSink : public TZLBArc2::Sink
{
public:
    explicit StreamSink(QIODevice& out) : m_out(out), m_chunk(kChunk) {}
    char* window(qint64& length) override
    {
        length = qint64(m_chunk.size());
        return m_chunk.data();
    }
    void commit(qint64 length) override
    {
        account(m_chunk.data(), length);
        writeAll(m_out, m_chunk.data(), length);
    }

private:
    QIODevice& m_out;
    std::vector<char> m_chunk;
};

TZLBArc2::TZLBArc2() = default;

TZLBArc2::~TZLBArc2()
{
    // No progress reports while being destroyed.
    OnProgress = nullptr;
}

int TZLBArc2::zlibLevel(TFileCompressionLevel level)
{
    switch (level) {
    case fcNone: return 0;
    case fcFastest: return 1;
    case fcMaximum: return 9;
    case fcDefault: break;
    }
    return Z_DEFAULT_COMPRESSION;
}

void TZLBArc2::progress(const QString& message, qint64 done, qint64 total)
{
    if (!OnProgress)
        return;
    const int percentage = total > 0 ? int((done * 100 + total / 2) / total) : 100;
    // Reports only changes: a large member would otherwise call back per piece.
    if (percentage == m_lastPercentage && message == m_lastProgressText)
        return;
    m_lastPercentage = percentage;
    m_lastProgressText = message;
    OnProgress(message, percentage);
}

void TZLBArc2::finished()
{
    m_lastPercentage = -1;
    m_lastProgressText.clear();
    if (OnProgress)
        OnProgress(m_fileName, 0);
}

qint64 TZLBArc2::Base() const
{
    if (m_base < 0)
        fail(QStringLiteral("Unknown file position marker"));
    return m_base;
}

void TZLBArc2::CloseArchive()
{
    m_entries.clear();
    m_tail = ArchiveTail{};
    m_fileName.clear();
    m_base = -1;
    m_fileSize = 0;
    m_oldFormat = false;
    m_newArchive = false;
    finished();
}

void TZLBArc2::OpenArchive(const QString& fileName)
{
    CloseArchive();
    if (fileName.isEmpty())
        return;
    m_fileName = fileName;
    try {
        if (!QFileInfo(fileName).isFile())
            fail(kNotFound);
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly))
            fail(QStringLiteral("Unable to open archive %1").arg(fileName));
        readArchive(file);
    } catch (...) {
        // A failed open leaves nothing that looks like an open archive.
        m_entries.clear();
        m_tail = ArchiveTail{};
        m_fileName.clear();
        m_base = -1;
        m_oldFormat = false;
        throw;
    }
    if (OnArchiveOpened)
        OnArchiveOpened();
    finished();
}

void TZLBArc2::readArchive(QFile& file)
{
    const qint64 size = file.size();
    m_fileSize = size;
    if (size < ArchiveTail::kSize)
        fail(kCorrupted);
    char raw[ArchiveTail::kSize];
    if (!file.seek(size - ArchiveTail::kSize))
        fail(kCorrupted);
    readExactly(file, raw, ArchiveTail::kSize);

    ArchiveTail tail;
    const std::uint32_t version = readU32(raw + 16);
    if (version == 2) {
        tail.RegistryOffset = readI64(raw);
        tail.ArchiveCRC = readU32(raw + 8);
        tail.EntryCount = readU32(raw + 12);
        tail.FormatVersion = version;
        tail.RegistrySize = readU32(raw + 20);
        tail.RegistryCompressed = std::uint8_t(raw[24]);
    } else if (version == 1 || readU32(raw + 8) == 1) {
        // Format 1 keeps its own version field at offset 8; offset 16 holds its
        // registry offset, so that value alone cannot tell the formats apart.
        m_oldFormat = true;
        tail.ArchiveCRC = readU32(raw);
        tail.EntryCount = readU32(raw + 4);
        tail.FormatVersion = readU32(raw + 8);
        tail.RegistrySize = readU32(raw + 12);
        tail.RegistryOffset = std::int32_t(readU32(raw + 16));
        tail.RegistryCompressed = std::uint8_t(raw[20]);
    } else {
        fail(QStringLiteral("The archive was created with a different version of ZLBArchive (v%1)")
                 .arg(std::int32_t(version)));
    }

    const qint64 recordSize = m_oldFormat ? ArchiveEntry::kSizeV1 : ArchiveEntry::kSize;
    const qint64 payload = size - ArchiveTail::kSize;
    if (tail.RegistryOffset < 0 || tail.RegistryOffset > payload ||
        qint64(tail.RegistrySize) > payload - tail.RegistryOffset)
        fail(kCorrupted);
    const qint64 base = payload - tail.RegistryOffset - qint64(tail.RegistrySize);
    const qint64 registryBytes = qint64(tail.EntryCount) * recordSize;
    const bool compressed = tail.RegistryCompressed == 1;
    if (tail.EntryCount > kMaxEntries ||
        (compressed ? registryBytes > qint64(tail.RegistrySize) * kMaxInflateRatio + kInflateSlack
                    : registryBytes > qint64(tail.RegistrySize)))
        fail(kCorrupted);

    if (VerifyArchiveCRC) {
        if (!file.seek(base))
            fail(kCorrupted);
        std::vector<char> buffer(static_cast<std::size_t>(kChunk));
        qint64 remaining = payload - base;
        uLong crc = crc32_z(0, nullptr, 0);
        const qint64 total = remaining;
        while (remaining > 0) {
            const qint64 n = std::min<qint64>(remaining, kChunk);
            readExactly(file, buffer.data(), n);
            crc = crc32_z(crc, reinterpret_cast<const Bytef*>(buffer.data()), std::size_t(n));
            remaining -= n;
            progress(QStringLiteral("Verifying archive integrity"), total - remaining, total);
        }
        if (std::uint32_t(crc) != tail.ArchiveCRC) {
            m_fileName.clear();
            m_tail = ArchiveTail{};
            fail(kCorrupted);
        }
    }

    if (!file.seek(base + tail.RegistryOffset))
        fail(kCorrupted);
    std::vector<ArchiveEntry> entries;
    entries.reserve(std::min<std::size_t>(tail.EntryCount, 4096));
    std::vector<char> record(static_cast<std::size_t>(recordSize));
    if (compressed) {
        ZStream zs(true);
        std::vector<char> input(4096);
        qint64 inputLeft = tail.RegistrySize;
        qint64 produced = 0;
        qint64 filled = 0; // bytes of the current record
        while (produced < registryBytes) {
            if (zs.z.avail_in == 0) {
                if (inputLeft == 0)
                    fail(kCorrupted);
                const qint64 n = std::min<qint64>(inputLeft, qint64(input.size()));
                readExactly(file, input.data(), n);
                inputLeft -= n;
                zs.z.next_in = reinterpret_cast<Bytef*>(input.data());
                zs.z.avail_in = uInt(n);
            }
            zs.z.next_out = reinterpret_cast<Bytef*>(record.data() + filled);
            zs.z.avail_out = uInt(recordSize - filled);
            const int rc = inflate(&zs.z, Z_NO_FLUSH);
            const qint64 got = (recordSize - filled) - zs.z.avail_out;
            filled += got;
            produced += got;
            if (filled == recordSize) {
                entries.push_back(ArchiveEntry::readFrom(record.data(), m_oldFormat));
                filled = 0;
            }
            progress(QStringLiteral("Extracting registry"), produced, registryBytes);
            if (rc == Z_STREAM_END) {
                if (produced < registryBytes)
                    fail(kCorrupted);
                break;
            }
            if (rc != Z_OK && !(rc == Z_BUF_ERROR && zs.z.avail_in == 0))
                fail(kCorrupted);
        }
    } else {
        for (std::uint32_t i = 0; i < tail.EntryCount; ++i) {
            readExactly(file, record.data(), recordSize);
            entries.push_back(ArchiveEntry::readFrom(record.data(), m_oldFormat));
        }
    }

    m_tail = tail;
    m_base = base;
    m_entries = std::move(entries);
}

void TZLBArc2::CreateArchive(const QString& fileName)
{
    CloseArchive();
    if (QFileInfo::exists(fileName))
        fail(QStringLiteral("%1 already exists in the archive").arg(fileName));
    m_fileName = fileName;
    m_newArchive = true;
    m_base = 0;
    if (OnArchiveOpened)
        OnArchiveOpened();
}

int TZLBArc2::Count() const
{
    if (m_fileName.isEmpty())
        fail(kNotOpen);
    return int(m_entries.size());
}

ArchiveEntry TZLBArc2::Entries(int index) const
{
    if (index < 0 || std::size_t(index) >= m_entries.size())
        fail(QStringLiteral("Index out of bounds"));
    return m_entries[std::size_t(index)];
}

int TZLBArc2::IndexOf(const QString& name) const
{
    QString folder = windowsFolder(folderPart(name));
    if (SavePaths)
        folder = withoutDrive(folder);
    const QString wanted = folder + filePart(name);
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].fullName().compare(wanted, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

int TZLBArc2::findForExtraction(const QString& name) const
{
    if (m_fileName.isEmpty())
        fail(kNotOpen);
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].fullName().compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    fail(QStringLiteral("%1 not found in archive").arg(name));
}

void TZLBArc2::ExtractToStream(const QString& name, QIODevice& stream)
{
    const ArchiveEntry entry = m_entries[std::size_t(findForExtraction(name))];
    StreamSink sink(stream);
    extractEntry(entry, sink, false);
}

QByteArray TZLBArc2::ExtractToMemory(const QString& name)
{
    const ArchiveEntry entry = m_entries[std::size_t(findForExtraction(name))];
    checkBlock(entry);
    // Text tables compress a few times at most: guess generously, grow if needed.
    MemorySink sink(entry.ContentSize, entry.blockSize() * 16 + kChunk);
    extractEntry(entry, sink, true);
    return sink.take();
}

// A member's block must lie inside the data area and its sizes must agree
// with its storage method before anything is read or allocated for it.
void TZLBArc2::checkBlock(const ArchiveEntry& e) const
{
    const qint64 block = e.blockSize();
    const qint64 dataArea = m_newArchive ? 0 : m_tail.RegistryOffset;
    bool ok = e.ContentSize >= 0 && e.CompressedSize >= 0 && e.EncryptedSize >= 0 &&
              e.DataOffset >= 0 && block >= 0 && e.DataOffset <= dataArea &&
              block <= dataArea - e.DataOffset;
    if (ok) {
        switch (e.StorageMethod) {
        case ArchiveEntry::Stored: ok = e.ContentSize <= block; break;
        case ArchiveEntry::Compressed:
            ok = e.ContentSize <= block * kMaxInflateRatio + kInflateSlack;
            break;
        case ArchiveEntry::StoredEncrypted: ok = e.EncryptedSize >= 24 && e.ContentSize <= block - 24; break;
        case ArchiveEntry::CompressedEncrypted:
            ok = e.EncryptedSize >= 24 &&
                 e.ContentSize <= (block - 24) * kMaxInflateRatio + kInflateSlack;
            break;
        default: ok = false;
        }
    }
    if (!ok)
        fail(kCorrupted);
}

void TZLBArc2::extractEntry(const ArchiveEntry& entry, Sink& sink, bool toMemory)
{
    checkBlock(entry);
    sink.computeCrc = VerifyFileCRC;
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly))
        fail(kNotFound);
    if (file.size() != m_fileSize)
        fail(kCorrupted); // changed under us since it was opened
    if (!file.seek(Base() + entry.DataOffset))
        fail(kCorrupted);

    if (!entry.encrypted()) {
        decode(entry, file, entry.blockSize(), sink);
    } else {
        if (Password.trimmed().isEmpty())
            fail(QStringLiteral("No password given for encrypted file"));
        if (!OnDecryptStream)
            fail(QStringLiteral("No decryption algorithm found"));
        const qint64 plainSize = entry.EncryptedSize - 24;
        const bool inMemory =
            toMemory || plainSize <= qint64(std::max(MaxMemoryUsage, 0)) * 1048576;
        std::unique_ptr<QIODevice> plain;
        QByteArray plainBytes;
        if (inMemory) {
            plainBytes.reserve(qsizetype(plainSize));
            auto buffer = std::make_unique<QBuffer>(&plainBytes);
            buffer->open(QIODevice::ReadWrite);
            plain = std::move(buffer);
        } else {
            plain = makeIntermediate(false, TempDirectory);
        }
        OnDecryptStream(file, *plain, entry.EncryptedSize, Password);
        const qint64 produced = plain->size();
        if (!plain->seek(0))
            fail(kCorrupted);
        decode(entry, *plain, produced, sink);
    }
    file.close();

    if (VerifyFileCRC && sink.crc != entry.MemberCRC)
        fail(QStringLiteral("%1 failed CRC check").arg(entry.MemberName));
    finished();
}

void TZLBArc2::decode(const ArchiveEntry& entry, QIODevice& input, qint64 available, Sink& sink)
{
    const qint64 total = entry.ContentSize;
    const QString text = QStringLiteral("Extracting %1").arg(entry.MemberName);
    qint64 produced = 0;
    const bool compressed = entry.StorageMethod == ArchiveEntry::Compressed ||
                            entry.StorageMethod == ArchiveEntry::CompressedEncrypted;
    if (!compressed) {
        if (total > available)
            fail(kCorrupted);
        while (produced < total) {
            qint64 length = 0;
            char* out = sink.window(length);
            length = std::min(length, total - produced);
            readExactly(input, out, length);
            sink.commit(length);
            produced += length;
            progress(text, produced, total);
        }
        return;
    }

    ZStream zs(true);
    std::vector<char> in(static_cast<std::size_t>(kChunk));
    qint64 inputLeft = available;
    while (produced < total) {
        if (zs.z.avail_in == 0) {
            if (inputLeft == 0)
                inflateFailed(zs.z);
            const qint64 n = std::min<qint64>(inputLeft, kChunk);
            readExactly(input, in.data(), n);
            inputLeft -= n;
            zs.z.next_in = reinterpret_cast<Bytef*>(in.data());
            zs.z.avail_in = uInt(n);
        }
        qint64 length = 0;
        char* out = sink.window(length);
        length = std::min<qint64>({length, total - produced, qint64(1) << 30});
        zs.z.next_out = reinterpret_cast<Bytef*>(out);
        zs.z.avail_out = uInt(length);
        const int rc = inflate(&zs.z, Z_NO_FLUSH);
        const qint64 got = length - zs.z.avail_out;
        if (got > 0)
            sink.commit(got);
        produced += got;
        progress(text, produced, total);
        if (rc == Z_STREAM_END) {
            if (produced < total)
                inflateFailed(zs.z);
            break;
        }
        if (rc != Z_OK && !(rc == Z_BUF_ERROR && zs.z.avail_in == 0))
            inflateFailed(zs.z);
    }
}

void TZLBArc2::checkCanModify() const
{
    if (m_fileName.isEmpty())
        fail(kNotOpen);
    if (m_oldFormat)
        fail(QStringLiteral("The specified archive file was created by an older version of "
                            "ZLBArchive.\r\nPlease convert this archive before trying to "
                            "modify/update it"));
}

void TZLBArc2::AddFromStream(const QString& name, QIODevice& source, bool encrypt)
{
    checkCanModify();
    if (IndexOf(name) >= 0)
        fail(QStringLiteral("%1 already exists in the archive").arg(name));
    rewrite(-1, name, source, encrypt);
}

void TZLBArc2::UpdateFromStream(const QString& name, QIODevice& source, bool encrypt)
{
    checkCanModify();
    const int index = IndexOf(name);
    if (index < 0)
        fail(QStringLiteral("%1 not found in archive").arg(name));
    rewrite(index, name, source, encrypt);
}

void TZLBArc2::rewrite(int updateIndex, const QString& name, QIODevice& source, bool encrypt)
{
    const qint64 base = Base();
    const QFileInfo target(m_fileName);
    QTemporaryFile temp(target.absoluteDir().filePath(QStringLiteral("ZLBXXXXXX.tmp")));
    if (!temp.open())
        fail(QStringLiteral("Unable to open archive %1").arg(m_fileName));

    std::vector<ArchiveEntry> entries = m_entries;
    QFile old(m_fileName);
    if (!m_newArchive) {
        if (!old.open(QIODevice::ReadOnly))
            fail(QStringLiteral("Unable to open archive %1").arg(m_fileName));
        if (old.size() != m_fileSize)
            fail(kCorrupted);
    }

    auto copyBlock = [&](ArchiveEntry& e) {
        checkBlock(e);
        if (!old.seek(base + e.DataOffset))
            fail(kCorrupted);
        e.DataOffset = temp.pos() - base;
        copyBytes(old, temp, e.blockSize());
    };

    // Prefix and the untouched front of the data area, byte for byte.
    std::size_t firstRewritten = entries.size();
    if (!m_newArchive) {
        qint64 keep = base + m_tail.RegistryOffset;
        if (updateIndex >= 0) {
            const qint64 offset = entries[std::size_t(updateIndex)].DataOffset;
            bool ordered = offset >= 0 && offset <= m_tail.RegistryOffset;
            for (int j = 0; j < updateIndex && ordered; ++j)
                ordered = entries[std::size_t(j)].DataOffset + entries[std::size_t(j)].blockSize() <= offset;
            keep = base + (ordered ? offset : 0);
            firstRewritten = ordered ? std::size_t(updateIndex) : 0;
        }
        if (!old.seek(0))
            fail(kCorrupted);
        copyBytes(old, temp, keep);
    }

    // The new block, produced from the source.
    ArchiveEntry fresh;
    {
        if (!source.seek(0))
            fail(QStringLiteral("Read error: %1").arg(source.errorString()));
        const qint64 sourceSize = source.size();
        const bool inMemory = sourceSize <= qint64(std::max(MaxMemoryUsage, 0)) * 1048576;
        std::unique_ptr<QIODevice> intermediate = makeIntermediate(inMemory, TempDirectory);

        const QString text = QStringLiteral("Updating %1").arg(name);
        ZStream zs(false, zlibLevel(CompressionLevel));
        std::vector<char> in(static_cast<std::size_t>(kChunk));
        std::vector<char> out(static_cast<std::size_t>(kChunk));
        uLong crc = crc32_z(0, nullptr, 0);
        qint64 read = 0;
        int flush = Z_NO_FLUSH;
        do {
            const qint64 n = source.read(in.data(), kChunk);
            if (n < 0)
                fail(QStringLiteral("Read error: %1").arg(source.errorString()));
            read += n;
            crc = crc32_z(crc, reinterpret_cast<const Bytef*>(in.data()), std::size_t(n));
            flush = (n == 0 || read >= sourceSize) ? Z_FINISH : Z_NO_FLUSH;
            zs.z.next_in = reinterpret_cast<Bytef*>(in.data());
            zs.z.avail_in = uInt(n);
            do {
                zs.z.next_out = reinterpret_cast<Bytef*>(out.data());
                zs.z.avail_out = uInt(out.size());
                if (deflate(&zs.z, flush) == Z_STREAM_ERROR)
                    fail(QStringLiteral("zlib compression failed"));
                writeAll(*intermediate, out.data(), qint64(out.size()) - zs.z.avail_out);
            } while (zs.z.avail_out == 0);
            progress(text, read, sourceSize);
        } while (flush != Z_FINISH);
        if (read != sourceSize)
            fail(QStringLiteral("Read error: %1").arg(source.errorString()));

        const QString folder = SavePaths ? withoutDrive(windowsFolder(folderPart(name))) : QString();
        fresh.MemberName = filePart(name).left(255);
        fresh.MemberPath = folder;
        fresh.MemberCRC = std::uint32_t(crc);
        fresh.ContentSize = sourceSize;
        fresh.DataOffset = temp.pos() - base;
        const qint64 packed = intermediate->size();
        const bool smaller = sourceSize > packed;

        if (encrypt && OnEncryptStream) {
            if (smaller) {
                intermediate->seek(0);
                OnEncryptStream(*intermediate, temp, Password);
                fresh.CompressedSize = packed;
                fresh.EncryptedSize = temp.pos() - base - fresh.DataOffset;
                fresh.StorageMethod = ArchiveEntry::CompressedEncrypted;
                fresh.LevelUsed = std::uint8_t(CompressionLevel);
            } else {
                std::unique_ptr<QIODevice> sealed = makeIntermediate(inMemory, TempDirectory);
                source.seek(0);
                OnEncryptStream(source, *sealed, Password);
                fresh.EncryptedSize = sealed->size();
                sealed->seek(0);
                copyBytes(*sealed, temp, fresh.EncryptedSize);
                fresh.StorageMethod = ArchiveEntry::StoredEncrypted;
                fresh.LevelUsed = 0;
            }
        } else if (smaller) {
            intermediate->seek(0);
            copyBytes(*intermediate, temp, packed);
            fresh.CompressedSize = packed;
            fresh.StorageMethod = ArchiveEntry::Compressed;
            fresh.LevelUsed = std::uint8_t(CompressionLevel);
        } else {
            source.seek(0);
            copyBytes(source, temp, sourceSize);
            fresh.StorageMethod = ArchiveEntry::Stored;
            fresh.LevelUsed = 0;
        }
    }

    if (updateIndex < 0) {
        entries.push_back(fresh);
    } else {
        for (std::size_t j = firstRewritten; j < std::size_t(updateIndex); ++j)
            copyBlock(entries[j]);
        // The member keeps its stored name and folder.
        fresh.MemberName = entries[std::size_t(updateIndex)].MemberName;
        fresh.MemberPath = entries[std::size_t(updateIndex)].MemberPath;
        entries[std::size_t(updateIndex)] = fresh;
        for (std::size_t j = std::size_t(updateIndex) + 1; j < entries.size(); ++j)
            copyBlock(entries[j]);
    }
    if (OnFileAddUpdate) {
        QString path = fresh.MemberPath;
        QString file = fresh.MemberName;
        OnFileAddUpdate(path, file);
    }
    old.close();

    // Registry and tail.
    ArchiveTail tail;
    tail.RegistryOffset = temp.pos() - base;
    {
        QByteArray registry(qsizetype(entries.size()) * ArchiveEntry::kSize, '\0');
        for (std::size_t i = 0; i < entries.size(); ++i)
            entries[i].writeTo(registry.data() + qsizetype(i) * ArchiveEntry::kSize);
        uLongf packedSize = compressBound(uLong(registry.size()));
        std::vector<char> packed(packedSize);
        if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                      reinterpret_cast<const Bytef*>(registry.constData()), uLong(registry.size()),
                      zlibLevel(CompressionLevel)) != Z_OK)
            fail(QStringLiteral("zlib compression failed"));
        progress(QStringLiteral("Writing archive registry"), 1, 1);
        writeAll(temp, packed.data(), qint64(packedSize));
    }
    tail.RegistrySize = std::uint32_t(temp.pos() - base - tail.RegistryOffset);
    tail.RegistryCompressed = 1;
    tail.EntryCount = std::uint32_t(entries.size());
    tail.FormatVersion = 2;
    {
        if (!temp.flush() || !temp.seek(base))
            fail(QStringLiteral("Write error: %1").arg(temp.errorString()));
        uLong crc = crc32_z(0, nullptr, 0);
        std::vector<char> buffer(static_cast<std::size_t>(kChunk));
        qint64 n;
        while ((n = temp.read(buffer.data(), kChunk)) > 0)
            crc = crc32_z(crc, reinterpret_cast<const Bytef*>(buffer.data()), std::size_t(n));
        tail.ArchiveCRC = std::uint32_t(crc);
    }
    char raw[ArchiveTail::kSize] = {};
    putI64(raw, tail.RegistryOffset);
    putU32(raw + 8, tail.ArchiveCRC);
    putU32(raw + 12, tail.EntryCount);
    putU32(raw + 16, tail.FormatVersion);
    putU32(raw + 20, tail.RegistrySize);
    raw[24] = char(tail.RegistryCompressed);
    if (!temp.seek(temp.size()))
        fail(QStringLiteral("Write error: %1").arg(temp.errorString()));
    writeAll(temp, raw, ArchiveTail::kSize);
    // Readers of the format seek with 32-bit offsets: a larger file would be
    // unreadable to them, so it is never written.
    if (temp.size() > kMaxArchiveSize)
        fail(QStringLiteral("The archive would exceed 2 GiB"));
    if (!temp.flush())
        fail(QStringLiteral("Write error: %1").arg(temp.errorString()));

    // Keep the old file's permissions; a new archive gets the usual ones.
    const QFile::Permissions permissions =
        m_newArchive ? (QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther)
                     : QFile::permissions(m_fileName);
    temp.setPermissions(permissions);
    temp.close();

    if (OnProgress)
        OnProgress(QStringLiteral("Moving and renaming the temporary file"), 0);
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(temp.fileName()).toStdString(),
                            QFile::encodeName(m_fileName).toStdString(), error);
    if (error)
        fail(QStringLiteral("Unable to open archive %1").arg(m_fileName));
    temp.setAutoRemove(false);

    OpenArchive(QString(m_fileName));
}

} // namespace veridon
