#include "store/TExtIniFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace veridon;

namespace {

TExtIniFile parse(const char* text)
{
    TExtIniFile ini;
    ini.loadFromText(QString::fromUtf8(text));
    return ini;
}

TEST(TExtIniFile, ParsesSectionsKeysCommentsAndStrayLines)
{
    const TExtIniFile ini = parse("orphan=before any section\n"
                                  "  [ Main ]  \n"
                                  "; a comment\n"
                                  "\n"
                                  "  DisplayName  =  English (UK)  \n"
                                  "Formula = a=b\n"
                                  "no equals sign here\n"
                                  "[Other]\r\n"
                                  "K=1\r"
                                  "L=2");
    EXPECT_EQ(ini.sections(), QStringList({"Main", "Other"}));
    EXPECT_EQ(ini.readString("main", "displayname"), "English (UK)");
    EXPECT_EQ(ini.readString("Main", "Formula"), "a=b");
    EXPECT_EQ(ini.readSectionValues("Main"),
              QStringList({"DisplayName=English (UK)", "Formula=a=b", "no equals sign here"}));
    EXPECT_EQ(ini.readSection("Main"), QStringList({"DisplayName", "Formula"}));
    EXPECT_EQ(ini.readString("Other", "L"), "2");
    EXPECT_EQ(ini.readString("Nowhere", "orphan", "default"), "default");
    EXPECT_EQ(ini.readString("Main", "Missing", "default"), "default");
}

TEST(TExtIniFile, FirstOfEqualKeysWinsAndRepeatedSectionsMerge)
{
    const TExtIniFile ini = parse("[A]\nk=first\nK=second\n[B]\n[a]\nextra=1\n");
    EXPECT_EQ(ini.readString("A", "k"), "first");
    EXPECT_EQ(ini.readString("A", "extra"), "1");
    EXPECT_EQ(ini.sections(), QStringList({"A", "B"}));
}

TEST(TExtIniFile, WritesErasesAndSavesInOrder)
{
    TExtIniFile ini = parse("[abcdefgh]\nVirusName=Old\n[ijklmnop]\nPath=C:\\x\n");
    ini.writeString("ABCDEFGH", "virusname", "New");
    ini.writeString("qrstuvwx", "Path", "C:\\y");
    ini.eraseSection("IJKLMNOP");
    EXPECT_EQ(ini.toText(), QStringLiteral("[abcdefgh]\r\nvirusname=New\r\n\r\n"
                                           "[qrstuvwx]\r\nPath=C:\\y\r\n\r\n"));

    TExtIniFile reread;
    reread.loadFromBytes(ini.toBytes());
    EXPECT_EQ(reread.toText(), ini.toText());
}

TEST(TExtIniFile, BadInputLoadsWhatItCan)
{
    TExtIniFile ini;
    ini.loadFromBytes(QByteArray("\x00\x01\x02[x]\xFF\xFE", 8));
    EXPECT_TRUE(ini.sections().isEmpty());

    // UTF-16 cut in the middle of its last character.
    const char utf16[] = "\xFF\xFE[\x00s\x00]\x00\n\x00k\x00=\x00v\x00\n";
    ini.loadFromBytes(QByteArray(utf16, sizeof utf16 - 1));
    EXPECT_EQ(ini.readString("s", "k"), "v");

    test::TempDir dir;
    EXPECT_FALSE(ini.loadFromFile(dir.file("missing.ini")));
    EXPECT_TRUE(ini.sections().isEmpty());
}

} // namespace
