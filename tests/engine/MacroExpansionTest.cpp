#include "engine/MacroExpander.h"
#include "platform/TAppFrame.h"
#include "support/FixturePrefix.h"

#include <gtest/gtest.h>

using namespace veridon;
using veridon::test::FixturePrefix;

namespace {

class MacroExpansion : public ::testing::Test
{
protected:
    MacroExpansion()
    {
        prefix.addStandardLayout(QStringLiteral("ann"));
        prefix.addRegistryText(QStringLiteral(R"(
[HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders]
"AppData"="C:\\Documents and Settings\\ann\\Application Data"
)"));
        env = prefix.open();
        frame = std::make_unique<TAppFrame>(*env, QStringLiteral("/opt/veridon"));
    }

    QString expand(const char* input, MacroOrder order = MacroOrder::A, QString* allUsers = nullptr)
    {
        QString path = QString::fromLatin1(input);
        QString second = QStringLiteral("junk");
        ExpandMacros(*frame, order, path, second);
        if (allUsers)
            *allUsers = second;
        return path;
    }

    FixturePrefix prefix;
    std::unique_ptr<Environment> env;
    std::unique_ptr<TAppFrame> frame;
};

} // namespace

TEST_F(MacroExpansion, EveryMacroExpandsToItsFolder)
{
    const struct
    {
        const char* macro;
        const char* folder;
    } cases[] = {
        {"%SYSDIR%", "C:\\windows\\system32"},
        {"%PROGRAMFILES%", "C:\\Program Files"},
        {"%ROOTDRIVE%", "C:"},
        {"%WINDIR%", "C:\\windows"},
        {"%DESKTOP%", "C:\\users\\ann\\Desktop"},
        {"%TEMP%", "C:\\windows\\temp"},
        {"%APPDATA%", "C:\\Documents and Settings\\ann\\Application Data"},
        {"%USERROOT%", "C:\\users\\ann"},
        {"%PROGRAMS%", "C:\\users\\ann\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"},
        {"%STARTMENU%", "C:\\users\\ann\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu"},
        {"%STARTUP%", "C:\\users\\ann\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp"},
        {"%QUICKLAUNCH%", "C:\\Documents and Settings\\ann\\Application Data\\Microsoft\\Internet Explorer\\Quick Launch"},
        {"%COMMONFILES%", "C:\\Program Files\\Common Files"},
        {"%FAVORITES%", "C:\\users\\ann\\Favorites"},
        {"%DAS%", "C:\\Documents and Settings"},
        {"%RECYCLE%", "C:\\Recycler"},
        {"%WINDOWS%", "C:\\windows"},
        {"%SYSTEM%", "C:\\windows\\system32"},
        {"%COMMON_PROGRAMS%", "C:\\Program Files\\Common Files"},
        {"%COMMON_STARTMENU%", "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"},
        {"%COMMON_DESKTOP%", "C:\\users\\Public\\Desktop"},
        {"%COMMON_FAVORITES%", "C:\\users\\ann\\Favorites"},
        {"%COMMON_DATAPATH%", "C:\\ProgramData"},
        {"%DATAPATH%", "C:\\Documents and Settings\\ann\\Application Data"},
        {"%PROGRAM_FILES%", "C:\\Program Files"},
        {"PROGRAMFILESDIR+", "C:\\Program Files"},
        {"%SYSTEMDRIVE%", "C:\\windows\\system32"},
        {"SYSTEMROOT+", "C:\\windows\\system32"},
        {"COMMONPROGRAMS+", "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"},
        {"%DESKTOPDIRECTORY%", "C:\\users\\ann\\Desktop"},
        {"DESKTOPDIR+", "C:\\users\\ann\\Desktop"},
        {"%COMMON_DESKTOPDIRECTORY%", "C:\\users\\Public\\Desktop"},
        {"STARTUPFOLDER+", "C:\\users\\ann\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp"},
        {"%ALLUSERS_APPDATA%", "C:\\ProgramData"},
        {"%START_MENU%", "C:\\users\\ann\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu"},
        {"%START_MENUALL%", "C:\\users\\ann\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu"},
        {"%START_PROGRAMSALL%", "C:\\Program Files"},
        {"%START_PROGRAMS%", "C:\\Program Files"},
        {"%SYSTEMDISKROOT%", "C:"},
        {"%USERPROFILE%", "C:\\users\\ann"},
        {"%DOWNLOADEDPROGRAMFILES%", "C:\\windows\\Downloaded Program Files"},
        {"%USERDOCUMENTS%", "C:\\Documents and Settings"},
    };
    for (const auto& c : cases)
        for (MacroOrder order : {MacroOrder::A, MacroOrder::B, MacroOrder::C, MacroOrder::D, MacroOrder::E}) {
            const QString input = QString::fromLatin1(c.macro) + QStringLiteral("\\x.exe");
            QString path = input;
            QString allUsers;
            ExpandMacros(*frame, order, path, allUsers);
            EXPECT_EQ(path, QString::fromLatin1(c.folder) + QStringLiteral("\\x.exe"))
                << c.macro << " order " << int(order);
        }
}

TEST_F(MacroExpansion, CaseIsIgnoredAndEveryOccurrenceReplaced)
{
    EXPECT_EQ(expand("%SYSDIR%\\drivers\\x.sys"), QStringLiteral("C:\\windows\\system32\\drivers\\x.sys"));
    EXPECT_EQ(expand("%sysdir%\\drivers\\x.sys"), QStringLiteral("C:\\windows\\system32\\drivers\\x.sys"));
    EXPECT_EQ(expand("%SysDir%;%SYSDIR%"), QStringLiteral("C:\\windows\\system32;C:\\windows\\system32"));
    QString allUsers;
    EXPECT_EQ(expand("no macro here", MacroOrder::C, &allUsers), QStringLiteral("no macro here"));
    EXPECT_TRUE(allUsers.isEmpty());
}

TEST_F(MacroExpansion, OneKindPerCallInTheCallersOrder)
{
    EXPECT_EQ(expand("%WINDIR%\\%SYSDIR%", MacroOrder::A), QStringLiteral("%WINDIR%\\C:\\windows\\system32"));
    EXPECT_EQ(expand("%WINDIR%\\%SYSDIR%", MacroOrder::D), QStringLiteral("C:\\windows\\%SYSDIR%"));
    // Order E tests %PROGRAMS% before %SYSDIR%; order C the other way round.
    EXPECT_EQ(expand("%SYSDIR%|%PROGRAMS%", MacroOrder::E),
              QStringLiteral("%SYSDIR%|C:\\users\\ann\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"));
    EXPECT_EQ(expand("%SYSDIR%|%PROGRAMS%", MacroOrder::C), QStringLiteral("C:\\windows\\system32|%PROGRAMS%"));
    // Order C tests %USERROOT% before %DESKTOP%; order B the other way round.
    EXPECT_EQ(expand("%DESKTOP%|%USERROOT%", MacroOrder::C), QStringLiteral("%DESKTOP%|C:\\users\\ann"));
    EXPECT_EQ(expand("%DESKTOP%|%USERROOT%", MacroOrder::B), QStringLiteral("C:\\users\\ann\\Desktop|%USERROOT%"));
}

TEST_F(MacroExpansion, AllUsersCounterparts)
{
    const struct
    {
        const char* input;
        const char* allUsers;
    } cases[] = {
        {"%DESKTOP%\\evil.lnk", "C:\\users\\Public\\Desktop\\evil.lnk"},
        {"%APPDATA%\\x", "C:\\ProgramData\\x"},
        {"%PROGRAMS%\\x", "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\x"},
        {"%STARTMENU%\\x", "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\x"},
        {"%STARTUP%\\x", "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp\\x"},
        {"%FAVORITES%\\x", "C:\\users\\ann\\Favorites\\x"},
        {"%WINDIR%\\x", ""},
        {"%DESKTOPDIRECTORY%\\x", ""},
    };
    for (const auto& c : cases) {
        QString allUsers;
        expand(c.input, MacroOrder::A, &allUsers);
        EXPECT_EQ(allUsers, QString::fromLatin1(c.allUsers)) << c.input;
    }
    QString allUsers;
    EXPECT_EQ(expand("%DESKTOP%\\evil.lnk", MacroOrder::A, &allUsers),
              QStringLiteral("C:\\users\\ann\\Desktop\\evil.lnk"));
}

TEST_F(MacroExpansion, RecycleFollowsTheFolderOnTheSystemDrive)
{
    EXPECT_EQ(expand("%RECYCLE%\\x"), QStringLiteral("C:\\Recycler\\x"));
    prefix.addFolder(QStringLiteral("C:\\RECYCLED"));
    EXPECT_EQ(expand("%RECYCLE%\\x"), QStringLiteral("C:\\Recycled\\x"));
}

TEST_F(MacroExpansion, MissingFoldersExpandToEmptyText)
{
    auto bare = Environment::openEmpty();
    TAppFrame empty(*bare, QString());
    QString path = QStringLiteral("%APPDATA%\\x");
    QString allUsers;
    ExpandMacros(empty, MacroOrder::A, path, allUsers);
    EXPECT_EQ(path, QStringLiteral("\\x"));
    EXPECT_EQ(allUsers, QStringLiteral("\\x"));
}

TEST_F(MacroExpansion, NormalizeImagePath)
{
    prefix.addFile(QStringLiteral("C:\\windows\\system32\\x.exe"), "MZ");
    prefix.addFile(QStringLiteral("C:\\windows\\System32\\y.exe"), "MZ");
    const struct
    {
        const char* input;
        const char* output;
        bool exists;
    } cases[] = {
        {"\\??\\C:\\WINDOWS\\system32\\x.exe", "C:\\WINDOWS\\system32\\x.exe", true},
        {"\"\\SystemRoot\\System32\\y.exe\"", "C:\\windows\\System32\\y.exe", true},
        {"%windir%\\system32\\x.exe", "C:\\windows\\system32\\x.exe", true},
        {"%SystemRoot%/system32/x.exe", "C:\\windows\\system32\\x.exe", true},
        {"C:\\missing.exe", "C:\\missing.exe", false},
    };
    for (const auto& c : cases) {
        QString path = QString::fromLatin1(c.input);
        EXPECT_EQ(NormalizeImagePath(*frame, path), c.exists) << c.input;
        EXPECT_EQ(path, QString::fromLatin1(c.output)) << c.input;
    }
}

TEST_F(MacroExpansion, AppFrameFolders)
{
    EXPECT_EQ(frame->appDataFolder(), QStringLiteral("C:\\Documents and Settings\\ann\\Application Data"));
    EXPECT_EQ(frame->commonAppDataFolder(), QStringLiteral("C:\\ProgramData"));
    EXPECT_EQ(frame->programFolder(), QStringLiteral("/opt/veridon/"));
    const struct
    {
        int kind;
        const char* folder;
    } folders[] = {
        {0, "C:\\windows"},
        {1, "C:\\windows\\system32"},
        {2, "C:\\users\\ann\\AppData\\Local\\Temp"},
        {3, "C:\\users\\ann\\AppData\\Local\\Microsoft\\Windows\\INetCache"},
        {4, "C:\\users\\ann\\AppData\\Local\\Microsoft\\Windows\\INetCookies"},
        {5, "C:\\users\\ann\\AppData\\Local\\Microsoft\\Windows\\History"},
        {6, "C:\\users\\ann\\AppData\\Roaming\\Microsoft\\Windows\\Recent"},
        {7, "C:\\users\\ann\\Desktop"},
        {8, "C:\\users\\ann\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"},
        {9, "C:\\users\\ann\\Favorites"},
        {10, "C:\\users\\ann\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp"},
        {11, ""},
        {12, "C:\\Documents and Settings\\ann\\Application Data"},
        {13, "C:\\users\\ann\\AppData\\Local"},
        {14, ""},
        {15, "C:\\Program Files"},
        {16, "C:\\Program Files\\Common Files"},
        {17, "C:\\users\\ann\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu"},
        {18, "C:\\ProgramData"},
        {19, ""},
        {-1, ""},
    };
    for (const auto& f : folders)
        EXPECT_EQ(frame->GetFolder(f.kind), QString::fromLatin1(f.folder)) << f.kind;
    const struct
    {
        int kind;
        const char* folder;
    } common[] = {
        {0, "C:\\ProgramData"},
        {1, "C:\\users\\Public\\Desktop"},
        {2, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"},
        {3, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu"},
        {4, "C:\\users\\ann\\Favorites"},
        {5, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"},
        {6, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp"},
        {7, ""},
    };
    for (const auto& f : common)
        EXPECT_EQ(frame->GetCommonFolder(f.kind), QString::fromLatin1(f.folder)) << f.kind;
}
