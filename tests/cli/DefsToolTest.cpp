#include "cli/defs/HashOrder.h"
#include "store/DefinitionArchive.h"
#include "store/TExtIniFile.h"
#include "store/TZLBArc2.h"
#include "store/TextCodec.h"
#include "support/TempDir.h"

#include <QProcess>

#include <gtest/gtest.h>

using namespace veridon;
using namespace veridon::test;

namespace {

struct ToolRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

ToolRun defs(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(VERIDON_DEFS_EXE), arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

QString programFile(const QString& name)
{
    return QStringLiteral(VERIDON_BUILT_PROGRAM_DIR) + "/" + name;
}

TEST(DefsTool, PacksListsExtractsAndVerifies)
{
    TempDir dir;
    const QByteArray hash = "EICAR-Test-File,44d88612fea8a8f36de82e1278abb02f\r\n"
                            "Other,AB00000000000000000000000000000f\r\n"
                            "Third,ff000000000000000000000000000000, %SYSDIR%\r\n";
    dir.write("tables/Hash.db", hash);
    dir.write("tables/Empty.db", "");
    dir.write("tables/Info.db", "[main]\r\nVersion=2\r\nCoreVer=2\r\n");
    const QString archive = dir.file("Core.def");

    ToolRun packed = defs({"pack", dir.file("tables"), archive});
    ASSERT_EQ(packed.exitCode, 0) << packed.err.toStdString();

    ToolRun listed = defs({"list", archive});
    ASSERT_EQ(listed.exitCode, 0);
    const QStringList lines = QString::fromLocal8Bit(listed.out).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[1].startsWith("Hash.db")) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].contains("deflated+encrypted"));
    EXPECT_TRUE(lines[0].contains(" 0 ")); // Empty.db: its size

    ToolRun extracted = defs({"extract", archive, "hash.db"});
    EXPECT_EQ(extracted.exitCode, 0);
    EXPECT_EQ(extracted.out, hash);
    EXPECT_EQ(defs({"extract", archive, "Hash.db", "-o", dir.file("out.db")}).exitCode, 0);
    EXPECT_EQ(readAll(dir.file("out.db")), hash);

    ToolRun verified = defs({"verify", archive});
    EXPECT_EQ(verified.exitCode, 0) << verified.out.toStdString();

    // The engine's reader sees the same lines.
    TZLBArc2 reader;
    openDefinitionArchive(reader, archive);
    EXPECT_EQ(readMemberLines(reader, "Hash.db").size(), 3);
}

TEST(DefsTool, PlainPackingAndWrongPassword)
{
    TempDir dir;
    dir.write("t/a.db", "some text some text some text some text\r\n");
    const QString archive = dir.file("a.def");
    ASSERT_EQ(defs({"pack", dir.file("t"), archive, "--plain"}).exitCode, 0);
    EXPECT_TRUE(defs({"list", archive}).out.contains("deflated "));

    const QString sealed = dir.file("b.def");
    ASSERT_EQ(defs({"pack", dir.file("t"), sealed, "--password", "other1"}).exitCode, 0);
    EXPECT_EQ(defs({"extract", sealed, "a.db", "--password", "other1"}).out,
              "some text some text some text some text\r\n");
    const ToolRun wrong = defs({"extract", sealed, "a.db"});
    EXPECT_EQ(wrong.exitCode, 2);
}

TEST(DefsTool, ErrorsAreOneLineWithStatusTwo)
{
    TempDir dir;
    dir.write("t/a.db", "x\r\n");
    const QString archive = dir.file("a.def");
    ASSERT_EQ(defs({"pack", dir.file("t"), archive}).exitCode, 0);
    const QByteArray before = readAll(archive);

    const ToolRun again = defs({"pack", dir.file("t"), archive});
    EXPECT_EQ(again.exitCode, 2);
    EXPECT_EQ(again.err.count('\n'), 1);
    EXPECT_TRUE(again.err.contains("already exists in the archive")) << again.err.toStdString();
    EXPECT_EQ(readAll(archive), before);
    EXPECT_EQ(defs({"pack", dir.file("t"), archive, "--force"}).exitCode, 0);

    const ToolRun missing = defs({"list", dir.file("none.def")});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.err, "veridon-defs: Archive file not found\n");
    const ToolRun member = defs({"extract", archive, "nope.db"});
    EXPECT_EQ(member.exitCode, 2);
    EXPECT_EQ(member.err, "veridon-defs: nope.db not found in archive\n");
    EXPECT_EQ(defs({"frobnicate"}).exitCode, 2);
    EXPECT_EQ(defs({"verify", dir.file("none.def")}).exitCode, 2);
}

