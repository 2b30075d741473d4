#include "engine/PathHash.h"
#include "engine/TScanCache.h"
#include "platform/Environment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <optional>

namespace veridon {
namespace {

using test::TempDir;

struct Row
{
    qint64 id = 0;
    qint64 id2 = 0;
    QString corever, addt, strf;
    QString addtType;
};

// Reads the table back through a connection of its own, as the next run would.
std::vector<Row> rowsOf(const QString& file)
{
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(file.toUtf8().constData(), &db), SQLITE_OK);
    sqlite3_stmt* s = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db,
                                 "select id,id2,corever,addt,strf,typeof(addt) from cainfo "
                                 "order by id",
                                 -1, &s, nullptr),
              SQLITE_OK);
    std::vector<Row> rows;
    const auto text = [&](int c) {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, c)));
    };
    while (sqlite3_step(s) == SQLITE_ROW)
        rows.push_back({sqlite3_column_int64(s, 0), sqlite3_column_int64(s, 1), text(2), text(3),
                        text(4), text(5)});
    sqlite3_finalize(s);
    sqlite3_close(db);
    return rows;
}

QString createStatementOf(const QString& file)
{
    sqlite3* db = nullptr;
    sqlite3_open(file.toUtf8().constData(), &db);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, "select sql from sqlite_master where name='cainfo'", -1, &s, nullptr);
    QString sql;
    if (sqlite3_step(s) == SQLITE_ROW)
        sql = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
    sqlite3_finalize(s);
    sqlite3_close(db);
    return sql;
}

const QString kPath = QStringLiteral("C:\\windows\\system32\\evil.dll");
const QString kDigest = QStringLiteral("0123456789abcdef0123456789abcdef");
constexpr std::uint64_t kTime = 133000000000000000ull;

class ScanCacheTest : public ::testing::Test
{
protected:
    std::unique_ptr<TScanCache> open(const QString& version)
    {
        return std::make_unique<TScanCache>(database, version, environment->files());
    }
    // A digest request for kPath whose computation is counted.
    DigestCache::Digest digestOf(TScanCache& cache, std::uint64_t time = kTime,
                                 const QString& path = kPath)
    {
        return cache.GetDigest(path, time, [this] {
            ++computed;
            return kDigest;
        });
    }

    TempDir dir;
    QString database = dir.file(TScanCache::kFileName);
    std::unique_ptr<Environment> environment = Environment::openEmpty();
    int computed = 0;
};

TEST(PathHashTest, FnvAndElfOverUtf16CodeUnits)
{
    EXPECT_EQ(fnv1aPathHash(u""), 2166136261u);
    EXPECT_EQ(elfPathHash(u""), 0u);
    EXPECT_EQ(fnv1aPathHash(u"a"), 723832900u);
    EXPECT_EQ(elfPathHash(u"a"), 97u);
    EXPECT_EQ(fnv1aPathHash(kPath), 3808062463u);
    EXPECT_EQ(elfPathHash(kPath), 29681052u);
    // No case folding: another letter case is another key.
    EXPECT_EQ(fnv1aPathHash(u"c:\\windows\\system32\\evil.dll"), 1461504031u);
    EXPECT_EQ(elfPathHash(u"c:\\windows\\system32\\evil.dll"), 29549980u);
}

TEST_F(ScanCacheTest, CreatesTheTableWithTheGivenStatement)
{
    open(QStringLiteral("1.0"));
    EXPECT_EQ(createStatementOf(database),
              QStringLiteral("CREATE TABLE cainfo (id integer primary key,id2 integer,corever "
                             "varchar(60),addt varchar(255),strf varchar(255))"));
    // A second open keeps the table.
    open(QStringLiteral("1.0"));
    EXPECT_EQ(rowsOf(database).size(), 0u);
}

