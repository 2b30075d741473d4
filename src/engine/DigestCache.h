#pragma once

#include <QString>

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

    virtual ~DigestCache() = default;
    // The digest of a file (a Windows path); throws when the database fails.
    virtual Digest GetDigest(const QString& path) = 0;
    virtual void Forget(const QString& path) = 0;
    // Writes every pending change in one transaction.
    virtual void Flush() = 0;
};

} // namespace veridon
