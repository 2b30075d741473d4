#include "engine/MacroExpander.h"
#include "engine/WhiteList.h"
#include "engine/WildcardMatch.h"
#include "platform/TAppFrame.h"
#include "support/FixturePrefix.h"

#include <gtest/gtest.h>

using namespace veridon;

namespace {

struct WildcardCase
{
    const char* pattern;
    const char* text;
    bool matches;
};

TEST(WildcardMatch, FollowsTheMatcherRules)
{
    const WildcardCase cases[] = {
        {"*.EXE", "a.exe", true},  {"A?C", "abc", true},      {"A?C", "ac", false},
        {"[a-c]x", "Bx", true},    {"[^a-c]x", "dx", true},   {"[^a-c]x", "ax", false},
        {"ab[^c]", "ab", false},   {"[]x", "]x", false},      {"[]x", "x", false},
        {"*", "", true},           {"", "", true},            {"", "a", false},
        {"a**", "a", true},        {"a*b*c", "aXbYc", true},  {"a*b*c", "aXbY", false},
        {"[ab", "a", false},       {"*[ab", "xa", false},     {"[[a]", "a", false},
        {"x[a-c", "x", false},     {"*Run*", "MyRunKey", true}, {"?", "", false},
        {"[abc]", "B", true},      {"[a-]", "-", true},
    };
    for (const WildcardCase& c : cases)
        EXPECT_EQ(WildcardMatch(QString::fromUtf8(c.pattern), QString::fromUtf8(c.text)), c.matches)
            << c.pattern << " vs " << c.text;
}

class PathRoutines : public testing::Test
{
protected:
    void SetUp() override
    {
        prefix.addStandardLayout();
        environment = prefix.open();
        frame = std::make_unique<TAppFrame>(*environment, prefix.path());
    }

    QString expand(MacroOrder order, const QString& input, QString* allUsers = nullptr)
    {
        QString path = input;
        QString second;
        ExpandMacros(*frame, order, path, second);
        if (allUsers)
            *allUsers = second;
        return path;
    }

    test::FixturePrefix prefix;
    std::unique_ptr<Environment> environment;
    std::unique_ptr<TAppFrame> frame;
};

TEST_F(PathRoutines, ExpandsOneKindOfMacroInTheCallersOrder)
{
    EXPECT_EQ(expand(MacroOrder::C, "%SYSDIR%\\drivers\\x.sys"),
              "C:\\windows\\system32\\drivers\\x.sys");
    EXPECT_EQ(expand(MacroOrder::C, "%sysdir%\\drivers\\x.sys"),
              "C:\\windows\\system32\\drivers\\x.sys");
    EXPECT_EQ(expand(MacroOrder::A, "%WINDIR%\\%SYSDIR%"), "%WINDIR%\\C:\\windows\\system32");
    EXPECT_EQ(expand(MacroOrder::D, "%WINDIR%\\%SYSDIR%"), "C:\\windows\\%SYSDIR%");
    EXPECT_EQ(expand(MacroOrder::A, "no macro here"), "no macro here");
    EXPECT_EQ(expand(MacroOrder::A, "%SYSTEMDRIVE%"), "C:\\windows\\system32");
    EXPECT_EQ(expand(MacroOrder::A, "%ROOTDRIVE%\\x"), "C:\\x");
    EXPECT_EQ(expand(MacroOrder::A, "%SYSTEMDISKROOT%\\x"), "C:\\x");
    EXPECT_EQ(expand(MacroOrder::B, "%TEMP%\\a.exe"), "C:\\windows\\temp\\a.exe");
    EXPECT_EQ(expand(MacroOrder::E, "%DAS%\\x"), "C:\\users\\x");
    EXPECT_EQ(expand(MacroOrder::A, "%QUICKLAUNCH%\\q.lnk"),
              "C:\\users\\ann\\AppData\\Roaming\\Microsoft\\Internet Explorer\\Quick Launch\\q.lnk");
}

TEST_F(PathRoutines, SixMacrosAlsoGiveTheirAllUsersVariant)
{
    QString allUsers;
    EXPECT_EQ(expand(MacroOrder::C, "%DESKTOP%\\evil.lnk", &allUsers),
              "C:\\users\\ann\\Desktop\\evil.lnk");
    EXPECT_EQ(allUsers, "C:\\users\\Public\\Desktop\\evil.lnk");
    expand(MacroOrder::C, "%WINDIR%\\x", &allUsers);
    EXPECT_TRUE(allUsers.isEmpty());
}

TEST_F(PathRoutines, RecycleBinPrefersRecycled)
{
    EXPECT_EQ(expand(MacroOrder::A, "%RECYCLE%\\x"), "C:\\Recycler\\x");
    prefix.addFolder("C:\\Recycled");
    EXPECT_EQ(expand(MacroOrder::A, "%RECYCLE%\\x"), "C:\\Recycled\\x");
}

TEST_F(PathRoutines, NormalizesProcessImagePaths)
{
    prefix.addFile("C:\\windows\\system32\\x.exe", "MZ");
    QString path = "\\??\\C:\\WINDOWS\\system32\\x.exe";
    EXPECT_TRUE(NormalizeImagePath(*frame, path));
    EXPECT_EQ(path, "C:\\WINDOWS\\system32\\x.exe");

    path = "\"\\SystemRoot\\System32/y.exe\"";
    EXPECT_FALSE(NormalizeImagePath(*frame, path));
    EXPECT_EQ(path, "C:\\windows\\System32\\y.exe");
}

TEST_F(PathRoutines, WhiteListExpandsAndSpellsOutValues)
{
    EXPECT_EQ(buildWhiteList(*frame, {"%SYSDIR%\\Good.dll", "HKLM\\Software\\Run|Updater", "9-12",
                                      "%APPDATA%\\Tool"}),
              QStringList({"c:\\windows\\system32\\good.dll", "hklm\\software\\run value=updater",
                           "9-12", "c:\\users\\ann\\appdata\\roaming\\tool",
                           "c:\\programdata\\tool"}));
}

} // namespace
