#include "remedy/RecentActiveThreats.h"
#include "remedy/RegistryTrace.h"
#include "support/AreaHarness.h"
#include "support/FixturePrefix.h"

#include <gtest/gtest.h>

using namespace veridon;

namespace {

const QString kTraceKeys = QStringLiteral(R"([HKLM\Software\EvilCorp]
[HKLM\Software\EvilCorp\Settings]
[HKCU\Software\ToolbarOne]
[HKCU\Software\ToolbarTwo]
[HKCU\Software\Other]
[HKLM\Software\Foo]
"RunA"="a.exe"
"runB"="b.exe"
"NotRun"="c.exe"
"Shell"="  evil.exe  "
"BinShell"=hex:65,76,69,6c,2e,65,78,65
"DwShell"=dword:00000001
"Start Page"="http://www.evil.com/start"
"Clean"="good.exe"
)");

struct RecentActiveArea : ::testing::Test
{
    test::FixturePrefix prefix;
    test::DefinitionTables tables;
    QStringList fileTraces;
    std::int64_t objectsScanned = 0;
    std::vector<int> positions;

    QStringList run(const QStringList& extra)
    {
        prefix.addRegistryText(kTraceKeys);
        tables.setCore(QStringLiteral("Extra.db"), extra);
        auto environment = prefix.open();
        test::AreaHarness harness(*environment, tables);
        scanRecentActiveThreats(harness.session(), [this](ScanSession&, int index,
                                                          const QString& threatName,
                                                          const QString& entry) {
            fileTraces.append(QString::number(index) + QLatin1Char(' ') + threatName +
                              QLatin1Char('|') + entry);
        });
        objectsScanned = harness.session().objectsScanned();
        positions = harness.host.positions;
        return harness.rows();
    }
};

struct TraceCase
{
    const char* entry;
    QStringList rows;
};

class RegistryTraceForms : public RecentActiveArea,
                           public ::testing::WithParamInterface<TraceCase>
{
};

TEST_P(RegistryTraceForms, ReportsWhatTheTraceNames)
{
    const TraceCase& c = GetParam();
    EXPECT_EQ(run({QStringLiteral("Trace.X,") + QString::fromUtf8(c.entry)}), c.rows) << c.entry;
    EXPECT_TRUE(fileTraces.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Forms, RegistryTraceForms,
    ::testing::Values(
        TraceCase{"HKLM\\Software\\EvilCorp",
                  {"4-1 Registry Key HKEY_LOCAL_MACHINE\\Software\\EvilCorp"}},
        TraceCase{"HKLM\\Software\\Absent", {}},
        // A pattern last component: every matching subkey, with its stored name.
        TraceCase{"HKCU\\Software\\toolbar*",
                  {"4-1 Registry Key HKEY_CURRENT_USER\\Software\\ToolbarOne",
                   "4-1 Registry Key HKEY_CURRENT_USER\\Software\\ToolbarTwo"}},
        // Ranges, like the rest of a pattern, ignore letter case.
        TraceCase{"HKCU\\Software\\Toolbar[a-n]ne", {}},
        TraceCase{"HKCU\\Software\\Toolbar[n-p]ne",
                  {"4-1 Registry Key HKEY_CURRENT_USER\\Software\\ToolbarOne"}},
        TraceCase{"HKCU\\Software\\T?olbarOne",
                  {"4-1 Registry Key HKEY_CURRENT_USER\\Software\\ToolbarOne"}},
        TraceCase{"HKLM\\Software\\Foo|Shell",
                  {"4-1 Registry Value HKEY_LOCAL_MACHINE\\Software\\Foo Value=Shell"}},
        TraceCase{"HKLM\\Software\\Foo|Missing", {}},
        TraceCase{"HKLM\\Software\\Foo|Run*",
                  {"4-1 Registry Value HKEY_LOCAL_MACHINE\\Software\\Foo Value=RunA",
                   "4-1 Registry Value HKEY_LOCAL_MACHINE\\Software\\Foo Value=runB"}},
        // Value with data: the current data is trimmed; other types never match.
        TraceCase{"HKLM\\Software\\Foo|Shell=evil.exe",
                  {"4-1 Registry Value HKEY_LOCAL_MACHINE\\Software\\Foo Value=Shell"}},
        TraceCase{"HKLM\\Software\\Foo|Shell=Evil.exe", {}},
        TraceCase{"HKLM\\Software\\Foo|BinShell=evil.exe", {}},
        TraceCase{"HKLM\\Software\\Foo|DwShell=1", {}},
        TraceCase{"HKLM\\Software\\Foo|*Shell=evil.exe",
                  {"4-1 Registry Value HKEY_LOCAL_MACHINE\\Software\\Foo Value=Shell"}},
        TraceCase{"HKLM\\Software\\Foo|Start Page=*EVIL.COM*",
                  {"4-1 Registry Value HKEY_LOCAL_MACHINE\\Software\\Foo Value=Start Page"}},
        TraceCase{"HKLM\\Software\\Foo|Clean=evil.exe", {}},
        // A root in lower case names its hive all the same.
        TraceCase{"hklm\\Software\\EvilCorp",
                  {"4-1 Registry Key HKEY_LOCAL_MACHINE\\Software\\EvilCorp"}},
        // A trace must name something below the hive.
        TraceCase{"HKLM\\", {}}, TraceCase{"HKLM\\|Shell", {}}));

TEST_F(RecentActiveArea, FileTracesGoToTheFileSide)
{
    const QStringList rows = run({QStringLiteral("File.A, %SYSDIR%\\evil.dll ,MZ"),
                                  QStringLiteral("Reg.B,HKLM\\Software\\EvilCorp"),
                                  QStringLiteral("Users.C,HKU\\.Default\\Software\\EvilCorp"),
                                  QStringLiteral("Long.D,HKEY_LOCAL_MACHINE\\Software\\EvilCorp"),
                                  QStringLiteral("no comma at all")});
    EXPECT_EQ(rows, QStringList({"4-2 Registry Key HKEY_LOCAL_MACHINE\\Software\\EvilCorp"}));
    EXPECT_EQ(fileTraces, QStringList({"0 File.A|%SYSDIR%\\evil.dll ,MZ",
                                       "2 Users.C|HKU\\.Default\\Software\\EvilCorp",
                                       "3 Long.D|HKEY_LOCAL_MACHINE\\Software\\EvilCorp",
                                       "4 |no comma at all"}));
    EXPECT_EQ(objectsScanned, 5);
    ASSERT_FALSE(positions.empty());
    EXPECT_EQ(positions.back(), 2 + 33);
}

TEST_F(RecentActiveArea, StopEndsTheLoop)
{
    prefix.addRegistryText(kTraceKeys);
    tables.setCore(QStringLiteral("Extra.db"), {QStringLiteral("A,HKLM\\Software\\EvilCorp"),
                                                QStringLiteral("B,HKLM\\Software\\Foo|Shell")});
    auto environment = prefix.open();
    test::AreaHarness harness(*environment, tables);
    harness.host.onDetection = [&](const TDetectionRecord&) { harness.session().requestStop(); };
    scanRecentActiveThreats(harness.session(), {});
    EXPECT_EQ(harness.rows(),
              QStringList({"4-1 Registry Key HKEY_LOCAL_MACHINE\\Software\\EvilCorp"}));
    EXPECT_EQ(harness.session().objectsScanned(), 1);
}

} // namespace