TEST(DefsTool, VerifyNamesTheFirstHashLineOutOfOrderAndCatchesDamage)
{
    TempDir dir;
    dir.write("t/Hash_Add.db", "A,0a\r\nB,0B\r\nC,01\r\nD,ff\r\n");
    const QString archive = dir.file("add.def");
    ASSERT_EQ(defs({"pack", dir.file("t"), archive}).exitCode, 0);
    const ToolRun unsorted = defs({"verify", archive});
    EXPECT_EQ(unsorted.exitCode, 1);
    EXPECT_TRUE(unsorted.out.contains("line 3")) << unsorted.out.toStdString();
    EXPECT_TRUE(unsorted.out.contains("C,01"));

    dir.write("u/Hash.db", "A,0a\r\n");
    const QString good = dir.file("good.def");
    ASSERT_EQ(defs({"pack", dir.file("u"), good}).exitCode, 0);
    QByteArray bytes = readAll(good);
    bytes[5] = char(bytes[5] ^ 1);
    dir.write("bad.def", bytes);
    const ToolRun damaged = defs({"verify", good, dir.file("bad.def")});
    EXPECT_EQ(damaged.exitCode, 1);
    EXPECT_TRUE(damaged.out.contains("The archive appears to be corrupted"));
    EXPECT_TRUE(damaged.out.contains("good.def: OK"));
}

TEST(HashOrder, ComparesDigestsIgnoringLetterCase)
{
    EXPECT_EQ(cli::compareHashText("abc", "ABC"), 0);
    EXPECT_LT(cli::compareHashText("0a", "0B"), 0);
    EXPECT_LT(cli::compareHashText("ab", "abc"), 0);
    EXPECT_EQ(cli::hashField("Name ,  ABC , %SYSDIR%"), "ABC ");
    EXPECT_EQ(cli::hashField("Name,abc"), "abc");
    EXPECT_FALSE(cli::firstLineOutOfOrder({"a,00", "b,0A", "c,0b", "d,0b"}).has_value());
    EXPECT_EQ(cli::firstLineOutOfOrder({"a,00", "b,ff", "c,0b"}), 3);
}

TEST(ShippedDefinitions, CarryEveryMemberTheEngineReads)
{
    const struct
    {
        const char* archive;
        QStringList members;
    } shipped[] = {
        {"Core.def",
         {"Hash.db", "HotSpot.db", "White.db", "Dda.db", "Dir.db", "BHO.db", "Replace.db",
          "TrackingCookie.db", "HotKey.db", "HotVal.db", "Guid.db", "Extra.db", "Version.db",
          "StringS.db"}},
        {"Addition.def",
         {"Hash_Add.db", "HotSpot.db", "White.db", "Dda.db", "Dir.db", "BHO.db", "Replace.db",
          "TrackingCookie.db", "HotKey.db", "HotVal.db", "Guid.db", "Extra.db", "Version.db",
          "StringS_Add.db", "Info.db"}},
    };
    for (const auto& s : shipped) {
        TZLBArc2 archive;
        openDefinitionArchive(archive, programFile(s.archive));
        EXPECT_EQ(archive.Count(), s.members.size()) << s.archive;
        for (const QString& member : s.members) {
            EXPECT_GE(archive.IndexOf(member), 0) << s.archive << " " << member.toStdString();
            EXPECT_TRUE(archive.Entries(archive.IndexOf(member)).encrypted());
        }
    }

    TZLBArc2 core;
    openDefinitionArchive(core, programFile("Core.def"));
    EXPECT_TRUE(readMemberLines(core, "Hash.db")
                    .contains("EICAR-Test-File,44d88612fea8a8f36de82e1278abb02f"));

    TZLBArc2 addition;
    openDefinitionArchive(addition, programFile("Addition.def"));
    const QByteArray info = addition.ExtractToMemory("info.db");
    bool coreVer = false;
    for (const QString& line : splitLines(decodeText(info)))
        coreVer = coreVer || line.contains("CoreVer=");
    EXPECT_TRUE(coreVer);
    TExtIniFile ini;
    ini.loadFromBytes(info);
    for (const char* key : {"Version", "Date", "FP"})
        EXPECT_FALSE(ini.readString("main", key).isEmpty()) << key;
}

} // namespace
