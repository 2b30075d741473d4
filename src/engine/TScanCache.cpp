#include "engine/TScanCache.h"

#include "engine/PathHash.h"
#include "platform/ExecutableFiles.h"
#include "platform/FileDigester.h"
#include "platform/FileSystem.h"
#include "store/ESQLiteException.h"
#include "store/TSQLiteDatabase.h"

#include <QDir>

#include <sqlite3.h>

#include <charconv>

namespace veridon {

const QString TScanCache::kFileName = QStringLiteral("ORVELDataBase.db");

namespace {

const QString kCreateTable = QStringLiteral(
    "create table cainfo (id integer primary key,id2 integer,corever varchar(60),"
    "addt varchar(255),strf varchar(255));");
// The statements of the cache with their values bound instead of pasted in, so
// that no text (a definition version with a quote, say) can alter them; the
// rows they write are the same.
const QString kLookUp =
    QStringLiteral("select strf,corever from cainfo where id =?1 and id2=?2 and addt=?3;");
const QString kRefresh = QStringLiteral("update cainfo set corever=?1 where id=?2;");
const QString kForget = QStringLiteral("delete from cainfo where id=?1;");
const QString kStore = QStringLiteral(
    "insert into cainfo (id,id2,corever,addt,strf) values ( ?1,?2,?3,?4,?5 );");

} // namespace

// The look-up runs once for every file of a scan, so it reads its one row
// straight from the prepared statement instead of building a result table.
struct TScanCache::LookUpStatement
{
    sqlite3* db = nullptr;
    sqlite3_stmt* statement = nullptr;

    explicit LookUpStatement(sqlite3* database) : db(database)
    {
        const QByteArray sql = kLookUp.toUtf8();
        if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &statement, nullptr) !=
            SQLITE_OK)
            throw ESQLiteException(TSQLiteDatabase::composeError(
                db, QStringLiteral("Error executing SQL"), kLookUp));
    }
    ~LookUpStatement() { sqlite3_finalize(statement); }
    LookUpStatement(const LookUpStatement&) = delete;
    LookUpStatement& operator=(const LookUpStatement&) = delete;

    [[noreturn]] void fail()
    {
        const QString message =
            TSQLiteDatabase::composeError(db, QStringLiteral("Could not retrieve data"), kLookUp);
        sqlite3_reset(statement);
        throw ESQLiteException(message);
    }
};

TScanCache::TScanCache(const QString& databaseFile, QString version, const FileSystem& files)
    : m_version(std::move(version)), m_versionText(m_version.toUtf8()), m_files(files),
      m_db(std::make_unique<TSQLiteDatabase>(databaseFile)),
      m_digester(std::make_unique<FileDigester>())
{
    // Each batch is one commit; with a write-ahead log a commit costs no
    // flush to disk, and a crash or power loss still leaves a sound database
    // (at worst without the last batches, which the next scan hashes again).
    sqlite3_exec(m_db->handle(), "PRAGMA journal_mode=WAL;", nullptr, nullptr, nullptr);
    sqlite3_exec(m_db->handle(), "PRAGMA synchronous=NORMAL;", nullptr, nullptr, nullptr);
    if (!m_db->TableExists(QStringLiteral("cainfo")))
        m_db->ExecSQL(kCreateTable);
    m_lookUp = std::make_unique<LookUpStatement>(m_db->handle());
    m_refresh = m_db->Prepare(kRefresh);
    m_forget = m_db->Prepare(kForget);
    m_store = m_db->Prepare(kStore);
    m_pending.reserve(kBatchSize + 2);
}

TScanCache::~TScanCache()
{
    try {
        Flush();
    } catch (...) {
    }
    endReading();
}

void TScanCache::endReading()
{
    if (m_reading)
        sqlite3_exec(m_db->handle(), "COMMIT", nullptr, nullptr, nullptr);
    m_reading = false;
}

DigestCache::Digest TScanCache::GetDigest(const QString& path)
{
    return GetDigest(path, std::nullopt,
                     [this, &path] { return FileDigest(m_files, *m_digester, path); });
}

DigestCache::Digest TScanCache::GetDigest(const QString& path,
                                          std::optional<std::uint64_t> lastWriteTime,
                                          const std::function<QString()>& computeDigest)
{
    if (!lastWriteTime) {
        if (const std::optional<FileEntry> entry = m_files.stat(path))
            lastWriteTime = entry->lastWriteTime;
    }
    // Nothing found under that name: there is no time to look up or keep (the
    // look-up would compare with an empty time), so the file is just hashed.
    if (!lastWriteTime)
        return {computeDigest(), false};
    return Settle(path, *lastWriteTime, LookUp(path, *lastWriteTime), computeDigest);
}

