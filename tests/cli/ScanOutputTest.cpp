#include "cli/scan/CliScanHost.h"
#include "cli/scan/ScanOutput.h"

#include "support/QtPrinting.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace veridon;
using namespace veridon::cli;

namespace {

std::vector<ResultRow> sampleRows()
{
    ResultRow file;
    file.record = {QStringLiteral("Trojan.Demo"), QStringLiteral("File"),
                   QStringLiteral("C:\\windows\\evil.exe"), QString(), QStringLiteral("9-2"), 2};
    file.caption = QStringLiteral("Quarantined - Trojan.Demo");
    ResultRow data;
    data.record = {QStringLiteral("Hijack.Start"), QStringLiteral("Registry Data"),
                   QStringLiteral("HKEY_CURRENT_USER\\Software\\Main Value=Start Page"),
                   QStringLiteral("bad\tpage^about:blank"), QStringLiteral("6-1"), 2};
    data.caption = data.record.threatName;
    return {file, data};
}

} // namespace

TEST(ScanOutput, TsvHasOneLinePerRowWithSixColumnsOrSevenAfterRemoval)
{
    const QByteArray plain = formatRows(sampleRows(), OutputFormat::Tsv, false);
    EXPECT_EQ(plain, QByteArray("Trojan.Demo\tFile\tC:\\windows\\evil.exe\t\t9-2\t2\n"
                                "Hijack.Start\tRegistry Data\tHKEY_CURRENT_USER\\Software\\Main "
                                "Value=Start Page\tbad page^about:blank\t6-1\t2\n"));
    const QByteArray removed = formatRows(sampleRows(), OutputFormat::Tsv, true);
    const QList<QByteArray> lines = removed.split('\n');
    ASSERT_EQ(lines.size(), 3); // two lines and the empty rest after the last line end
    EXPECT_EQ(lines[0].split('\t').size(), 7);
    EXPECT_EQ(lines[0].split('\t').last(), QByteArray("Quarantined - Trojan.Demo"));
}

TEST(ScanOutput, JsonIsAnArrayOfObjectsWithTheSameFields)
{
    const QJsonDocument doc =
        QJsonDocument::fromJson(formatRows(sampleRows(), OutputFormat::Json, true));
    ASSERT_TRUE(doc.isArray());
    const QJsonArray array = doc.array();
    ASSERT_EQ(array.size(), 2);
    const QJsonObject second = array[1].toObject();
    EXPECT_EQ(second[QStringLiteral("threatName")].toString(), QStringLiteral("Hijack.Start"));
    EXPECT_EQ(second[QStringLiteral("type")].toString(), QStringLiteral("Registry Data"));
    EXPECT_EQ(second[QStringLiteral("extra")].toString(), QStringLiteral("bad\tpage^about:blank"));
    EXPECT_EQ(second[QStringLiteral("id")].toString(), QStringLiteral("6-1"));
    EXPECT_EQ(second[QStringLiteral("riskLevel")].toInt(), 2);
    EXPECT_EQ(array[0].toObject()[QStringLiteral("caption")].toString(),
              QStringLiteral("Quarantined - Trojan.Demo"));
    EXPECT_FALSE(QJsonDocument::fromJson(formatRows(sampleRows(), OutputFormat::Json, false))
                     .array()[0]
                     .toObject()
                     .contains(QStringLiteral("caption")));
    EXPECT_EQ(QJsonDocument::fromJson(formatRows({}, OutputFormat::Json, false)).array().size(), 0);
}

TEST(ScanOutput, TextNamesEveryRowAndEndsWithTheSummary)
{
    const QString text = QString::fromUtf8(
        formatRows(sampleRows(), OutputFormat::Text, false, QStringLiteral("2 threats detected")));
    EXPECT_TRUE(text.contains(QStringLiteral("C:\\windows\\evil.exe")));
    EXPECT_TRUE(text.contains(QStringLiteral("[Trojan.Demo]")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("2 threats detected\n")));
}

TEST(ScanOutput, FormatNames)
{
    EXPECT_EQ(parseOutputFormat(QStringLiteral("tsv")), OutputFormat::Tsv);
    EXPECT_EQ(parseOutputFormat(QStringLiteral("json")), OutputFormat::Json);
    EXPECT_EQ(parseOutputFormat(QStringLiteral("text")), OutputFormat::Text);
    EXPECT_FALSE(parseOutputFormat(QStringLiteral("xml")));
}

TEST(CliScanHost, DuplicatesDoNotAddRowsAndRemovalUpdatesTheModel)
{
    CliScanHost host(nullptr);
    host.beginRun({QStringLiteral("9-12")});
    TDetectionRecord a{QStringLiteral("A"), QStringLiteral("File"), QStringLiteral("C:\\a.exe"),
                       {}, QStringLiteral("9-1"), 2};
    EXPECT_TRUE(host.addDetection(a, 1));
    EXPECT_FALSE(host.addDetection(a, 2)); // the same object again
    TDetectionRecord white = a;
    white.objectText = QStringLiteral("C:\\b.exe");
    white.idCode = QStringLiteral("9-120");
    EXPECT_FALSE(host.addDetection(white, 2));
    ASSERT_EQ(host.results().rows().size(), 1u);
    host.setCaption(0, QStringLiteral("Removed - A"));
    host.setImageIndex(0, 0);
    host.setCaption(5, QStringLiteral("ignored: no such row"));
    EXPECT_EQ(host.results().rows()[0].caption, QStringLiteral("Removed - A"));
    EXPECT_EQ(host.results().rows()[0].imageIndex, 0);
}
