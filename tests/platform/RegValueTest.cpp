#include "platform/Registry.h"
#include "support/QtPrinting.h"

#include <gtest/gtest.h>

using namespace veridon;

TEST(RegValue, StringsKeepTheirZeroAndReadBackUpToIt)
{
    const RegValue value = RegValue::fromString(QStringLiteral("n"), QStringLiteral("ab"));
    EXPECT_EQ(value.data, QByteArray("a\0b\0\0\0", 6));
    EXPECT_EQ(value.toText(), QStringLiteral("ab"));
    RegValue embedded{QString(), RegType::ExpandString, QByteArray("x\0\0\0y\0", 6)};
    EXPECT_EQ(embedded.toText(), QStringLiteral("x"));
    EXPECT_EQ(RegValue::fromDword({}, 5).toText(), QString());
}

TEST(RegValue, DwordsAndMultiStrings)
{
    EXPECT_EQ(RegValue::fromDword({}, 0x12345678).toDword(), 0x12345678u);
    EXPECT_EQ((RegValue{{}, RegType::DwordBigEndian, QByteArray("\x12\x34\x56\x78", 4)}.toDword()),
              0x12345678u);
    EXPECT_EQ((RegValue{{}, RegType::Dword, QByteArray("\1\0", 2)}.toDword()), 0u);
    const QStringList texts{QStringLiteral("a"), QStringLiteral("bc")};
    const RegValue multi = RegValue::fromMultiString({}, texts);
    EXPECT_EQ(multi.data, QByteArray("a\0\0\0b\0c\0\0\0\0\0", 12));
    EXPECT_EQ(multi.toMultiString(), texts);
    EXPECT_TRUE(RegValue::fromMultiString({}, {}).toMultiString().isEmpty());
}

TEST(RegistryPath, RootsInShortAndLongForm)
{
    const struct
    {
        const char* text;
        bool ok;
        RegRoot root;
        const char* key;
    } cases[] = {
        {"HKLM\\Software\\X", true, RegRoot::LocalMachine, "Software\\X"},
        {"hkey_current_user\\Software\\", true, RegRoot::CurrentUser, "Software"},
        {"HKCR", true, RegRoot::ClassesRoot, ""},
        {"HKU\\.Default", true, RegRoot::Users, ".Default"},
        {"HKXX\\Software", false, RegRoot::Users, ""},
    };
    for (const auto& c : cases) {
        RegRoot root{};
        QString key;
        EXPECT_EQ(parseRegistryPath(QString::fromLatin1(c.text), root, key), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(root, c.root) << c.text;
            EXPECT_EQ(key, QString::fromLatin1(c.key));
        }
    }
    EXPECT_EQ(rootLongName(RegRoot::Users), QStringLiteral("HKEY_USERS"));
}
