#include "platform/posix/WineRegistryFile.h"
#include "support/QtPrinting.h"

#include <gtest/gtest.h>

using namespace veridon;

namespace {

QStringList keyPath(const char* text)
{
    return QString::fromUtf8(text).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

const QByteArray kSample = R"(WINE REGISTRY Version 2
;; All keys relative to REGISTRY\\User\\S-1-5-21-0-0-0-1000

#arch=win64

[Software\\A] 1700000000
#time=1da1234567890ab
@="default"
"Plain"="C:\\windows\\x \"quoted\""
"Expand"=str(2):"%SystemRoot%\\system32"
"Multi"=str(7):"one\0two\0"
"Number"=dword:0000002a
"Bin"=hex:01,02,ff
"Link"=hex(6):5c,00,52,00,65,00,67,00,69,00,73,00,74,00,72,00,79,00,5c,00,4d,00,\
  61,00,63,00,68,00
"Odd"=hex(80000001):
"Escapes"="tab\there\nnew\r\0zero\a\e\x00e9t\x263a\xd83d\xde00\177\1a"
#class="Cls"

[Software\\A\\Sub\[1\]] 1700000001
#time=1da1234567890ac
#link
"SymbolicLinkValue"=hex(6):5c,00

[Software\\B] 1700000002
#time=1da1234567890ad
"v"="1"
)";

} // namespace

TEST(WineRegistryFile, UnchangedFileComesBackByteIdentical)
{
    EXPECT_EQ(WineRegistryFile::parse(kSample).serialize(), kSample);
    const QByteArray noFinalNewline = kSample.chopped(1);
    EXPECT_EQ(WineRegistryFile::parse(noFinalNewline).serialize(), noFinalNewline);
}

