#include "tools/SizeText.h"
#include "tools/StringHelpers.h"
#include "tools/WindowsName.h"
#include "platform/ShellFolders.h"
#include "support/QtPrinting.h"

#include <gtest/gtest.h>

using namespace veridon;

namespace {

TEST(SizeText, PicksTheUnitByWholeKilobytes)
{
    EXPECT_EQ(FormatSize(0), "0 Byte");
    EXPECT_EQ(FormatSize(1023), "0 Byte");
    EXPECT_EQ(FormatSizeExact(1023), "1023 Byte");
    EXPECT_EQ(FormatSize(1024), "1.00 KB");
    EXPECT_EQ(FormatSize(1536), "1.50 KB");
    EXPECT_EQ(FormatSizeExact(1536), "1.50 KB");
    EXPECT_EQ(FormatSize(1048575), "1024.00 KB");
    EXPECT_EQ(FormatSize(3 * 1048576 / 2), "1.50 MB");
    EXPECT_EQ(FormatSize(5ull << 30), "5.00 GB");
    EXPECT_EQ(FormatSize(3ull << 40), "3072.00 GB");
}

class VersionOnlyFolders : public ShellFolders
{
public:
    explicit VersionOnlyFolders(QString version) : m_version(std::move(version)) {}
    QString specialFolder(int) const override { return {}; }
    QString windowsFolder() const override { return {}; }
    QString systemFolder() const override { return {}; }
    QString profileFolder() const override { return {}; }
    QString tempFolder() const override { return {}; }
    QString expandEnvironment(const QString& text) const override { return text; }
    QString windowsVersion() const override { return m_version; }

private:
    QString m_version;
};

TEST(WindowsName, ComesFromTheEnvironmentsVersion)
{
    EXPECT_EQ(GetWindowsName(VersionOnlyFolders("5.1")), "Windows XP");
    EXPECT_EQ(GetWindowsName(VersionOnlyFolders("6.0")), "Windows Vista");
    EXPECT_EQ(GetWindowsName(VersionOnlyFolders("6.1")), "");   // Windows 7: not named
    EXPECT_EQ(GetWindowsName(VersionOnlyFolders("10.0")), "");
    EXPECT_EQ(GetWindowsName(VersionOnlyFolders("")), "");      // unknown
    EXPECT_EQ(GetWindowsName(VersionOnlyFolders("5.x")), "");
}

TEST(WindowsName, NamesOnlyTheVersionsItKnows)
{
    struct Case
    {
        int platform, major, minor;
        const char* name;
    };
    const Case cases[] = {{2, 4, 0, "Windows NT"},   {2, 3, 51, "Windows NT"},
                          {2, 5, 0, "Windows 2000"}, {2, 5, 1, "Windows XP"},
                          {2, 5, 2, "Windows 2003 Server"}, {2, 6, 0, "Windows Vista"},
                          {2, 6, 1, ""},             {2, 10, 0, ""},
                          {1, 5, 1, ""}};
    for (const Case& c : cases)
        EXPECT_EQ(GetWindowsName(c.platform, c.major, c.minor), QLatin1String(c.name))
            << c.major << "." << c.minor;
}

TEST(StringHelpers, CutAroundACharacterOrALength)
{
    const QString path = QStringLiteral("C:\\a\\b.exe");
    EXPECT_EQ(TextBefore(path, 0, QLatin1Char('\\')), "C:");
    EXPECT_EQ(TextBefore(path, 0, QLatin1Char('|')), "");
    EXPECT_EQ(TextBefore(path, 4, QChar()), "C:\\a");
    EXPECT_EQ(TextAfterLast(path, 0, QLatin1Char('\\')), "b.exe");
    EXPECT_EQ(TextAfterLast(path, 3, QChar()), "exe");
    EXPECT_EQ(NthFromEnd(path, QLatin1Char('\\'), 1), 5);
    EXPECT_EQ(NthFromEnd(path, QLatin1Char('\\'), 2), 3);
    EXPECT_EQ(NthFromEnd(path, QLatin1Char('\\'), 3), 0);
}

} // namespace
