#include "platform/UrlCacheIndex.h"
#include "platform/posix/PrefixUrlCache.h"
#include "platform/posix/ProcProcessTable.h"
#include "support/QtPrinting.h"
#include "support/TempDir.h"
#include "support/UrlCacheWriter.h"

#include <QFile>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace veridon;
using namespace veridon::test;

namespace {

const QString kCookies = "C:\\users\\ann\\AppData\\Local\\Microsoft\\Windows\\INetCookies";
const QString kContent =
    "C:\\users\\ann\\AppData\\Local\\Microsoft\\Windows\\INetCache\\Content.IE5";

CacheIndexPlan cookieIndex()
{
    CacheIndexPlan plan;
    plan.records = {{"Cookie:ann@www.tracker.example/", "GQU4JC5H.txt", 0x00100000, 75},
                    {"Cookie:ann@ads.example.com/path/", "NAABJC5H.txt", 0x00100000, 146}};
    return plan;
}

struct Fixture
{
    TempDir dir;
    QString cookies = dir.mkdir("INetCookies");
    QString content = dir.mkdir("Content.IE5");
    ProcProcessTable processes;

    PrefixUrlCache cache()
    {
        return PrefixUrlCache(
            [this] {
                return std::vector<UrlCacheContainer>{{kContent, content, false},
                                                      {kCookies, cookies, true}};
            },
            [] { return QStringLiteral("ann"); }, &processes);
    }
};

} // namespace

TEST(UrlCache, ListsEntriesOfEveryContainer)
{
    Fixture f;
    f.dir.write("INetCookies/index.dat", writeCacheIndex(cookieIndex()).bytes);
    CacheIndexPlan content;
    content.windowsSignature = true;
    content.subfolders = {"AB12CD34", "ZZ99YY88"};
    content.records = {{"http://example.org/logo.png", "logo[1].png", 0x1, 4096, 1},
                       {"http://example.org/", {}, 0x1, 0, -1}};
    f.dir.write("Content.IE5/index.dat", writeCacheIndex(content).bytes);

    const auto entries = f.cache().entries();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].sourceUrl, "http://example.org/logo.png");
    EXPECT_EQ(entries[0].localFile, kContent + "\\ZZ99YY88\\logo[1].png");
    EXPECT_EQ(entries[0].size, 4096u);
    EXPECT_EQ(entries[1].localFile, "");
    EXPECT_EQ(entries[2].sourceUrl, "Cookie:ann@www.tracker.example/");
    EXPECT_EQ(entries[2].localFile, kCookies + "\\GQU4JC5H.txt");
    EXPECT_EQ(entries[2].type, UrlCacheType::Cookie);
    EXPECT_EQ(entries[3].size, 146u);
}

// The change must be the one WinINet itself makes, so Wine keeps reading the
// index: hash entry marked deleted, blocks freed, counters lowered.
TEST(UrlCache, DeletingRemovesTheFileAndTheRecord)
{
    Fixture f;
    const CacheIndexLayout layout = writeCacheIndex(cookieIndex());
    const QString index = f.dir.write("INetCookies/index.dat", layout.bytes);
    const QString first =
        f.dir.write("INetCookies/GQU4JC5H.txt", cookieFile({{"uid", "1", "www.tracker.example/"}}));
    const QString second = f.dir.write("INetCookies/NAABJC5H.txt", "x");

    PrefixUrlCache cache = f.cache();
    EXPECT_FALSE(cache.deleteEntry("cookie:ann@www.tracker.example/")); // exact match only
    ASSERT_TRUE(cache.deleteEntry("Cookie:ann@www.tracker.example/"));
    EXPECT_FALSE(QFile::exists(first));
    EXPECT_TRUE(QFile::exists(second));

    const QByteArray after = readAll(index);
    const QByteArray before = layout.bytes;
    EXPECT_EQ(qFromLittleEndian<quint32>(after.constData() + layout.hashEntryOffsets[0]), 1u);
    EXPECT_EQ(qFromLittleEndian<quint32>(after.constData() + layout.hashEntryOffsets[0] + 4),
              layout.recordOffsets[0]);
    EXPECT_EQ(qFromLittleEndian<quint32>(after.constData() + 0x28),
              qFromLittleEndian<quint32>(before.constData() + 0x28) - 2);
    EXPECT_EQ(qFromLittleEndian<quint64>(after.constData() + 0x38), 146u);
    EXPECT_EQ(uchar(after[0x254]), uchar(before[0x254]) & ~0x03); // blocks 32 and 33

    const auto entries = cache.entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].sourceUrl, "Cookie:ann@ads.example.com/path/");
    EXPECT_FALSE(cache.deleteEntry("Cookie:ann@www.tracker.example/"));
}