TEST_F(ScanCacheTest, StoresOneRowPerFileAndAnswersTheNextRunFromIt)
{
    {
        auto cache = open(QStringLiteral("2026.12.01"));
        const DigestCache::Digest first = digestOf(*cache);
        EXPECT_EQ(first.md5, kDigest);
        EXPECT_FALSE(first.fromCache);
        EXPECT_EQ(computed, 1);
        // Queued, not yet written.
        EXPECT_EQ(cache->pendingCount(), 2);
        EXPECT_TRUE(rowsOf(database).empty());
    } // destroying flushes

    const std::vector<Row> rows = rowsOf(database);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].id, 3808062463);
    EXPECT_EQ(rows[0].id2, 29681052);
    EXPECT_EQ(rows[0].corever, QStringLiteral("2026.12.01"));
    EXPECT_EQ(rows[0].addt, QStringLiteral("133000000000000000"));
    EXPECT_EQ(rows[0].addtType, QStringLiteral("text"));
    EXPECT_EQ(rows[0].strf, kDigest);

    auto cache = open(QStringLiteral("2026.12.01"));
    const DigestCache::Digest again = digestOf(*cache);
    EXPECT_EQ(again.md5, kDigest);
    EXPECT_TRUE(again.fromCache);
    EXPECT_EQ(computed, 1);
    EXPECT_EQ(cache->pendingCount(), 0);
}

TEST_F(ScanCacheTest, NewDefinitionsKeepTheDigestAndRefreshTheVersion)
{
    open(QStringLiteral("1"))->GetDigest(kPath, kTime, [] { return kDigest; });
    auto cache = open(QStringLiteral("2"));
    const DigestCache::Digest digest = digestOf(*cache);
    EXPECT_EQ(digest.md5, kDigest);
    EXPECT_FALSE(digest.fromCache);
    EXPECT_EQ(computed, 0);
    EXPECT_EQ(cache->pendingCount(), 1);
    cache->Flush();
    ASSERT_EQ(rowsOf(database).size(), 1u);
    EXPECT_EQ(rowsOf(database)[0].corever, QStringLiteral("2"));
    EXPECT_TRUE(digestOf(*cache).fromCache);
}

TEST_F(ScanCacheTest, LookUpOnlyReadsAndSettleQueuesWhatGetDigestWould)
{
    const auto compute = [this] {
        ++computed;
        return kDigest;
    };
    {
        auto cache = open(QStringLiteral("1"));
        EXPECT_EQ(cache->LookUp(kPath, kTime), std::nullopt);
        EXPECT_EQ(cache->pendingCount(), 0);
        const DigestCache::Digest digest = cache->Settle(kPath, kTime, std::nullopt, compute);
        EXPECT_EQ(digest.md5, kDigest);
        EXPECT_FALSE(digest.fromCache);
        EXPECT_EQ(computed, 1);
        EXPECT_EQ(cache->pendingCount(), 2);
    }
    auto cache = open(QStringLiteral("2"));
    const std::optional<DigestCache::Row> row = cache->LookUp(kPath, kTime);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->md5, kDigest);
    EXPECT_FALSE(row->currentVersion);
    // A look-up alone changes nothing: a file announced but never checked
    // keeps its old version.
    EXPECT_EQ(cache->pendingCount(), 0);
    EXPECT_EQ(cache->LookUp(kPath, kTime + 1), std::nullopt);

    const DigestCache::Digest settled = cache->Settle(kPath, kTime, row, compute);
    EXPECT_EQ(settled.md5, kDigest);
    EXPECT_FALSE(settled.fromCache);
    EXPECT_EQ(computed, 1);
    EXPECT_EQ(cache->pendingCount(), 1);
    cache->Flush();
    ASSERT_EQ(rowsOf(database).size(), 1u);
    EXPECT_EQ(rowsOf(database)[0].corever, QStringLiteral("2"));
    EXPECT_TRUE(cache->LookUp(kPath, kTime)->currentVersion);
}

TEST_F(ScanCacheTest, AChangedFileIsHashedAgainAndItsRowReplaced)
{
    open(QStringLiteral("1"))->GetDigest(kPath, kTime, [] { return QStringLiteral("old"); });
    {
        auto cache = open(QStringLiteral("1"));
        const DigestCache::Digest digest = digestOf(*cache, kTime + 1);
        EXPECT_EQ(digest.md5, kDigest);
        EXPECT_FALSE(digest.fromCache);
        EXPECT_EQ(computed, 1);
    }
    const std::vector<Row> rows = rowsOf(database);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].strf, kDigest);
    EXPECT_EQ(rows[0].addt, QString::number(kTime + 1));
}

