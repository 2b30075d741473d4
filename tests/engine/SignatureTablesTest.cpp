#include "engine/BytePatternTable.h"
#include "engine/HashTable.h"
#include "engine/SignatureSets.h"
#include "engine/SignatureText.h"
#include "engine/VersionTable.h"
#include "support/QtPrinting.h"

#include <gtest/gtest.h>

using namespace veridon;

namespace {

HashTable hashTable(const char* text)
{
    HashTable table;
    table.load(QByteArray(text));
    return table;
}

TEST(SignatureText, SplitsAtEveryKindOfLineEnd)
{
    EXPECT_EQ(memberLines("a\r\nb\rc\nd\n"), QStringList({"a", "b", "c", "d"}));
    EXPECT_EQ(memberLines("a\n\nb"), QStringList({"a", "", "b"}));
    EXPECT_EQ(memberLines(""), QStringList());
    // Windows-1252 without a mark, UTF-16 with one.
    EXPECT_EQ(memberLines("caf\xE9"), QStringList({QString::fromUtf8("caf\xC3\xA9")}));
    EXPECT_EQ(memberLines(QByteArray("\xFF\xFE" "a\0\n\0b\0", 8)), QStringList({"a", "b"}));
}

TEST(HashTable, ParsesNameDigestAndLocation)
{
    const HashTable table = hashTable(" Trojan.A ,0cc175b9c0f1b6a831c399e269772661\n"
                                      "Adware.B,  92EB5FFEE6AE2FEC3AD71C777531578F , %SYSDIR% \n"
                                      "no comma at all\n");
    ASSERT_EQ(table.size(), 3);
    EXPECT_EQ(table.threatName(0), " Trojan.A ");
    EXPECT_EQ(table.location(0), "");
    EXPECT_EQ(table.threatName(1), "Adware.B");
    EXPECT_EQ(table.location(1), "%SYSDIR%");
    EXPECT_EQ(table.threatName(2), "");
}

TEST(HashTable, KeepsTheCaseOfNamesAndLocationsWhileFoldingDigests)
{
    // CR LF and lone CR end lines as LF does.
    const HashTable table = hashTable("spy.a,0cc175b9c0f1b6a831c399e269772661,%windir%\\temp\r\n"
                                      "spy.b,44d88612fea8a8f36de82e1278abb02f, c:\\x \r"
                                      "spy.c,92eb5ffee6ae2fec3ad71c777531578f");
    ASSERT_EQ(table.size(), 3);
    EXPECT_EQ(table.threatName(0), "spy.a");
    EXPECT_EQ(table.location(0), "%windir%\\temp");
    EXPECT_EQ(table.location(1), "c:\\x");
    EXPECT_EQ(table.find("0CC175B9C0F1B6A831C399E269772661"), 0);
    EXPECT_EQ(table.find("92EB5FFEE6AE2FEC3AD71C777531578F"), 2);
}

TEST(HashTable, FindsByBisectionIgnoringCase)
{
    const HashTable table = hashTable("a,0cc175b9c0f1b6a831c399e269772661\n"
                                      "b,44d88612fea8a8f36de82e1278abb02f\n"
                                      "c,92eb5ffee6ae2fec3ad71c777531578f\n"
                                      "d,d41d8cd98f00b204e9800998ecf8427e\n");
    EXPECT_EQ(table.find("44d88612fea8a8f36de82e1278abb02f"), 1);
    EXPECT_EQ(table.find("44D88612FEA8A8F36DE82E1278ABB02F"), 1);
    EXPECT_EQ(table.find("d41d8cd98f00b204e9800998ecf8427e"), 3);
    EXPECT_EQ(table.find("0cc175b9c0f1b6a831c399e269772661"), 0);
    EXPECT_EQ(table.find("ffffffffffffffffffffffffffffffff"), -1);
    EXPECT_EQ(hashTable("").find("44d88612fea8a8f36de82e1278abb02f"), -1);
}

TEST(HashTable, KeysOfAnyLengthOrderAsTheirBytes)
{
    // Shorter and longer than eight characters, sharing their first eight,
    // and bytes above 0x7F, which order after every ASCII byte.
    const HashTable table = hashTable("a,0\n"
                                      "b,0000000\n"
                                      "c,00000000\n"
                                      "d,000000001\n"
                                      "e,0000000A\n"
                                      "f,aaaaaaaa\n"
                                      "g,AAAAAAAAB\n"
                                      "h,aaaaaaaac\n"
                                      "i,AAAAAAAA\xC3\xA9\n"
                                      "j,\xC3\xA9\n");
    const std::pair<const char*, int> cases[] = {
        {"0", 0},          {"0000000", 1},    {"00000000", 2},   {"000000001", 3},
        {"0000000a", 4},   {"AAAAAAAA", 5},   {"aaaaaaaab", 6},  {"AAAAAAAAC", 7},
        {"aaaaaaaa\xC3\xA9", 8}, {"\xC3\xA9", 9}, {"00", -1},       {"000000000", -1},
        {"AAAAAAAAA", -1}, {"", -1}};
    for (const auto& [probe, index] : cases)
        EXPECT_EQ(table.find(probe), index) << probe;
}

TEST(HashTable, UnsortedLinesCanBeMissedAsTheTableOrderDecides)
{
    // The table is searched in file order; a line out of order is not found.
    const HashTable table = hashTable("a,ffffffffffffffffffffffffffffffff\n"
                                      "b,00000000000000000000000000000000\n"
                                      "c,11111111111111111111111111111111\n");
    EXPECT_EQ(table.find("ffffffffffffffffffffffffffffffff"), -1);
    EXPECT_EQ(table.find("11111111111111111111111111111111"), 2);
}

TEST(BytePatternTable, DecodesDigitsAndSkipsUnusableLines)
{
    BytePatternTable table;
    table.load({"Full,64,4D5A9000", "Odd, 64 ,4D5A9,NV", "Wild,0,4D?A", "BadOffset,x1,4D5A",
                "NoBytes,10,", "Short,1", "Bad digit,0,4G5A"});
    const auto& e = table.entries();
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].offset, 64);
    EXPECT_EQ(e[0].digitCount, 8);
    EXPECT_EQ(e[0].bytes, QByteArray("\x4D\x5A\x90\x00", 4));
    EXPECT_FALSE(e[0].vendorless);
    EXPECT_EQ(e[1].digitCount, 5);
    EXPECT_EQ(e[1].bytes, QByteArray("\x4D\x5A"));
    EXPECT_TRUE(e[1].vendorless);
    EXPECT_EQ(e[2].threatName, "Bad digit");
    EXPECT_FALSE(e[2].wellFormed);
}

