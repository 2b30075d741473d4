#pragma once

#include "engine/DigestCache.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace veridon {

class FileDigester;
class FileSystem;

// The scan cache: for every file the file checks hashed, its MD5 digest and the
// definition version it was last checked against, in the SQLite database
// "ORVELDataBase.db" of the program folder (table cainfo). Look-ups run at
// once; changes are queued and written in batches of one transaction each.
class TScanCache final : public DigestCache
{
public:
    static constexpr int kBatchSize = 2000;
    static const QString kFileName; // "ORVELDataBase.db"

    // Opens (or creates) the database file and the table; throws
    // ESQLiteException when it cannot.
    TScanCache(const QString& databaseFile, QString version, const FileSystem& files);
    // Writes what is pending.
    ~TScanCache() override;
    TScanCache(const TScanCache&) = delete;
    TScanCache& operator=(const TScanCache&) = delete;

    Digest GetDigest(const QString& path) override;
    Digest GetDigest(const QString& path, std::optional<std::uint64_t> lastWriteTime,
                     const std::function<QString()>& computeDigest) override;
    void Forget(const QString& path) override;
    void Flush() override;

    int pendingCount() const { return int(m_pending.size()); }

private:
    struct Pending
    {
        enum Kind : std::uint8_t { Refresh, Forget, Store } kind;
        std::int64_t id;
        std::int64_t id2;
        std::array<char, 24> addt; // FILETIME as decimal text
        std::uint8_t addtLength;
        std::array<char, 32> md5;
        std::uint8_t md5Length;
    };
    struct Statements;

    void queue(const Pending& pending);

    QString m_version;
    QByteArray m_versionText; // m_version as bound into statements
    const FileSystem& m_files;
    std::unique_ptr<Statements> m_db;
    std::vector<Pending> m_pending;
    std::unique_ptr<FileDigester> m_digester;
};

} // namespace veridon
