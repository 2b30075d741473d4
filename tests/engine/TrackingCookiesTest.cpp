#include "engine/TrackingCookies.h"
#include "support/AreaHarness.h"
#include "support/FixturePrefix.h"
#include "support/UrlCacheWriter.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace veridon;

namespace {

struct TrackingCookiesArea : ::testing::Test
{
    test::FixturePrefix prefix;
    test::DefinitionTables tables;
    QString cookieFolder; // Windows path

    void SetUp() override { prefix.addStandardLayout(); }

    // Writes the cookie container's index with these records into the
    // environment's own cookie folder.
    void writeCookies(const std::vector<test::CacheRecordSpec>& records)
    {
        auto environment = prefix.open();
        cookieFolder = environment->shellFolders().specialFolder(Csidl::Cookies);
        ASSERT_FALSE(cookieFolder.isEmpty());
        const QString host = environment->files().toHostPath(cookieFolder);
        QDir().mkpath(host);
        test::CacheIndexPlan plan;
        plan.records = records;
        QFile index(host + QStringLiteral("/index.dat"));
        ASSERT_TRUE(index.open(QIODevice::WriteOnly));
        index.write(test::writeCacheIndex(plan).bytes);
        for (const test::CacheRecordSpec& record : records) {
            QFile cookie(host + QLatin1Char('/') + record.fileName);
            ASSERT_TRUE(cookie.open(QIODevice::WriteOnly));
            cookie.write(test::cookieFile({{"id", "1", "example/"}}));
        }
    }

    std::vector<ResultRow> run(std::int64_t* scanned = nullptr)
    {
        auto environment = prefix.open();
        ScanOptions options;
        options.riskLevel = 2;
        options.cookieRiskLevel = 1;
        test::AreaHarness harness(*environment, tables, options);
        scanTrackingCookies(harness.session());
        if (scanned)
            *scanned = harness.session().objectsScanned();
        return harness.host.results.rows();
    }
};

TEST_F(TrackingCookiesArea, ReportsCookiesOfListedSitesWithTheCookieRiskLevel)
{
    writeCookies({{"Cookie:ann@ads.TRACKER.example/", "ANN@TRACKER[1].txt"},
                  {"Cookie:ann@www.clean.example/", "ANN@CLEAN[1].txt"},
                  {"Cookie:ann@tracker.example/", "ANN@UPPER[1].TXT"},
                  {"Cookie:ann@counter.example/", "ANN@COUNTER[1].txt"}});
    tables.setCore(QStringLiteral("TrackingCookie.db"),
                   {QStringLiteral("nothing.example=1"), QStringLiteral("tracker.example=")});
    // A line without "=" names no site, even one that occurs in every address.
    tables.setAddition(QStringLiteral("TrackingCookie.db"),
                       {QStringLiteral("Cookie"), QStringLiteral("counter.example=x=y")});

    std::int64_t scanned = 0;
    const std::vector<ResultRow> rows = run(&scanned);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].record.threatName, QStringLiteral("Tracking Cookies"));
    EXPECT_EQ(rows[0].record.typeText, QStringLiteral("Cookies"));
    EXPECT_EQ(rows[0].record.objectText, cookieFolder + QStringLiteral("\\ANN@TRACKER[1].txt"));
    EXPECT_EQ(rows[0].record.extraText, QString());
    EXPECT_EQ(rows[0].record.idCode, QStringLiteral("7-2"));
    EXPECT_EQ(rows[0].record.riskLevel, 1);
    EXPECT_EQ(rows[1].record.objectText, cookieFolder + QStringLiteral("\\ANN@COUNTER[1].txt"));
    EXPECT_EQ(rows[1].record.idCode, QStringLiteral("7-4"));
    EXPECT_EQ(scanned, 4);
}

TEST_F(TrackingCookiesArea, OneCookieOfTwoSitesKeepsItsFirstRow)
{
    writeCookies({{"Cookie:ann@ads.tracker.example/", "ANN@ADS[1].txt"}});
    tables.setCore(QStringLiteral("TrackingCookie.db"),
                   {QStringLiteral("ads.=1"), QStringLiteral("tracker.example=1")});
    const std::vector<ResultRow> rows = run();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].record.idCode, QStringLiteral("7-1"));
}

} // namespace
