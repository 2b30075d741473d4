#include "platform/Environment.h"
#include "support/FixturePrefix.h"

#include <gtest/gtest.h>

using namespace veridon;
using veridon::test::FixturePrefix;

TEST(ShellFolders, ComeFromThePrefixRegistry)
{
    FixturePrefix prefix;
    prefix.addStandardLayout(QStringLiteral("ann"));
    auto env = prefix.open();
    const ShellFolders& folders = env->shellFolders();
    EXPECT_EQ(folders.windowsFolder(), QStringLiteral("C:\\windows"));
    EXPECT_EQ(folders.systemFolder(), QStringLiteral("C:\\windows\\system32"));
    EXPECT_EQ(folders.profileFolder(), QStringLiteral("C:\\users\\ann"));
    EXPECT_EQ(folders.tempFolder(), QStringLiteral("C:\\users\\ann\\AppData\\Local\\Temp"));
    EXPECT_EQ(folders.windowsVersion(), QStringLiteral("6.1"));
    const struct
    {
        int csidl;
        const char* path;
    } cases[] = {
        {Csidl::Desktop, "C:\\users\\ann\\Desktop"},
        {Csidl::DesktopDirectory, "C:\\users\\ann\\Desktop"},
        {Csidl::AppData, "C:\\users\\ann\\AppData\\Roaming"},
        {Csidl::LocalAppData, "C:\\users\\ann\\AppData\\Local"},
        {Csidl::Startup, "C:\\users\\ann\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp"},
        {Csidl::Cookies, "C:\\users\\ann\\AppData\\Local\\Microsoft\\Windows\\INetCookies"},
        {Csidl::CommonAppData, "C:\\ProgramData"},
        {Csidl::CommonDesktopDirectory, "C:\\users\\Public\\Desktop"},
        {Csidl::CommonFavorites, "C:\\users\\ann\\Favorites"},
        {Csidl::CommonStartup, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp"},
        {Csidl::ProgramFiles, "C:\\Program Files"},
        {Csidl::ProgramFilesCommon, "C:\\Program Files\\Common Files"},
        {Csidl::Windows, "C:\\windows"},
        {Csidl::System, "C:\\windows\\system32"},
        {Csidl::Profile, "C:\\users\\ann"},
        {Csidl::MyPictures, ""}, // the fixture has no such entry
        {99, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(folders.specialFolder(c.csidl), QString::fromLatin1(c.path)) << c.csidl;
}

TEST(ShellFolders, ShellFoldersKeyIsUsedWhenUserShellFoldersHasNothing)
{
    FixturePrefix prefix;
    prefix.addRegistryText(QStringLiteral(R"(
[HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders]
"My Pictures"="D:\\pics\\"
[HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders]
"Personal"=str(2):"%UNKNOWNVAR%\\Documents"
[HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders]
"Personal"="E:\\Docs"
)"));
    auto env = prefix.open();
    EXPECT_EQ(env->shellFolders().specialFolder(Csidl::MyPictures), QStringLiteral("D:\\pics"));
    EXPECT_EQ(env->shellFolders().specialFolder(Csidl::Personal), QStringLiteral("E:\\Docs"));
    EXPECT_TRUE(env->shellFolders().windowsFolder().isEmpty());
    EXPECT_TRUE(env->shellFolders().systemFolder().isEmpty());
}

TEST(ShellFolders, ExpandsEnvironmentReferences)
{
    FixturePrefix prefix;
    prefix.addStandardLayout(QStringLiteral("bob"));
    auto env = prefix.open();
    const ShellFolders& folders = env->shellFolders();
    EXPECT_EQ(folders.expandEnvironment(QStringLiteral("%SystemRoot%\\x;%userprofile%\\y")),
              QStringLiteral("C:\\windows\\x;C:\\users\\bob\\y"));
    EXPECT_EQ(folders.expandEnvironment(QStringLiteral("%ProgramFiles%|%ALLUSERSPROFILE%|%public%")),
              QStringLiteral("C:\\Program Files|C:\\ProgramData|C:\\users\\Public"));
    EXPECT_EQ(folders.expandEnvironment(QStringLiteral("100% %nothing% %windir%")),
              QStringLiteral("100% %nothing% C:\\windows"));
    EXPECT_EQ(folders.expandEnvironment(QStringLiteral("no references")), QStringLiteral("no references"));
    EXPECT_EQ(folders.expandEnvironment(QStringLiteral("%TEMP%")),
              QStringLiteral("C:\\users\\bob\\AppData\\Local\\Temp"));
}