namespace {

// The FILETIME as the decimal text the table keeps.
struct FileTimeText
{
    explicit FileTimeText(std::uint64_t lastWriteTime)
        : length(int(std::to_chars(digits, digits + sizeof digits, lastWriteTime).ptr - digits))
    {
    }
    char digits[24];
    int length;
};

} // namespace

std::optional<DigestCache::Row> TScanCache::LookUp(const QString& path,
                                                   std::uint64_t lastWriteTime)
{
    const FileTimeText addt(lastWriteTime);
    // One read transaction for all look-ups up to the next batch spares each
    // of them taking and dropping the database's locks.
    if (!m_reading)
        m_reading = sqlite3_exec(m_db->handle(), "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_stmt* lookUp = m_lookUp->statement;
    sqlite3_bind_int64(lookUp, 1, fnv1aPathHash(path));
    sqlite3_bind_int64(lookUp, 2, elfPathHash(path));
    sqlite3_bind_text(lookUp, 3, addt.digits, addt.length, SQLITE_STATIC);
    const int result = sqlite3_step(lookUp);
    if (result != SQLITE_ROW) {
        if (result != SQLITE_DONE)
            m_lookUp->fail();
        sqlite3_reset(lookUp);
        return std::nullopt;
    }
    Row row;
    row.md5 = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(lookUp, 0)),
                                sqlite3_column_bytes(lookUp, 0));
    const auto* version = reinterpret_cast<const char*>(sqlite3_column_text(lookUp, 1));
    row.currentVersion = QByteArrayView(version, sqlite3_column_bytes(lookUp, 1)) == m_versionText;
    sqlite3_reset(lookUp);
    return row;
}

DigestCache::Digest TScanCache::Settle(const QString& path, std::uint64_t lastWriteTime,
                                       const std::optional<Row>& row,
                                       const std::function<QString()>& computeDigest)
{
    const std::int64_t id = fnv1aPathHash(path);
    Digest digest;
    if (row) {
        digest = {row->md5, row->currentVersion};
        if (!row->currentVersion)
            m_pending.push_back({Pending::Refresh, id});
    } else {
        digest.md5 = computeDigest();
        // A changed file's old row goes before its new one is written.
        m_pending.push_back({Pending::Forget, id});
        const FileTimeText addt(lastWriteTime);
        m_pending.push_back({Pending::Store, id, elfPathHash(path),
                             QString::fromLatin1(addt.digits, addt.length), digest.md5});
    }
    flushIfFull();
    return digest;
}

void TScanCache::Forget(const QString& path)
{
    m_pending.push_back({Pending::Forget, std::int64_t(fnv1aPathHash(path))});
    flushIfFull();
}

void TScanCache::flushIfFull()
{
    if (m_pending.size() >= std::size_t(kBatchSize))
        Flush();
}

void TScanCache::Flush()
{
    if (m_pending.empty())
        return;
    std::vector<Pending> pending;
    pending.swap(m_pending);
    m_pending.reserve(kBatchSize + 2);
    endReading();
    m_db->BeginTransaction();
    try {
        for (const Pending& row : pending) {
            switch (row.kind) {
            case Pending::Refresh:
                m_refresh->bind(1, m_version).bind(2, qint64(row.id)).Exec();
                break;
            case Pending::Forget:
                m_forget->bind(1, qint64(row.id)).Exec();
                break;
            case Pending::Store:
                m_store->bind(1, qint64(row.id))
                    .bind(2, qint64(row.id2))
                    .bind(3, m_version)
                    .bind(4, row.addt)
                    .bind(5, row.md5)
                    .Exec();
                break;
            }
        }
        m_db->Commit();
    } catch (...) {
        // A failed batch is dropped as a whole; leaving its transaction open
        // would make every later batch fail to begin.
        try {
            m_db->Rollback();
        } catch (...) {
        }
        throw;
    }
}

ScanCacheFactory scanCacheIn(const QString& programFolder, const FileSystem& files)
{
    const QString file = QDir(programFolder).filePath(TScanCache::kFileName);
    return [file, &files](const QString& version) -> std::unique_ptr<DigestCache> {
        return std::make_unique<TScanCache>(file, version, files);
    };
}

} // namespace veridon
