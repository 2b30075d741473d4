#include "engine/BrowserObjects.h"
#include "support/AreaHarness.h"
#include "support/FixturePrefix.h"

#include <gtest/gtest.h>

using namespace veridon;

namespace {

const QString kBhoKey = QStringLiteral(
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper "
    "Objects\\");

struct BrowserObjectsArea : ::testing::Test
{
    test::FixturePrefix prefix;
    test::DefinitionTables tables;
    std::int64_t objectsScanned = 0;
    std::vector<int> positions;

    QStringList run()
    {
        auto environment = prefix.open();
        test::AreaHarness harness(*environment, tables);
        scanBrowserObjects(harness.session());
        objectsScanned = harness.session().objectsScanned();
        positions = harness.host.positions;
        return harness.rows();
    }
};

TEST_F(BrowserObjectsArea, ReportsClassKeyRegistrationKeyAndProgramFile)
{
    prefix.addFile(QStringLiteral("C:\\windows\\system32\\evilbar.dll"), "MZ");
    prefix.addRegistryText(QStringLiteral(R"(
[HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\Browser Helper Objects\{B1}]
[HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\Browser Helper Objects\{B2}]
[HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\Browser Helper Objects\{B3}]
[HKCR\CLSID\{B1}]
@="  Evil Bar  "
[HKCR\CLSID\{B1}\InprocServer32]
@="C:\\windows\\system32\\evilbar.dll "
[HKCR\CLSID\{B2}]
@="Clean Helper"
[HKCR\CLSID\{B3}]
@="Env Helper"
[HKCR\CLSID\{B3}\InprocServer32]
@=str(2):"%SystemRoot%\\system32\\evilbar.dll"
)"));
    tables.setCore(QStringLiteral("BHO.db"), {QStringLiteral("Adware.Bar, Evil Bar "),
                                              QStringLiteral("Wrong.Case,evil bar")});
    tables.setAddition(QStringLiteral("BHO.db"), {QStringLiteral("Adware.Env,Env Helper")});

    EXPECT_EQ(run(), QStringList({
                         "1-1 Registry Key HKEY_CLASSES_ROOT\\CLSID\\{B1}",
                         "1-1 Registry Key " + kBhoKey + "{B1}",
                         "1-1 File C:\\windows\\system32\\evilbar.dll",
                         // An unexpanded environment reference names no file.
                         "1-3 Registry Key HKEY_CLASSES_ROOT\\CLSID\\{B3}",
                         "1-3 Registry Key " + kBhoKey + "{B3}",
                     }));
    EXPECT_EQ(objectsScanned, 3);
}

TEST_F(BrowserObjectsArea, HelperWithoutDisplayNameIsNotListedAndDoesNotMoveTheBar)
{
    prefix.addRegistryText(QStringLiteral(R"(
[HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\Browser Helper Objects\{N1}]
[HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\Browser Helper Objects\{N2}]
[HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\Browser Helper Objects\NotAClass]
[HKCR\CLSID\{N1}]
"Other"="Nameless"
[HKCR\CLSID\{N2}]
@=dword:00000001
)"));
    // A line naming the text of a non-default value must not match.
    tables.setCore(QStringLiteral("BHO.db"), {QStringLiteral("T,Nameless"), QStringLiteral("T,1")});
    EXPECT_TRUE(run().isEmpty());
    EXPECT_EQ(objectsScanned, 3);
    // Only the subkey that is no class moved the bar (one step of three).
    EXPECT_EQ(positions, (std::vector<int>{2, 2 + 2 * 1 / 2}));
}

TEST_F(BrowserObjectsArea, NoRegisteredHelpersReportsNothing)
{
    tables.setCore(QStringLiteral("BHO.db"), {QStringLiteral("T,Anything")});
    EXPECT_TRUE(run().isEmpty());
    EXPECT_EQ(objectsScanned, 0);
    EXPECT_EQ(positions, std::vector<int>{2});
}

TEST_F(BrowserObjectsArea, TwoLinesWithTheSameNameKeepTheFirstRows)
{
    prefix.addRegistryText(QStringLiteral(R"(
[HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\Browser Helper Objects\{D1}]
[HKCR\CLSID\{D1}]
@="Dup"
)"));
    tables.setCore(QStringLiteral("BHO.db"), {QStringLiteral("First,Dup"), QStringLiteral("Second,Dup")});
    EXPECT_EQ(run(), QStringList({"1-1 Registry Key HKEY_CLASSES_ROOT\\CLSID\\{D1}",
                                  "1-1 Registry Key " + kBhoKey + "{D1}"}));
}

} // namespace
