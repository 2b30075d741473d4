#include "engine/WildcardMatch.h"
#include "support/QtPrinting.h"

#include <gtest/gtest.h>

using namespace veridon;

TEST(WildcardTable, PatternsAgainstTexts)
{
    const struct
    {
        const char* pattern;
        const char* text;
        bool match;
    } cases[] = {
        {"*.EXE", "a.exe", true},
        {"*.exe", "a.exe.txt", false},
        {"A?C", "abc", true},
        {"A?C", "ac", false},
        {"[a-c]x", "Bx", true},
        {"[a-c]x", "dx", false},
        {"[^a-c]x", "dx", true},
        {"[^a-c]x", "ax", false},
        {"ab[^c]", "ab", false},
        {"ab[c]", "ab", false},
        {"[]x", "x", false},
        {"[]x", "]x", false},
        {"[[]x", "[x", false},
        {"[ab", "a", false},
        {"*[ab", "xa", false},
        {"*", "", true},
        {"", "", true},
        {"", "a", false},
        {"a**", "a", true},
        {"*a*b*c", "xxaybzc", true},
        {"*a*b*c", "xxaybzcd", false},
        {"c:\\windows\\*\\x.dll", "C:\\WINDOWS\\system32\\X.DLL", true},
        {"*.*", "noext", false},
        {"*.*", "name.", true},
        {"[a-]x", "-x", true},
        {"[ab-]", "-", true},
        {"?", "", false},
        {"x*", "x", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WildcardMatch(QString::fromLatin1(c.pattern), QString::fromLatin1(c.text)), c.match)
            << c.pattern << " vs " << c.text;
}

TEST(WildcardTable, ComparesUtf16UnitsWithoutRegardToCase)
{
    EXPECT_TRUE(WildcardMatch(QStringLiteral("\u00c9T\u00c9.txt"), QStringLiteral("\u00e9t\u00e9.TXT")));
    // "ß" has no single-unit upper case: it stays one unit and matches one "?".
    EXPECT_TRUE(WildcardMatch(QStringLiteral("stra?e"), QStringLiteral("stra\u00dfe")));
    // A character outside the BMP is two units.
    EXPECT_TRUE(WildcardMatch(QStringLiteral("a??b"), QStringLiteral("a\U0001F600b")));
    EXPECT_FALSE(WildcardMatch(QStringLiteral("a?b"), QStringLiteral("a\U0001F600b")));
    EXPECT_TRUE(WildcardMatch(QStringLiteral("[\u0400-\u04ff]"), QStringLiteral("\u0416")));
}
