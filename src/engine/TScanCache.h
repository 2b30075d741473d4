#pragma once

#include "engine/DigestCache.h"
#include "engine/TSdScanThread.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace veridon {

class FileDigester;
class FileSystem;
class TSQLiteDatabase;
class TSQLiteStatement;

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
    // ESQLiteException when it cannot. `files` gives last-write times and, for
    // GetDigest(path), the file's content.
    TScanCache(const QString& databaseFile, QString version, const FileSystem& files);
    // Writes what is pending.
    ~TScanCache() override;
    TScanCache(const TScanCache&) = delete;
    TScanCache& operator=(const TScanCache&) = delete;

    Digest GetDigest(const QString& path) override;
    Digest GetDigest(const QString& path, std::optional<std::uint64_t> lastWriteTime,
                     const std::function<QString()>& computeDigest) override;
    std::optional<Row> LookUp(const QString& path, std::uint64_t lastWriteTime) override;
    Digest Settle(const QString& path, std::uint64_t lastWriteTime, const std::optional<Row>& row,
                  const std::function<QString()>& computeDigest) override;
    void Forget(const QString& path) override;
    void Flush() override;

    int pendingCount() const { return int(m_pending.size()); }

private:
    // A change waiting for the next batch.
    struct Pending
    {
        enum Kind : std::uint8_t { Refresh, Forget, Store } kind;
        std::int64_t id;
        std::int64_t id2 = 0;
        QString addt; // FILETIME as decimal text
        QString md5;
    };
    struct LookUpStatement;

    void flushIfFull();
    void endReading();

    QString m_version;
    QByteArray m_versionText; // m_version as the look-up compares it
    const FileSystem& m_files;
    std::unique_ptr<TSQLiteDatabase> m_db;
    std::unique_ptr<LookUpStatement> m_lookUp;
    std::unique_ptr<TSQLiteStatement> m_refresh;
    std::unique_ptr<TSQLiteStatement> m_forget;
    std::unique_ptr<TSQLiteStatement> m_store;
    std::vector<Pending> m_pending;
    std::unique_ptr<FileDigester> m_digester;
    bool m_reading = false; // a read transaction spans the look-ups between batches
};

// Opens the scan cache of a program folder (a host path) for each run.
ScanCacheFactory scanCacheIn(const QString& programFolder, const FileSystem& files);

} // namespace veridon
