#include "platform/ProcessTable.h"

#include "platform/posix/ProcProcessTable.h"
#include "support/PeWriter.h"
#include "support/ProcFixture.h"
#include "support/QtPrinting.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

using namespace veridon;
using namespace veridon::test;

namespace {

constexpr quint32 kFirstPid = 5000000; // above any real pid

QString canonical(const QString& path)
{
    return QFileInfo(path).canonicalFilePath();
}

QString writePe64(const TempDir& dir, const QString& relative, bool dll = false)
{
    PeDescription description;
    description.is64 = true;
    description.dll = dll;
    return canonical(dir.write(relative, writePe(description).bytes));
}

const ProcessEntry* find(const std::vector<ProcessEntry>& entries, quint32 pid)
{
    for (const ProcessEntry& entry : entries)
        if (entry.pid == pid)
            return &entry;
    return nullptr;
}

} // namespace

TEST(ProcProcessTable, NamesWineImagesThroughTheirOwnPrefix)
{
    TempDir dir;
    const QString prefix = canonical(writePrefixSkeleton(dir, "prefix"));
    const QString app = writePe64(dir, "prefix/drive_c/Program Files/App/app.exe");
    const QString library = writePe64(dir, "prefix/drive_c/windows/system32/helper.dll", true);
    const QString builtin = writePe64(dir, "wine-lib/x86_64-windows/winedevice.exe");
    const QString loader = canonical(dir.write("bin/wine64", "loader"));
    const QString home = canonical(dir.mkdir("home"));
    writePrefixSkeleton(dir, "home/.wine");
    const QString other = writePe64(dir, "home/.wine/drive_c/other.exe");
    const QString prefixEnv = "WINEPREFIX=" + prefix;
    const quint64 base = 0x140000000;

    const QString root = writeProcTree(
        dir, {
                 // The image mapped at its base: a library mapped first does not count.
                 {kFirstPid + 1,
                  'S',
                  loader,
                  {"C:\\Program Files\\App\\app.exe"},
                  {prefixEnv},
                  {mapsLine(0x180000000, 0x180001000, library), mapsLine(base, base + 0x1000, app),
                   mapsLine(base + 0x1000, base + 0x2000, app, 0x1000)}},
                 // A builtin program, mapped from Wine's library folder: its argv[0] names it.
                 {kFirstPid + 2,
                  'S',
                  loader,
                  {"C:\\windows\\system32\\winedevice.exe"},
                  {prefixEnv},
                  {mapsLine(base, base + 0x1000, builtin)}},
                 // Relocated away from its base: argv[0] again.
                 {kFirstPid + 3,
                  'S',
                  loader,
                  {"C:\\Moved\\app.exe"},
                  {prefixEnv},
                  {mapsLine(0x7f0000000000, 0x7f0000001000, app)}},
                 // No WINEPREFIX: the prefix is ~/.wine of its HOME.
                 {kFirstPid + 4,
                  'S',
                  loader,
                  {"C:\\other.exe"},
                  {"HOME=" + home},
                  {mapsLine(base, base + 0x1000, other)}},
             });

    const auto entries = ProcProcessTable(root).snapshot();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(find(entries, kFirstPid + 1)->imagePath, "C:\\Program Files\\App\\app.exe");
    EXPECT_EQ(find(entries, kFirstPid + 1)->exeName, "app.exe");
    EXPECT_EQ(find(entries, kFirstPid + 2)->imagePath, "C:\\windows\\system32\\winedevice.exe");
    EXPECT_EQ(find(entries, kFirstPid + 2)->exeName, "winedevice.exe");
    EXPECT_EQ(find(entries, kFirstPid + 3)->imagePath, "C:\\Moved\\app.exe");
    EXPECT_EQ(find(entries, kFirstPid + 4)->imagePath, "C:\\other.exe");
}

