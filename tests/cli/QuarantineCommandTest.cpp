#include "store/TZLBArc2.h"
#include "support/TempDir.h"

#include <QBuffer>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

using namespace veridon;
using namespace veridon::test;

namespace {

struct ScanRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

ScanRun scan(const TempDir& dir, const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("WINEPREFIX", dir.file("no-prefix")); // only the host file system, as Z:
    process.setProcessEnvironment(environment);
    process.start(VERIDON_SCAN_EXE, QStringList{"--program-dir", dir.file("program")} + arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

void addMember(TZLBArc2& archive, const QString& name, QByteArray content)
{
    QBuffer source(&content);
    source.open(QIODevice::ReadOnly);
    archive.AddFromStream(name, source, false);
}

// A quarantine as the store writes it: an index and one object archive.
void fillQuarantine(const TempDir& dir)
{
    const QString zone = dir.mkdir("program/Quarantine Zone");
    TZLBArc2 index;
    index.CreateArchive(zone + "/info.db");
    addMember(index, "Info.db",
              "[qwertyui]\r\nVirusName=EICAR-Test-File\r\nPath=C:\\users\\ann\\eicar.com\r\n"
              "DealTime=03/05/2009 14:07:09\r\n\r\n");
    TZLBArc2 object;
    object.CreateArchive(zone + "/qwertyui");
    addMember(object, "qwertyui", "X5O!P%@AP[4\\PZX54(P^)7CC)7}$EICAR");
}

TEST(QuarantineCommand, ListsRestoresAndDeletes)
{
    TempDir dir;
    fillQuarantine(dir);

    const ScanRun listed = scan(dir, {"quarantine", "list"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    EXPECT_TRUE(listed.out.contains("qwertyui")) << listed.out.toStdString();
    EXPECT_TRUE(listed.out.contains("03/05/2009 14:07:09"));
    EXPECT_TRUE(listed.out.contains("EICAR-Test-File"));
    EXPECT_TRUE(listed.out.contains("C:\\users\\ann\\eicar.com"));

    const QString target = dir.file("restored.com");
    const ScanRun restored = scan(dir, {"quarantine", "restore", "qwertyui", target});
    ASSERT_EQ(restored.exitCode, 0) << restored.err.toStdString();
    EXPECT_EQ(readAll(target), "X5O!P%@AP[4\\PZX54(P^)7CC)7}$EICAR");
    EXPECT_FALSE(QFile::exists(dir.file("program/Quarantine Zone/qwertyui")));
    EXPECT_FALSE(scan(dir, {"quarantine", "list"}).out.contains("qwertyui"));
}

TEST(QuarantineCommand, DeleteAndFailures)
{
    TempDir dir;
    fillQuarantine(dir);
    const ScanRun deleted = scan(dir, {"quarantine", "delete", "qwertyui"});
    ASSERT_EQ(deleted.exitCode, 0) << deleted.err.toStdString();
    EXPECT_FALSE(QFile::exists(dir.file("program/Quarantine Zone/qwertyui")));

    const ScanRun again = scan(dir, {"quarantine", "delete", "qwertyui"});
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_TRUE(again.err.contains("Do not find the file in database!"));

    const ScanRun restore = scan(dir, {"quarantine", "restore", "qwertyui", dir.file("x")});
    EXPECT_EQ(restore.exitCode, 2);
    EXPECT_TRUE(restore.err.contains(
        "Restore the object failed!You may need to restart or change the restore path!"));
    EXPECT_FALSE(QFile::exists(dir.file("x")));
    EXPECT_EQ(scan(dir, {"quarantine"}).exitCode, 2);
    EXPECT_EQ(scan(dir, {"quarantine", "restore", "only-id"}).exitCode, 2);
}

TEST(QuarantineCommand, EmptyProgramFolderListsNothing)
{
    TempDir dir;
    dir.mkdir("program");
    const ScanRun listed = scan(dir, {"quarantine", "list"});
    EXPECT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    EXPECT_EQ(listed.out.count('\n'), 1); // the heading only
}

} // namespace
