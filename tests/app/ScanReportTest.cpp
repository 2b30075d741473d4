#include "app/ScanReport.h"

#include "support/TempDir.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace veridon;
using veridon::test::TempDir;
using veridon::test::readAll;

namespace {

ReportHeader header()
{
    return {QStringLiteral("Windows XP"), QStringLiteral("0.1.0"), QStringLiteral("2024.05.01"),
            QDateTime(QDate(2009, 8, 5), QTime(9, 5, 3))};
}

ResultRow row(const char* name, const char* type, const char* object, const char* id)
{
    ResultRow r;
    r.record = {QString::fromLatin1(name), QString::fromLatin1(type), QString::fromLatin1(object),
                QStringLiteral("extra"), QString::fromLatin1(id), 2};
    r.caption = r.record.threatName;
    return r;
}

} // namespace

TEST(ScanReport, OperatingSystemNames)
{
    struct Case
    {
        int platform, major, minor;
        const char* name;
    };
    const Case cases[] = {
        {2, 3, 51, "Windows NT"},  {2, 4, 0, "Windows NT"},     {2, 5, 0, "Windows 2000"},
        {2, 5, 1, "Windows XP"},   {2, 5, 2, "Windows 2003 Server"},
        {2, 6, 0, "Windows Vista"}, {2, 6, 1, "Windows 7"},     {2, 6, 2, "Windows 6.2"},
        {2, 10, 0, "Windows 10.0"}, {1, 4, 10, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(operatingSystemName(c.platform, c.major, c.minor), QString::fromLatin1(c.name))
            << c.major << "." << c.minor;
    EXPECT_EQ(operatingSystemName(QStringLiteral("5.1")), QStringLiteral("Windows XP"));
    EXPECT_EQ(operatingSystemName(QStringLiteral("")), QString());
}

TEST(ScanReport, EmptyListGivesExactlyTheEightHeadLines)
{
    const QStringList lines = reportLines({}, header(), defaultText);
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(lines[0], QStringLiteral("Teliq Veridon"));
    EXPECT_EQ(lines[1], QString());
    EXPECT_EQ(lines[2], QStringLiteral("OS:Windows XP"));
    EXPECT_EQ(lines[3], QStringLiteral("Version:0.1.0"));
    EXPECT_EQ(lines[4], QStringLiteral("Define Version:2024.05.01"));
    EXPECT_TRUE(lines[5].startsWith(QStringLiteral("Time:")));
    EXPECT_GT(lines[5].size(), 5);
    EXPECT_EQ(lines[6], QString());
    EXPECT_EQ(lines[7], QStringLiteral("|Name|Type|Description|ID|"));
}

TEST(ScanReport, RowsFollowInListOrderWithTranslatedLabels)
{
    std::vector<ResultRow> rows{row("Trojan.A", "File", "C:\\a.exe", "9-3"),
                                row("Adware.B", "Registry Key", "HKEY_CURRENT_USER\\Software\\B", "5-1")};
    rows[0].caption = QStringLiteral("Removed - Trojan.A");
    const TextLookup german = [](const QString& key, const QString& def) {
        if (key == QLatin1String("OS"))
            return QStringLiteral("Betriebssystem:");
        return key == QLatin1String("Head") ? QStringLiteral("|N|T|B|ID|") : def;
    };
    const QStringList lines = reportLines(rows, header(), german);
    ASSERT_EQ(lines.size(), 10);
    EXPECT_EQ(lines[2], QStringLiteral("Betriebssystem:Windows XP"));
    EXPECT_EQ(lines[7], QStringLiteral("|N|T|B|ID|"));
    EXPECT_EQ(lines[8], QStringLiteral("Removed - Trojan.A, File, C:\\a.exe, 9-3"));
    EXPECT_EQ(lines[9], QStringLiteral("Adware.B, Registry Key, HKEY_CURRENT_USER\\Software\\B, 5-1"));
}

TEST(ScanReport, ScanLogNameHasNoLeadingZerosInTheTime)
{
    EXPECT_EQ(scanLogName(QDateTime(QDate(2009, 8, 5), QTime(9, 5, 3))),
              QStringLiteral("2009-08-05 9-5-3.log"));
    EXPECT_EQ(scanLogName(QDateTime(QDate(2024, 12, 31), QTime(23, 59, 10))),
              QStringLiteral("2024-12-31 23-59-10.log"));
}

TEST(ScanReport, ScanLogIsWrittenIntoLogScanWithCrLfLines)
{
    TempDir dir;
    const QString program = dir.file(QStringLiteral("program"));
    std::vector<ResultRow> rows{row("Trojan.A", "File", "C:\\a.exe", "9-3")};
    const QString path = writeScanLog(program, rows, header(), defaultText);
    EXPECT_EQ(path, program + QStringLiteral("/log/Scan/2009-08-05 9-5-3.log"));
    const QByteArray bytes = readAll(path);
    EXPECT_TRUE(bytes.startsWith("Teliq Veridon\r\n\r\nOS:Windows XP\r\n"));
    EXPECT_TRUE(bytes.endsWith("|Name|Type|Description|ID|\r\nTrojan.A, File, C:\\a.exe, 9-3\r\n"));
    EXPECT_EQ(bytes.count("\r\n"), 9);
    EXPECT_EQ(bytes.count('\n'), 9);

    // A second run within the same second replaces the first log.
    writeScanLog(program, {}, header(), defaultText);
    EXPECT_EQ(readAll(path).count("\r\n"), 8);
    EXPECT_EQ(QDir(program + QStringLiteral("/log/Scan")).entryList(QDir::Files).size(), 1);
}
