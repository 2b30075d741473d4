#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace veridon {

// The file digests remembered between scans (the scan cache). The file checks
// ask it for digests; the scan thread makes it forget detected files at the end
// of a run and flushes it.
class DigestCache
{
public:
    struct Digest
    {
        QString md5;            // 32 lower-case hexadecimal digits
        bool fromCache = false; // checked before against the same definitions
    };

    // What the cache holds for a file unchanged since its row was written.
    struct Row
    {
        QString md5;
        bool currentVersion = false; // checked against the definitions of this run
    };

    virtual ~DigestCache() = default;
    // The digest of a file (a Windows path); throws when the database fails.
    virtual Digest GetDigest(const QString& path) = 0;
    // The same for a file the caller reads anyway: `lastWriteTime` is the
    // FILETIME its folder walk saw (nothing: look it up), and `computeDigest`
    // gives the MD5 on a miss, so one read of the file serves every check.
    virtual Digest GetDigest(const QString& path, std::optional<std::uint64_t> lastWriteTime,
                             const std::function<QString()>& computeDigest) = 0;
    // The two halves of that GetDigest, for a caller that looks files up ahead
    // of checking them. LookUp only reads; Settle, when the file is checked,
    // turns the look-up's answer into the digest and queues the changes
    // GetDigest would (`computeDigest` runs only when there was no row).
    virtual std::optional<Row> LookUp(const QString& path, std::uint64_t lastWriteTime) = 0;
    virtual Digest Settle(const QString& path, std::uint64_t lastWriteTime,
                          const std::optional<Row>& row,
                          const std::function<QString()>& computeDigest) = 0;
    virtual void Forget(const QString& path) = 0;
    // Writes every pending change in one transaction.
    virtual void Flush() = 0;
};

} // namespace veridon
