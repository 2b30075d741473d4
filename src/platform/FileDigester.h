#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

namespace veridon {

// MD5 digests as 32 lower-case hexadecimal digits, and whole-file loads, over
// host paths. One object keeps its read buffer and its digest context between
// calls, so a scanning thread that hashes many files allocates once: create one
// per thread and keep it.
class FileDigester
{
public:
    FileDigester();
    ~FileDigester();
    FileDigester(const FileDigester&) = delete;
    FileDigester& operator=(const FileDigester&) = delete;

    // `FileDigest`: the MD5 of the file's content. A file that cannot be opened or
    // read, is empty or is not a regular file (a FIFO would block, a device never
    // ends) gives the digest of zero bytes. Empty only when no MD5 is available.
    QString fileDigest(const QString& hostPath);

    // The MD5 of bytes already in memory.
    QString digest(std::span<const std::uint8_t> bytes);
    // The same fed piece by piece: begin, update for each piece, finish.
    void begin();
    void update(std::span<const std::uint8_t> bytes);
    QString finish();

    // Reads a whole regular file of at most `maxBytes` into the reusable buffer; the
    // span stays valid until the next call on this object.
    std::optional<std::span<const std::uint8_t>> load(const QString& hostPath,
                                                      std::uint64_t maxBytes);

    static QString emptyDigest() { return QStringLiteral("d41d8cd98f00b204e9800998ecf8427e"); }

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// `IsExecutableImage`: the file is a PE image (see PeImage::hasPeSignature); any
// failure answers false. Reads only the headers.
bool isExecutableImageFile(const QString& hostPath);

} // namespace veridon
