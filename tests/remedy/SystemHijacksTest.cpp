#include "remedy/SystemHijacks.h"
#include "support/AreaHarness.h"
#include "support/FixturePrefix.h"

#include <gtest/gtest.h>

using namespace veridon;

namespace {

const QString kHijackedKeys = QStringLiteral(R"([HKLM\Software\Microsoft\Windows NT\CurrentVersion\Winlogon]
"Shell"="  evil.exe  "
"Userinit"=str(2):"C:\\windows\\system32\\userinit.exe,"
[HKCU\Software\Microsoft\Internet Explorer\Main]
"Start Page"="http://www.evil.example/"
"Binary"=hex:31
[HKCU\Software\Microsoft\Windows\CurrentVersion\Policies\System]
"DisableTaskMgr"=dword:00000001
"Big"=dword:ffffffff
[HKU\S-1-5-21-0-0-0-1000\Software\Hijacked]
"Shell"="evil.exe"
)");

struct SystemHijacksArea : ::testing::Test
{
    test::FixturePrefix prefix;
    test::DefinitionTables tables;
    std::vector<ResultRow> rows;
    std::int64_t objectsScanned = 0;
    bool filled = false;

    QStringList run(const QStringList& rules, const QString& windowsName = {})
    {
        if (!filled)
            prefix.addRegistryText(kHijackedKeys);
        filled = true;
        tables.setCore(QStringLiteral("Replace.db"), rules);
        auto environment = prefix.open();
        test::AreaHarness harness(*environment, tables);
        scanSystemHijacks(harness.session(), windowsName);
        rows = harness.host.results.rows();
        objectsScanned = harness.session().objectsScanned();
        QStringList texts;
        for (const ResultRow& row : rows)
            texts.append(row.record.idCode + QLatin1Char(' ') + row.record.typeText +
                         QLatin1Char(' ') + row.record.objectText + QStringLiteral(" | ") +
                         row.record.extraText);
        return texts;
    }
};

TEST_F(SystemHijacksArea, StringValueReportsCurrentAndGoodData)
{
    EXPECT_EQ(run({QStringLiteral(
                  "Hijack.Shell ,HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon"
                  " | Shell = evil.exe , Explorer.exe ")}),
              QStringList({"6-1 Registry Data HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows "
                           "NT\\CurrentVersion\\Winlogon Value=Shell | evil.exe^Explorer.exe"}));
    EXPECT_EQ(rows[0].record.threatName, QStringLiteral("Hijack.Shell "));
}

TEST_F(SystemHijacksArea, PatternBadDataMatchesAnyStringData)
{
    EXPECT_EQ(
        run({QStringLiteral("Hijack.Page,HKCU\\Software\\Microsoft\\Internet Explorer\\Main|"
                            "Start Page=*,about:blank"),
             QStringLiteral("Hijack.Bin,HKCU\\Software\\Microsoft\\Internet Explorer\\Main|"
                            "Binary=*,x"),
             QStringLiteral("Hijack.Expand,HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion"
                            "\\Winlogon|Userinit=*USERINIT.EXE?,C:\\good.exe")}),
        QStringList({"6-1 Registry Data HKEY_CURRENT_USER\\Software\\Microsoft\\Internet "
                     "Explorer\\Main Value=Start Page | http://www.evil.example/^about:blank",
                     "6-3 Registry Data HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows "
                     "NT\\CurrentVersion\\Winlogon Value=Userinit | "
                     "C:\\windows\\system32\\userinit.exe,^C:\\good.exe"}));
}

TEST_F(SystemHijacksArea, DwordValueComparesItsDecimalText)
{
    const QString key =
        QStringLiteral("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System");
    EXPECT_EQ(run({QStringLiteral("T.01,") + key + QStringLiteral("|DisableTaskMgr=01,0"),
                   QStringLiteral("T.hex,") + key + QStringLiteral("|DisableTaskMgr=0x1,0"),
                   QStringLiteral("T.1,") + key + QStringLiteral("|DisableTaskMgr=1,0"),
                   QStringLiteral("T.big,") + key + QStringLiteral("|Big=4294967295,0")}),
              QStringList({"6-3 Registry Data HKEY_CURRENT_USER\\Software\\Microsoft\\Windows"
                           "\\CurrentVersion\\Policies\\System Value=DisableTaskMgr | 1|0",
                           "6-4 Registry Data HKEY_CURRENT_USER\\Software\\Microsoft\\Windows"
                           "\\CurrentVersion\\Policies\\System Value=Big | 4294967295|0"}));
}

TEST_F(SystemHijacksArea, OsTagMustNameTheRunningSystem)
{
    const QString rule = QStringLiteral(
        "Hijack.Shell,HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon|"
        "Shell=evil.exe,Explorer.exe,");
    const QStringList rules{rule + QStringLiteral("XP"), rule + QStringLiteral("Windows XP"),
                            rule + QStringLiteral("Windows 2000")};
    QStringList ids;
    run(rules, QStringLiteral("Windows XP"));
    for (const ResultRow& row : rows)
        ids.append(row.record.idCode);
    EXPECT_EQ(ids, QStringList({"6-1"}));

    // On a system without a name every tagged rule fails; untagged ones run.
    run(rules + QStringList{rule.chopped(1)}, QString());
    ids.clear();
    for (const ResultRow& row : rows)
        ids.append(row.record.idCode);
    EXPECT_EQ(ids, QStringList({"6-4"}));
}

TEST_F(SystemHijacksArea, OnlyTheThreeNamedHivesAreChecked)
{
    EXPECT_TRUE(run({QStringLiteral("T,HKU\\S-1-5-21-0-0-0-1000\\Software\\Hijacked|Shell=evil.exe,x"),
                     QStringLiteral("T,hklm\\Software\\Microsoft\\Windows NT\\CurrentVersion\\"
                                    "Winlogon|Shell=evil.exe,x")})
                    .isEmpty());
    EXPECT_EQ(objectsScanned, 2);
}

TEST_F(SystemHijacksArea, MalformedRulesAreSkipped)
{
    const QString key =
        QStringLiteral("HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon");
    EXPECT_TRUE(run({QStringLiteral("T,") + key + QStringLiteral(" Shell=evil.exe,x"),
                     QStringLiteral("T,") + key + QStringLiteral("|Shell,evil.exe,x"),
                     QStringLiteral("T,") + key + QStringLiteral("|Shell=evil.exe"),
                     QStringLiteral("T,") + key + QStringLiteral("|Missing=evil.exe,x"),
                     QStringLiteral("T,HKLM\\Software\\Absent|Shell=evil.exe,x")})
                    .isEmpty());
    EXPECT_EQ(objectsScanned, 5);
}

TEST(ReplaceRule, ParsesEveryField)
{
    const auto rule = ReplaceRule::parse(
        QStringLiteral("Name , HKCU\\Software\\X | Value Name = bad data , good data , XP "));
    ASSERT_TRUE(rule);
    EXPECT_EQ(rule->threatName, QStringLiteral("Name "));
    EXPECT_EQ(rule->key, QStringLiteral("HKCU\\Software\\X"));
    EXPECT_EQ(rule->valueName, QStringLiteral("Value Name"));
    EXPECT_EQ(rule->badData, QStringLiteral("bad data"));
    EXPECT_EQ(rule->goodData, QStringLiteral("good data"));
    EXPECT_EQ(rule->osTag, QStringLiteral("XP"));
    EXPECT_EQ(hijackSystemName(QStringLiteral("Windows XP")), QStringLiteral("XP"));
    EXPECT_EQ(hijackSystemName(QStringLiteral("Windows Vista")), QStringLiteral("Windows Vista"));
}

} // namespace
