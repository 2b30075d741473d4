#include "remedy/WindowsRegistry.h"
#include "support/AreaHarness.h"
#include "support/FixturePrefix.h"

#include <gtest/gtest.h>

using namespace veridon;

namespace {

struct WindowsRegistryArea : ::testing::Test
{
    test::FixturePrefix prefix;
    test::DefinitionTables tables;

    QStringList run()
    {
        auto environment = prefix.open();
        test::AreaHarness harness(*environment, tables);
        scanWindowsRegistry(harness.session());
        objectsScanned = harness.session().objectsScanned();
        positions = harness.host.positions;
        return harness.rows();
    }

    std::int64_t objectsScanned = 0;
    std::vector<int> positions;
};

TEST_F(WindowsRegistryArea, ReportsIdentifiersAsSubkeysAndValueNames)
{
    prefix.addRegistryText(QStringLiteral(R"([HKLM\Software\Classes\CLSID\{AAAA-1111}]
@="Evil class"
[HKCU\Software\Microsoft\Windows\CurrentVersion\Ext\Stats\{aaaa-1111}]
[HKLM\Software\Microsoft\Windows\CurrentVersion\Run]
"BadRun"="C:\\evil.exe"
"Good"="C:\\good.exe"
[HKLM\Software\Carried\{CCCC-3333}]
)"));
    tables.setCore(QStringLiteral("HotKey.db"),
                   {QStringLiteral("HKLM\\Software\\Classes\\CLSID"),
                    QStringLiteral("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Stats")});
    tables.setCore(QStringLiteral("HotVal.db"),
                   {QStringLiteral("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run")});
    tables.setCore(QStringLiteral("Guid.db"), {QStringLiteral("Adware.Foo, {AAAA-1111} ,more,fields"),
                                               QStringLiteral("Clean.Thing,{BBBB-2222}")});
    // Addition lines follow the core lines in the numbering.
    tables.setAddition(QStringLiteral("Guid.db"), {QStringLiteral("Spy.Run,BadRun")});

    EXPECT_EQ(run(),
              QStringList({
                  "5-1 Registry Key HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{AAAA-1111}",
                  "5-1 Registry Key HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion"
                  "\\Ext\\Stats\\{AAAA-1111}",
                  "5-3 Registry Value HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows"
                  "\\CurrentVersion\\Run Value=BadRun",
              }));
    EXPECT_EQ(objectsScanned, 3);
}

TEST_F(WindowsRegistryArea, ThreatNameIsTheFirstFieldAsWritten)
{
    prefix.addRegistryText(QStringLiteral("[HKLM\\Software\\Hot\\{X}]\n"));
    tables.setCore(QStringLiteral("HotKey.db"), {QStringLiteral("HKLM\\Software\\Hot")});
    tables.setCore(QStringLiteral("Guid.db"), {QStringLiteral(" Trojan X ,{X}")});
    auto environment = prefix.open();
    test::AreaHarness harness(*environment, tables);
    scanWindowsRegistry(harness.session());
    ASSERT_EQ(harness.host.results.rows().size(), 1u);
    EXPECT_EQ(harness.host.results.rows()[0].record.threatName, QStringLiteral(" Trojan X "));
}

TEST_F(WindowsRegistryArea, UnknownRootKeepsThePreviousOne)
{
    prefix.addRegistryText(QStringLiteral(R"([HKLM\Software\Carried\{C}]
[HKCU\Software\Carried\{C}]
)"));
    // The second line's root is not one of the four abbreviations: HKLM stays.
    tables.setCore(QStringLiteral("HotKey.db"),
                   {QStringLiteral("HKLM\\Software\\Nothing"),
                    QStringLiteral("HKEY_CURRENT_USER\\Software\\Carried")});
    tables.setCore(QStringLiteral("Guid.db"), {QStringLiteral("T,{C}")});
    EXPECT_EQ(run(), QStringList({"5-1 Registry Key HKEY_LOCAL_MACHINE\\Software\\Carried\\{C}"}));
}

TEST_F(WindowsRegistryArea, FirstLineWithoutKnownRootIsTheCurrentUserHive)
{
    prefix.addRegistryText(QStringLiteral("[HKCU\\Software\\Hot\\{C}]\n"));
    tables.setCore(QStringLiteral("HotKey.db"), {QStringLiteral("hkcu\\Software\\Hot")});
    tables.setCore(QStringLiteral("Guid.db"), {QStringLiteral("T,{C}")});
    EXPECT_EQ(run(), QStringList({"5-1 Registry Key HKEY_CURRENT_USER\\Software\\Hot\\{C}"}));
}

TEST_F(WindowsRegistryArea, KeysWithoutValuesAreNotLookedIntoForValues)
{
    // The key holds a subkey named like the identifier but no value: no value
    // detection may come from it.
    prefix.addRegistryText(QStringLiteral(R"([HKLM\Software\NoValues\{E}]
[HKLM\Software\Missing]
)"));
    tables.setCore(QStringLiteral("HotVal.db"), {QStringLiteral("HKLM\\Software\\NoValues"),
                                                 QStringLiteral("HKLM\\Software\\Absent")});
    tables.setCore(QStringLiteral("Guid.db"), {QStringLiteral("T,{E}")});
    EXPECT_TRUE(run().isEmpty());
}

TEST_F(WindowsRegistryArea, EmptyIdentifierNeverReportsTheLocationItself)
{
    prefix.addRegistryText(QStringLiteral(R"([HKLM\Software\Microsoft\Windows\CurrentVersion\Run]
@="default data"
"Keep"="C:\\keep.exe"
)"));
    tables.setCore(QStringLiteral("HotKey.db"),
                   {QStringLiteral("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run")});
    tables.setCore(QStringLiteral("HotVal.db"),
                   {QStringLiteral("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run")});
    tables.setCore(QStringLiteral("Guid.db"), {QString(), QStringLiteral("NoIdentifier, ,x")});
    EXPECT_TRUE(run().isEmpty());
    EXPECT_EQ(objectsScanned, 2);
}

TEST_F(WindowsRegistryArea, ProgressEndsAtTheAreaShare)
{
    tables.setCore(QStringLiteral("Guid.db"), {QStringLiteral("A,{1}"), QStringLiteral("B,{2}"),
                                               QStringLiteral("C,{3}")});
    run();
    ASSERT_FALSE(positions.empty());
    EXPECT_EQ(positions.back(), 2 + 7);

    tables.setCore(QStringLiteral("Guid.db"), {QStringLiteral("A,{1}")});
    run();
    EXPECT_EQ(positions.back(), 2 + 7);
}

} // namespace