TEST_F(ScanCacheTest, SamePathTwiceInOneRunLeavesOneRow)
{
    auto cache = open(QStringLiteral("1"));
    digestOf(*cache);
    EXPECT_FALSE(digestOf(*cache).fromCache); // the store is still pending
    EXPECT_EQ(computed, 2);
    cache->Flush();
    EXPECT_EQ(rowsOf(database).size(), 1u);
}

TEST_F(ScanCacheTest, LetterCaseMakesAnotherEntry)
{
    auto cache = open(QStringLiteral("1"));
    digestOf(*cache);
    digestOf(*cache, kTime, kPath.toLower());
    cache->Flush();
    EXPECT_EQ(rowsOf(database).size(), 2u);
    EXPECT_TRUE(digestOf(*cache, kTime, kPath.toLower()).fromCache);
}

TEST_F(ScanCacheTest, ForgetDropsTheRowAtTheNextFlush)
{
    auto cache = open(QStringLiteral("1"));
    digestOf(*cache);
    cache->Flush();
    cache->Forget(kPath);
    EXPECT_EQ(rowsOf(database).size(), 1u);
    cache->Flush();
    EXPECT_TRUE(rowsOf(database).empty());
    EXPECT_FALSE(digestOf(*cache).fromCache);
}

TEST_F(ScanCacheTest, WritesInBatchesOfTwoThousandStatements)
{
    auto cache = open(QStringLiteral("1"));
    for (int i = 0; i < 999; ++i)
        digestOf(*cache, kTime, kPath + QString::number(i));
    EXPECT_EQ(cache->pendingCount(), 1998);
    EXPECT_TRUE(rowsOf(database).empty());
    digestOf(*cache, kTime, kPath + QStringLiteral("last"));
    EXPECT_EQ(cache->pendingCount(), 0);
    EXPECT_EQ(rowsOf(database).size(), 1000u);
}

TEST_F(ScanCacheTest, AVersionWithQuotesIsStoredAsItStands)
{
    const QString version = QStringLiteral("1\"; drop table cainfo; --'");
    open(version)->GetDigest(kPath, kTime, [] { return kDigest; });
    const std::vector<Row> rows = rowsOf(database);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].corever, version);
    auto cache = open(version);
    EXPECT_TRUE(digestOf(*cache).fromCache);
}

TEST_F(ScanCacheTest, AFileThatIsNotThereIsHashedButNotKept)
{
    TempDir files;
    const QString missing =
        environment->files().toWindowsPath(files.file(QStringLiteral("gone.exe")));
    auto cache = open(QStringLiteral("1"));
    EXPECT_FALSE(cache->GetDigest(missing).fromCache);
    EXPECT_EQ(cache->pendingCount(), 0);
}

TEST_F(ScanCacheTest, ReadsTheFileAndItsTimeFromTheEnvironment)
{
    TempDir files;
    const QString file = environment->files().toWindowsPath(
        files.write(QStringLiteral("a.txt"), QByteArrayLiteral("abc")));
    auto cache = open(QStringLiteral("1"));
    const DigestCache::Digest digest = cache->GetDigest(file);
    EXPECT_EQ(digest.md5, QStringLiteral("900150983cd24fb0d6963f7d28e17f72"));
    cache->Flush();
    ASSERT_EQ(rowsOf(database).size(), 1u);
    EXPECT_EQ(rowsOf(database)[0].addt,
              QString::number(environment->files().stat(file)->lastWriteTime));
    EXPECT_TRUE(cache->GetDigest(file).fromCache);
}

TEST_F(ScanCacheTest, TheFactoryOpensTheDatabaseOfTheProgramFolder)
{
    const ScanCacheFactory factory = scanCacheIn(dir.path(), environment->files());
    factory(QStringLiteral("7"))->GetDigest(kPath, kTime, [] { return kDigest; });
    ASSERT_EQ(rowsOf(database).size(), 1u);
    EXPECT_EQ(rowsOf(database)[0].corever, QStringLiteral("7"));
}

} // namespace
} // namespace veridon