TEST(VersionTable, TrimsFieldsAndTakesAnOptionalPublisher)
{
    VersionTable table;
    table.load({" Toolbar.X , 8 , BAD*BAR ", "Spy.Y,1,ACME,  Acme Corp  "});
    ASSERT_EQ(table.entries().size(), 2u);
    EXPECT_EQ(table.entries()[0].threatName, "Toolbar.X");
    EXPECT_EQ(table.entries()[0].index, "8");
    EXPECT_EQ(table.entries()[0].pattern, "BAD*BAR");
    EXPECT_EQ(table.entries()[0].publisher, "");
    EXPECT_EQ(table.entries()[1].publisher, "Acme Corp");
}

TEST(SignatureSets, DefinitionVersionIsTheLastCoreVerLine)
{
    EXPECT_EQ(coreVersionOf({"[main]", "CoreVer= 1.0 ", "x", "CoreVer=2009.05.01"}),
              "2009.05.01");
    EXPECT_EQ(coreVersionOf({"Version=3"}), "0");
}

TEST(SignatureSets, LoadsEveryMemberAndJoinsCoreFirst)
{
    SignatureSets sets;
    QStringList asked;
    sets.load([&](const QString& archive, const QString& member) {
        asked.append(archive + QLatin1Char('/') + member);
        if (member == QLatin1String("Dda.db"))
            return QByteArray(archive == QLatin1String("Core.def") ? "core1\ncore2\n" : "add1\n");
        if (member == QLatin1String("Info.db"))
            return QByteArray("CoreVer=7\n");
        return QByteArray();
    });
    EXPECT_EQ(asked.size(), SignatureSets::kCoreMembers.size() +
                                SignatureSets::kAdditionMembers.size());
    EXPECT_EQ(asked.first(), "Core.def/Hash.db");
    EXPECT_EQ(asked.last(), "Addition.def/Info.db");
    EXPECT_EQ(sets.joined("Dda.db"), QStringList({"core1", "core2", "add1"}));
    EXPECT_EQ(sets.coreVersion(), "7");
}

TEST(SignatureSets, AMissingMemberEndsTheLoad)
{
    SignatureSets sets;
    EXPECT_THROW(sets.load([](const QString&, const QString& member) -> QByteArray {
        if (member == QLatin1String("Guid.db"))
            throw std::runtime_error("Guid.db not found in archive");
        return {};
    }),
                 std::runtime_error);
}

} // namespace