TEST(UrlCache, AnEntryCanBeNamedByItsLocalFile)
{
    Fixture f;
    f.dir.write("INetCookies/index.dat", writeCacheIndex(cookieIndex()).bytes);
    const QString cookie = f.dir.write("INetCookies/NAABJC5H.txt", "x");
    PrefixUrlCache cache = f.cache();
    ASSERT_TRUE(cache.deleteEntry(kCookies.toUpper() + "\\naabjc5h.TXT"));
    EXPECT_FALSE(QFile::exists(cookie));
    ASSERT_EQ(cache.entries().size(), 1u);
    EXPECT_EQ(cache.entries()[0].sourceUrl, "Cookie:ann@www.tracker.example/");
}

TEST(UrlCache, WithoutAnIndexEntriesComeFromTheCookieFiles)
{
    Fixture f;
    f.dir.write("INetCookies/AAAA1111.txt",
                cookieFile({{"id", "zz", "ads.example.com/path/"},
                            {"second", "yy", "ads.example.com/path/"}}));
    f.dir.write("INetCookies/notes.txt", "just a note\n");
    PrefixUrlCache cache = f.cache();
    const auto entries = cache.entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].sourceUrl, "Cookie:ann@ads.example.com/path/");
    EXPECT_EQ(entries[0].localFile, kCookies + "\\AAAA1111.txt");
    EXPECT_EQ(entries[0].type, UrlCacheType::Cookie);
    ASSERT_TRUE(cache.deleteEntry("Cookie:ann@ads.example.com/path/"));
    EXPECT_FALSE(QFile::exists(f.dir.file("INetCookies/AAAA1111.txt")));
    EXPECT_TRUE(cache.entries().empty());
}

TEST(UrlCache, LeavesAnIndexAloneWhileAProcessHoldsIt)
{
    Fixture f;
    const QString index =
        f.dir.write("INetCookies/index.dat", writeCacheIndex(cookieIndex()).bytes);
    const QString cookie = f.dir.write("INetCookies/GQU4JC5H.txt", "x");
    QFile held(index);
    ASSERT_TRUE(held.open(QIODevice::ReadOnly));
    PrefixUrlCache cache = f.cache();
    EXPECT_FALSE(cache.deleteEntry("Cookie:ann@www.tracker.example/"));
    EXPECT_TRUE(QFile::exists(cookie));
    EXPECT_EQ(cache.entries().size(), 2u);
}

TEST(UrlCacheIndex, DamagedIndexesYieldOnlySoundRecords)
{
    const CacheIndexLayout layout = writeCacheIndex(cookieIndex());
    const quint32 r0 = layout.recordOffsets[0];
    struct Case
    {
        const char* name;
        std::function<void(QByteArray&)> damage;
        int expected;
    };
    const std::vector<Case> cases = {
        {"hash table chained to itself",
         [](QByteArray& b) { qToLittleEndian<quint32>(0x4000, b.data() + 0x4008); }, 2},
        {"record offset outside the file",
         [&](QByteArray& b) {
             qToLittleEndian<quint32>(0x7ffffff0, b.data() + layout.hashEntryOffsets[0] + 4);
         },
         1},
        {"URL offset outside the record",
         [&](QByteArray& b) { qToLittleEndian<quint32>(0xffffff00, b.data() + r0 + 0x34); }, 1},
        {"URL without terminator",
         [&](QByteArray& b) {
             qToLittleEndian<quint32>(1, b.data() + r0 + 4);
             for (quint32 i = r0 + 0x68; i < r0 + 0x80; ++i)
                 b[i] = 'a';
         },
         1},
        {"record claims huge size",
         [&](QByteArray& b) { qToLittleEndian<quint32>(0xffffffff, b.data() + r0 + 4); }, 2},
        {"hash table size beyond the file",
         [](QByteArray& b) { qToLittleEndian<quint32>(0xffffffff, b.data() + 0x4004); }, 2},
        {"hash table offset outside",
         [](QByteArray& b) { qToLittleEndian<quint32>(0xfffffff0, b.data() + 0x20); }, 0},
    };
    for (const Case& c : cases) {
        QByteArray bytes = layout.bytes;
        c.damage(bytes);
        const auto index = UrlCacheIndex::parse(bytes);
        ASSERT_TRUE(index) << c.name;
        EXPECT_EQ(int(index->records().size()), c.expected) << c.name;
    }
    EXPECT_FALSE(UrlCacheIndex::parse("WINE URLCache Ver 0.2012001")); // header cut short
    EXPECT_FALSE(UrlCacheIndex::parse(QByteArray(0x8000, 'x')));
}