TEST(WineRegistryFile, ReadsEverySyntaxTheWineserverWrites)
{
    const WineRegistryFile file = WineRegistryFile::parse(kSample);
    EXPECT_EQ(file.relativeTo(), QStringLiteral("User\\S-1-5-21-0-0-0-1000"));
    const QStringList a = keyPath("software\\A");
    EXPECT_EQ(file.value(a, QString())->toText(), QStringLiteral("default"));
    EXPECT_EQ(file.value(a, QStringLiteral("plain"))->toText(),
              QStringLiteral("C:\\windows\\x \"quoted\""));
    const RegValue expand = *file.value(a, QStringLiteral("Expand"));
    EXPECT_EQ(expand.type, RegType::ExpandString);
    EXPECT_EQ(expand.toText(), QStringLiteral("%SystemRoot%\\system32"));
    EXPECT_EQ(file.value(a, QStringLiteral("Multi"))->toMultiString(),
              (QStringList{QStringLiteral("one"), QStringLiteral("two")}));
    EXPECT_EQ(file.value(a, QStringLiteral("Number"))->toDword(), 42u);
    EXPECT_EQ(file.value(a, QStringLiteral("Bin"))->data, QByteArray("\x01\x02\xff", 3));
    const RegValue link = *file.value(a, QStringLiteral("Link"));
    EXPECT_EQ(link.type, 6u);
    EXPECT_EQ(link.data.size(), 28);
    const RegValue odd = *file.value(a, QStringLiteral("Odd"));
    EXPECT_EQ(odd.type, 0x80000001u);
    EXPECT_TRUE(odd.data.isEmpty());
    const QString escapes = file.value(a, QStringLiteral("Escapes"))->toText();
    // toText stops at the embedded zero; compare the raw units instead.
    const RegValue raw = *file.value(a, QStringLiteral("Escapes"));
    QString units;
    for (qsizetype i = 0; i + 1 < raw.data.size(); i += 2)
        units += QChar(char16_t(uchar(raw.data[i]) | (uchar(raw.data[i + 1]) << 8)));
    const QString expected = QStringLiteral("tab\there\nnew\r") + QChar(0) + QStringLiteral("zero") +
                             QChar(7) + QChar(27) + QChar(0xe9) + QStringLiteral("t") + QChar(0x263a) +
                             QChar(0xd83d) + QChar(0xde00) + QChar(0x7f) + QChar(1) +
                             QStringLiteral("a") + QChar(0);
    EXPECT_EQ(units, expected);
    EXPECT_EQ(escapes, QStringLiteral("tab\there\nnew\r"));

    EXPECT_EQ(file.subkeys(keyPath("SOFTWARE")), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
    EXPECT_EQ(file.subkeys(a), QStringList{QStringLiteral("Sub[1]")});
    EXPECT_TRUE(file.keyExists(keyPath("Software\\a\\sub[1]")));
    EXPECT_FALSE(file.keyExists(keyPath("Software\\C")));
    EXPECT_EQ(file.values(keyPath("Software")).size(), 0);
    EXPECT_EQ(file.values(a).size(), 9);
}

TEST(WineRegistryFile, WritesValuesExactlyAsTheWineserver)
{
    const struct
    {
        RegValue value;
        const char* text;
    } cases[] = {
        {RegValue::fromString(QString(), QStringLiteral("x")), "@=\"x\"\n"},
        {RegValue::fromString(QStringLiteral("a\"b\\c"), QStringLiteral("\"q\"")),
         "\"a\\\"b\\\\c\"=\"\\\"q\\\"\"\n"},
        {RegValue::fromString(QStringLiteral("n"), QStringLiteral("%A%"), RegType::ExpandString),
         "\"n\"=str(2):\"%A%\"\n"},
        {RegValue::fromString(QStringLiteral("n"), QString(QChar(0xe9)) + QStringLiteral("a") +
                                                      QChar(0xe9) + QStringLiteral("g") + QChar(1) +
                                                      QStringLiteral("7") + QChar(1) + QChar(9)),
         "\"n\"=\"\\x00e9a\\xe9g\\0017\\1\\t\"\n"},
        {RegValue::fromDword(QStringLiteral("d"), 0xdeadbeef), "\"d\"=dword:deadbeef\n"},
        {RegValue::fromMultiString(QStringLiteral("m"), {QStringLiteral("a"), QStringLiteral("b")}),
         "\"m\"=str(7):\"a\\0b\\0\"\n"},
        {RegValue{QStringLiteral("b"), RegType::Binary, QByteArray("\x00\x10", 2)}, "\"b\"=hex:00,10\n"},
        {RegValue{QStringLiteral("s"), RegType::String, QByteArray("a\0b", 3)}, "\"s\"=hex(1):61,00,62\n"},
        {RegValue{QStringLiteral("e"), 0x20, QByteArray()}, "\"e\"=hex(20):\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WineRegistryFile::formatValue(c.value), QByteArray(c.text)) << c.text;

    // Long data wraps after 76 columns with "\" and a two-space indent.
    const QByteArray wrapped = WineRegistryFile::formatValue(
        RegValue{QStringLiteral("SymbolicLinkValue"), RegType::Link, QByteArray(50, 'A')});
    EXPECT_EQ(wrapped, QByteArray("\"SymbolicLinkValue\"=hex(6):"
                                  "41,41,41,41,41,41,41,41,41,41,41,41,41,41,41,41,41,\\\n  "
                                  "41,41,41,41,41,41,41,41,41,41,41,41,41,41,41,41,41,41,41,41,41,41,41,41,41,\\\n  "
                                  "41,41,41,41,41,41,41,41\n"));
    // And reads back to the same value.
    const WineRegistryFile file = WineRegistryFile::parse("WINE REGISTRY Version 2\n\n[K] 1\n" + wrapped);
    EXPECT_EQ(file.value(keyPath("K"), QStringLiteral("symboliclinkvalue"))->data, QByteArray(50, 'A'));
}

TEST(WineRegistryFile, ChangesRewriteOnlyTheirKey)
{
    WineRegistryFile file = WineRegistryFile::parse(kSample);
    const quint64 now = 0x1dd88a713a87290ULL; // 2026, like a fresh prefix
    file.setValue(keyPath("Software\\B"), RegValue::fromDword(QStringLiteral("a"), 7), now);
    file.setValue(keyPath("Software\\B"), RegValue::fromString(QStringLiteral("V"), QStringLiteral("2")), now);
    QByteArray expected = kSample;
    expected.replace("[Software\\\\B] 1700000002\n#time=1da1234567890ad\n\"v\"=\"1\"\n",
                     "[Software\\\\B] 1796907906\n#time=1dd88a713a87290\n\"a\"=dword:00000007\n"
                     "\"v\"=\"2\"\n");
    EXPECT_EQ(file.serialize(), expected);

    EXPECT_TRUE(file.deleteValue(keyPath("software\\b"), QStringLiteral("A"), now));
    EXPECT_FALSE(file.deleteValue(keyPath("software\\b"), QStringLiteral("A"), now));
    EXPECT_FALSE(file.value(keyPath("Software\\B"), QStringLiteral("a")).has_value());
}

TEST(WineRegistryFile, NewKeysGoWhereTheWineserverWouldPutThem)
{
    WineRegistryFile file = WineRegistryFile::parse(kSample);
    file.createKey(keyPath("Software\\AA\\New"), 0x1dd88a713a87290ULL);
    const QByteArray text = file.serialize();
    const qsizetype sub = text.indexOf("[Software\\\\A\\\\Sub\\[1\\]]");
    const qsizetype added = text.indexOf("\n\n[Software\\\\AA\\\\New] 1796907906\n#time=1dd88a713a87290\n");
    const qsizetype b = text.indexOf("[Software\\\\B]");
    EXPECT_GT(added, sub);
    EXPECT_LT(added, b);
    EXPECT_TRUE(file.keyExists(keyPath("software\\aa")));
    EXPECT_EQ(file.subkeys(keyPath("Software")),
              (QStringList{QStringLiteral("A"), QStringLiteral("AA"), QStringLiteral("B")}));
    // Parsing the written text gives the same keys.
    EXPECT_TRUE(WineRegistryFile::parse(text).keyExists(keyPath("Software\\AA\\New")));
}

TEST(WineRegistryFile, DeletingATreeKeepsTheParentKey)
{
    WineRegistryFile file = WineRegistryFile::parse(kSample);
    EXPECT_TRUE(file.deleteKeyTree(keyPath("SOFTWARE\\a"), 0x1dd88a713a87290ULL));
    EXPECT_FALSE(file.keyExists(keyPath("Software\\A")));
    EXPECT_FALSE(file.keyExists(keyPath("Software\\A\\Sub[1]")));
    EXPECT_FALSE(file.deleteKeyTree(keyPath("Software\\A"), 1));
    const QByteArray text = file.serialize();
    EXPECT_FALSE(text.contains("Software\\\\A]"));
    EXPECT_FALSE(text.contains("Sub"));
    EXPECT_TRUE(text.contains("[Software\\\\B] 1700000002\n"));

    // A parent that only existed through its subkey stays as a key of its own.
    EXPECT_TRUE(file.deleteKeyTree(keyPath("Software\\B"), 0x1dd88a713a87290ULL));
    EXPECT_TRUE(file.keyExists(keyPath("Software")));
    const WineRegistryFile reread = WineRegistryFile::parse(file.serialize());
    EXPECT_TRUE(reread.keyExists(keyPath("Software")));
    EXPECT_TRUE(reread.subkeys(keyPath("Software")).isEmpty());
}

TEST(WineRegistryFile, BadLinesAreKeptAsTheyWere)
{
    const QByteArray bad = R"reg(WINE REGISTRY Version 2

[Software\\Bad] 1700000000
#time=1da1234567890ab
"good"="1"
"unclosed="x
"badescape"="a\qb"
"badhex"=hex:zz,01
this line means nothing
"dword"=dword:123456789
"strange"=str(2)"x"
[no closing bracket
"after"="2"
"truncated"=hex:01,02,\)reg";
    WineRegistryFile file = WineRegistryFile::parse(bad);
    EXPECT_EQ(file.serialize(), bad);
    const QStringList key = keyPath("Software\\Bad");
    EXPECT_EQ(file.value(key, QStringLiteral("good"))->toText(), QStringLiteral("1"));
    EXPECT_EQ(file.value(key, QStringLiteral("after"))->toText(), QStringLiteral("2"));
    for (const char* name : {"unclosed", "badescape", "badhex", "dword", "strange", "truncated"})
        EXPECT_FALSE(file.value(key, QString::fromLatin1(name)).has_value()) << name;

    // A change to that key still carries the bad lines through.
    file.setValue(key, RegValue::fromString(QStringLiteral("new"), QStringLiteral("3")), 0x1dd88a713a87290ULL);
    const QByteArray changed = file.serialize();
    for (const char* line : {"\"unclosed=\"x\n", "\"badescape\"=\"a\\qb\"\n", "this line means nothing\n",
                             "[no closing bracket\n", "\"truncated\"=hex:01,02,\\\n"})
        EXPECT_TRUE(changed.contains(line)) << line;
    EXPECT_EQ(WineRegistryFile::parse(changed).value(key, QStringLiteral("new"))->toText(),
              QStringLiteral("3"));

    const QByteArray longLine = "WINE REGISTRY Version 2\n\n[K] 1\n\"v\"=\"" + QByteArray(300000, 'x') + "\"\n";
    EXPECT_EQ(WineRegistryFile::parse(longLine).serialize(), longLine);
    EXPECT_EQ(WineRegistryFile::parse(QByteArray("\0\xff\n[", 4)).serialize(), QByteArray("\0\xff\n[", 4));
}

TEST(WineRegistryFile, AKeyNamedTwiceReadsLikeWineLoadsIt)
{
    const QByteArray text = "WINE REGISTRY Version 2\n\n[K] 1\n\"a\"=\"first\"\n\"b\"=\"1\"\n\n[K] 2\n\"a\"=\"second\"\n";
    WineRegistryFile file = WineRegistryFile::parse(text);
    EXPECT_EQ(file.value(keyPath("k"), QStringLiteral("A"))->toText(), QStringLiteral("second"));
    const QList<RegValue> values = file.values(keyPath("K"));
    ASSERT_EQ(values.size(), 2);
    EXPECT_EQ(values[0].toText(), QStringLiteral("second"));
    file.setValue(keyPath("K"), RegValue::fromString(QStringLiteral("a"), QStringLiteral("third")), 1);
    EXPECT_EQ(WineRegistryFile::parse(file.serialize()).value(keyPath("K"), QStringLiteral("a"))->toText(),
              QStringLiteral("third"));
}
