#include "tools/TLanguage.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace veridon;

namespace {

const QByteArray kGerman = "[Main]\r\nDisplayName=Deutsch\r\n\r\n[ORVEL_M]\r\n"
                           "selectok  =  Bitte ein Objekt w\xE4hlen\r\n"
                           "NoSchedule=Kein Zeitplan\r\n";

TEST(TLanguage, DiscoversLoadsAndLooksUpWithoutRegardToCase)
{
    test::TempDir dir;
    dir.write("Deutsch.lng", kGerman);
    // No Main section: listed under its identifier.
    dir.write("Zulu.lng", "[ORVEL_M]\nSelectOK=Zulu text\n");
    dir.write("readme.txt", "[Main]\nDisplayName=Not a language\n");

    TLanguage language(TLanguage::kPrefix, dir.path());
    EXPECT_EQ(language.identifiers(), QStringList({"Deutsch", "Zulu"}));
    EXPECT_EQ(language.displayNames(), QStringList({"Deutsch", "Zulu"}));
    EXPECT_EQ(language.currentIdentifier(), "Zulu");

    ASSERT_TRUE(language.LoadLanguage("Deutsch"));
    EXPECT_EQ(language.GetText("SelectOK", "Please select"),
              QString::fromUtf8("Bitte ein Objekt w\xC3\xA4hlen"));
    EXPECT_EQ(language.GetText("Unknown", "Built-in"), "Built-in");
    EXPECT_EQ(language.ReadString("Main", "DisplayName", "x"), "Deutsch");
}

TEST(TLanguage, UnknownOrVanishedLanguageKeepsThePreviousOne)
{
    test::TempDir dir;
    dir.write("Deutsch.lng", kGerman);
    dir.write("Zulu.lng", "[ORVEL_M]\nSelectOK=Zulu text\n");
    TLanguage language(TLanguage::kPrefix, dir.path());

    EXPECT_FALSE(language.LoadLanguage("Klingon"));
    QFile::remove(dir.file("Deutsch.lng"));
    EXPECT_FALSE(language.LoadLanguage("Deutsch"));
    EXPECT_EQ(language.currentIdentifier(), "Zulu");
    EXPECT_EQ(language.GetText("SelectOK", "x"), "Zulu text");
}

TEST(TLanguage, MissingOrBrokenFolderGivesBuiltInTexts)
{
    test::TempDir dir;
    TLanguage missing(TLanguage::kPrefix, dir.file("no such folder"));
    EXPECT_TRUE(missing.identifiers().isEmpty());
    EXPECT_EQ(missing.currentIndex(), -1);
    EXPECT_EQ(missing.GetText("SelectOK", "Built-in"), "Built-in");

    dir.write("Empty.lng", "");
    dir.write("Binary.lng", QByteArray("\x00\xFF\x10\x80\x00", 5));
    dir.write("BomOnly.lng", "\xEF\xBB\xBF");
    TLanguage broken(TLanguage::kPrefix, dir.path());
    EXPECT_EQ(broken.displayNames(), QStringList({"Binary", "BomOnly", "Empty"}));
    EXPECT_EQ(broken.GetText("SelectOK", "Built-in"), "Built-in");
}

// Texts the shipped English file must carry unchanged: the code passes these
// same texts as built-in defaults, so English must read exactly like a
// program without any language file. A section of "M" means the run-time
// message table; any other names a window.
struct ShippedText
{
    const char* section;
    const char* key;
    const char* text;
};

const ShippedText kShippedTexts[] = {
    {"M", "ScanningFor", "Scan For %s"},
    {"M", "RecentActive", "Recent Active Threats"},
    {"M", "SeperateScan", "Performing Seperate Scan"},
    {"M", "SelectOK", "OK"},
    {"M", "ThreatDetected", "%d threat detected"},
    {"M", "DeleteToReboot", "Delete to reboot"},
    {"M", "NotRemoveLeave",
     "You do not remove any threats.Are you sure you want to leave the reports page?"},
    {"M", "time", "Time:"},
    {"M", "Head", "|Name|Type|Description|ID|"},
    {"M", "AntiVirusOutDate", "%s Outdated"},
    {"M", "NoSchedule", "N/A"},
    {"M", "SaveReportFail", "Save Teliq Veridon Report failed! You can try again on other path."},
    {"ISMainForm", "ListView_Scan_result.Columns[2].Caption", "Description"},
    {"ManageForm", "CheckBox_Setting_Context_PowerDelete.Caption", "Unlock && Delete"},
    {"ManageForm", "TreeView_Control.Items[8].Caption", "Network"},
    {"SelectVolumeForm", "LabelNote_SelectPath_Info.Items[3].Caption",
     "Select the disks you want to scan, then click \u201CScan\u201D button to continue."},
};

TEST(TLanguage, ShippedEnglishNamesItselfAndCarriesMessages)
{
    TLanguage language(TLanguage::kPrefix, VERIDON_SOURCE_LANGUAGE_DIR);
    ASSERT_TRUE(language.LoadLanguage("English"));
    EXPECT_EQ(language.displayNames()[language.currentIndex()], "English");

    const QString missing = "<missing>";
    for (const ShippedText& row : kShippedTexts) {
        const QString section = QString::fromUtf8(row.section);
        const QString key = QString::fromUtf8(row.key);
        const QString shipped =
            section == "M" ? language.GetText(key, missing)
                           : language.ReadString(language.prefix() + "_" + section, key, missing);
        EXPECT_EQ(shipped, QString::fromUtf8(row.text)) << row.section << " / " << row.key;
    }
}

} // namespace
