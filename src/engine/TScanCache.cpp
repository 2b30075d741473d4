#include "engine/TScanCache.h"

#include "engine/PathHash.h"
#include "platform/ExecutableFiles.h"
#include "platform/FileDigester.h"
#include "platform/FileSystem.h"

#include <sqlite3.h>

#include <charconv>
#include <stdexcept>

namespace veridon {

const QString TScanCache::kFileName = QStringLiteral("ORVELDataBase.db");

namespace {

constexpr char kCreateTable[] = "create table cainfo (id integer primary key,id2 integer,"
                                "corever varchar(60),addt varchar(255),strf varchar(255));";
// The statements of the cache, with the values bound instead of pasted in, so
// that no version text can alter them; the rows are the same.
constexpr char kLookUp[] = "select strf,corever from cainfo where id =?1 and id2=?2 and addt=?3;";
constexpr char kRefresh[] = "update cainfo set corever=?1 where id=?2;";
constexpr char kForget[] = "delete from cainfo where id=?1;";
constexpr char kStore[] = "insert into cainfo (id,id2,corever,addt,strf) values ( ?1,?2,?3,?4,?5 );";

[[noreturn]] void fail(sqlite3* db, const char* text)
{
    throw std::runtime_error(std::string(text) + ": " + (db ? sqlite3_errmsg(db) : "?"));
}

} // namespace

struct TScanCache::Statements
{
    sqlite3* db = nullptr;
    sqlite3_stmt* lookUp = nullptr;
    sqlite3_stmt* refresh = nullptr;
    sqlite3_stmt* forget = nullptr;
    sqlite3_stmt* store = nullptr;

    ~Statements()
    {
        for (sqlite3_stmt* s : {lookUp, refresh, forget, store})
            sqlite3_finalize(s);
        sqlite3_close(db);
    }

    sqlite3_stmt* prepare(const char* sql)
    {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK)
            fail(db, "Error executing SQL");
        return statement;
    }

    void exec(const char* sql)
    {
        if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            fail(db, "Error executing SQL statement");
    }

    void run(sqlite3_stmt* statement)
    {
        const int result = sqlite3_step(statement);
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
        if (result != SQLITE_DONE)
            fail(db, "Error executing SQL statement");
    }
};

TScanCache::TScanCache(const QString& databaseFile, QString version, const FileSystem& files)
    : m_version(std::move(version)), m_versionText(m_version.toUtf8()), m_files(files),
      m_db(std::make_unique<Statements>()), m_digester(std::make_unique<FileDigester>())
{
    if (sqlite3_open(databaseFile.toUtf8().constData(), &m_db->db) != SQLITE_OK)
        fail(m_db->db, "Failed to open database");
    sqlite3_stmt* exists = m_db->prepare(
        "select [sql] from sqlite_master where [type] = 'table' and lower(name) = 'cainfo' ");
    const int found = sqlite3_step(exists);
    sqlite3_finalize(exists);
    if (found != SQLITE_ROW)
        m_db->exec(kCreateTable);
    m_db->lookUp = m_db->prepare(kLookUp);
    m_db->refresh = m_db->prepare(kRefresh);
    m_db->forget = m_db->prepare(kForget);
    m_db->store = m_db->prepare(kStore);
    m_pending.reserve(kBatchSize + 2);
}

TScanCache::~TScanCache()
{
    try {
        Flush();
    } catch (...) {
    }
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
    // Without a last-write time there is nothing to look up or to keep.
    if (!lastWriteTime)
        return {computeDigest(), false};

    Pending row{};
    row.id = fnv1aPathHash(path);
    row.id2 = elfPathHash(path);
    const auto written = std::to_chars(row.addt.data(), row.addt.data() + row.addt.size(),
                                       *lastWriteTime);
    row.addtLength = std::uint8_t(written.ptr - row.addt.data());

    sqlite3_stmt* lookUp = m_db->lookUp;
    sqlite3_bind_int64(lookUp, 1, row.id);
    sqlite3_bind_int64(lookUp, 2, row.id2);
    sqlite3_bind_text(lookUp, 3, row.addt.data(), row.addtLength, SQLITE_STATIC);
    const int result = sqlite3_step(lookUp);
    Digest digest;
    if (result == SQLITE_ROW) {
        digest.md5 = QString::fromUtf8(
            reinterpret_cast<const char*>(sqlite3_column_text(lookUp, 0)),
            sqlite3_column_bytes(lookUp, 0));
        const auto* version = reinterpret_cast<const char*>(sqlite3_column_text(lookUp, 1));
        const int versionLength = sqlite3_column_bytes(lookUp, 1);
        digest.fromCache = QByteArrayView(version, versionLength) == m_versionText;
        sqlite3_reset(lookUp);
        if (!digest.fromCache) {
            row.kind = Pending::Refresh;
            queue(row);
        }
    } else {
        sqlite3_reset(lookUp);
        if (result != SQLITE_DONE)
            fail(m_db->db, "Could not retrieve data");
        digest.md5 = computeDigest();
        row.kind = Pending::Forget;
        queue(row);
        row.kind = Pending::Store;
        row.md5Length = std::uint8_t(std::min<qsizetype>(digest.md5.size(), 32));
        for (int i = 0; i < row.md5Length; ++i)
            row.md5[std::size_t(i)] = char(digest.md5[i].unicode());
        queue(row);
    }
    if (m_pending.size() >= std::size_t(kBatchSize))
        Flush();
    return digest;
}

void TScanCache::Forget(const QString& path)
{
    Pending row{};
    row.kind = Pending::Forget;
    row.id = fnv1aPathHash(path);
    queue(row);
    if (m_pending.size() >= std::size_t(kBatchSize))
        Flush();
}

void TScanCache::queue(const Pending& pending)
{
    m_pending.push_back(pending);
}

void TScanCache::Flush()
{
    if (m_pending.empty())
        return;
    std::vector<Pending> pending;
    pending.swap(m_pending);
    m_pending.reserve(kBatchSize + 2);
    m_db->exec("BEGIN TRANSACTION");
    try {
        for (const Pending& row : pending) {
            switch (row.kind) {
            case Pending::Refresh:
                sqlite3_bind_text(m_db->refresh, 1, m_versionText.constData(),
                                  int(m_versionText.size()), SQLITE_STATIC);
                sqlite3_bind_int64(m_db->refresh, 2, row.id);
                m_db->run(m_db->refresh);
                break;
            case Pending::Forget:
                sqlite3_bind_int64(m_db->forget, 1, row.id);
                m_db->run(m_db->forget);
                break;
            case Pending::Store:
                sqlite3_bind_int64(m_db->store, 1, row.id);
                sqlite3_bind_int64(m_db->store, 2, row.id2);
                sqlite3_bind_text(m_db->store, 3, m_versionText.constData(),
                                  int(m_versionText.size()), SQLITE_STATIC);
                sqlite3_bind_text(m_db->store, 4, row.addt.data(), row.addtLength,
                                  SQLITE_STATIC);
                sqlite3_bind_text(m_db->store, 5, row.md5.data(), row.md5Length,
                                  SQLITE_STATIC);
                m_db->run(m_db->store);
                break;
            }
        }
        m_db->exec("COMMIT");
    } catch (...) {
        // Leave no transaction open behind a failed batch: the next batch
        // would fail to begin.
        sqlite3_exec(m_db->db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

} // namespace veridon