TEST(ProcProcessTable, NativeProcessesAndWhatIsLeftOut)
{
    TempDir dir;
    const QString tool = canonical(dir.write("usr/bin/my tool", "#!"));
    const QString prefix = canonical(writePrefixSkeleton(dir, "prefix"));
    const QString inPrefix = canonical(dir.write("prefix/drive_c/tools/helper", "#!"));
    const QString root = writeProcTree(
        dir, {
                 {kFirstPid + 10, 'R', tool, {"my tool", "--flag"}, {"WINEPREFIX=" + prefix}, {}},
                 // A native program inside a drive folder has that drive's path.
                 {kFirstPid + 11, 'S', inPrefix, {"helper"}, {"WINEPREFIX=" + prefix}, {}},
                 {kFirstPid + 9, 'Z', tool, {}, {}, {}},                           // zombie
                 {kFirstPid + 8, 'S', {}, {}, {}, {}},                             // kernel thread
                 {kFirstPid + 7, 'S', tool, {"x"}, {}, {}, /*withStat=*/false},    // vanished
                 {kFirstPid + 100, 'S', {}, {"/opt/secret/daemon", "-d"}, {}, {}}, // another user's
             });
    dir.mkdir("proc/self-like-name");

    ProcProcessTable table(root);
    const auto entries = table.snapshot();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].pid, kFirstPid + 10); // numeric order, not text order
    EXPECT_EQ(entries[0].exeName, "my tool");
    QString expected = "Z:" + tool;
    expected.replace('/', '\\');
    EXPECT_EQ(entries[0].imagePath, expected);
    EXPECT_EQ(entries[1].imagePath, "C:\\tools\\helper");
    EXPECT_EQ(entries[1].exeName, "helper");
    EXPECT_EQ(entries[2].exeName, "daemon");
    EXPECT_EQ(entries[2].imagePath, "");

    QStringList names, paths;
    ListProcesses(table, names, paths);
    EXPECT_EQ(names, QStringList({"my tool", "helper", "daemon"}));
    EXPECT_EQ(paths, QStringList({expected, "C:\\tools\\helper", "daemon"})); // unknown image: the name
}

TEST(ProcProcessTable, TerminatesARealProcessByExactName)
{
    TempDir dir;
    const QString name =
        QStringLiteral("veridon-sleeper-%1").arg(QCoreApplication::applicationPid());
    const QString copy = dir.file(name);
    ASSERT_TRUE(QFile::copy("/bin/sleep", copy));
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::ExeOwner);
    QProcess sleeper;
    sleeper.start(copy, {"30"});
    ASSERT_TRUE(sleeper.waitForStarted());

    ProcProcessTable table;
    const auto entries = table.snapshot();
    const ProcessEntry* entry = find(entries, quint32(sleeper.processId()));
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->exeName, name);
    QString expected = "Z:" + canonical(copy);
    expected.replace('/', '\\');
    EXPECT_EQ(entry->imagePath, expected);

    EXPECT_FALSE(TerminateProcessByName(table, name.toUpper()));
    EXPECT_FALSE(sleeper.waitForFinished(100));
    EXPECT_TRUE(TerminateProcessByName(table, name));
    EXPECT_TRUE(sleeper.waitForFinished(5000));
    EXPECT_EQ(sleeper.exitStatus(), QProcess::CrashExit);
    EXPECT_FALSE(TerminateProcessByName(table, name));
}

TEST(ProcProcessTable, RefusesIdsThatNameProcessGroups)
{
    ProcProcessTable table;
    EXPECT_FALSE(TerminateProcessById(table, 0));           // kill(0) is our own group
    EXPECT_FALSE(TerminateProcessById(table, 0xFFFFFFFFu)); // kill(-1) is everything
    EXPECT_FALSE(TerminateProcessById(table, 0x80000000u));
}

TEST(ProcProcessTable, SeesFilesHeldOpenOrMapped)
{
    TempDir dir;
    QFile held(dir.write("held.bin", "x"));
    ASSERT_TRUE(held.open(QIODevice::ReadOnly));
    const QString loose = dir.write("loose.bin", "y");
    ProcProcessTable table;
    EXPECT_TRUE(table.isFileOpen(held.fileName()));
    EXPECT_FALSE(table.isFileOpen(loose));
    EXPECT_TRUE(table.isFileOpen("/proc/self/exe")); // mapped: our own image
}
