#include "platform/Environment.h"
#include "support/FixturePrefix.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>

using namespace veridon;
using veridon::test::FixturePrefix;

namespace {

std::map<QString, FileEntry> listAll(const FileSystem& files, const QString& folder)
{
    std::map<QString, FileEntry> entries;
    EXPECT_TRUE(files.list(folder, [&](const FileEntry& entry) {
        entries[entry.name] = entry;
        return true;
    })) << folder.toStdString();
    return entries;
}

} // namespace

TEST(FileSystem, ResolvesComponentsWithoutRegardToCaseAndBothSeparators)
{
    FixturePrefix prefix;
    const QString host = prefix.addFile(QStringLiteral("C:\\Windows\\System32\\Drivers\\Evil.SYS"),
                                        "x");
    auto env = prefix.open();
    const FileSystem& files = env->files();
    for (const char* path : {"C:\\Windows\\System32\\Drivers\\Evil.SYS",
                             "c:\\WINDOWS\\system32\\drivers\\evil.sys", "C:/windows/SYSTEM32/drivers/EVIL.sys",
                             "C:\\windows\\\\system32\\.\\x\\..\\drivers\\evil.sys",
                             "\\??\\C:\\windows\\system32\\drivers\\evil.sys"}) {
        EXPECT_TRUE(files.exists(QString::fromLatin1(path))) << path;
        EXPECT_EQ(QFileInfo(files.toHostPath(QString::fromLatin1(path))).canonicalFilePath(),
                  QFileInfo(host).canonicalFilePath())
            << path;
    }
    EXPECT_FALSE(files.exists(QStringLiteral("C:\\windows\\system32\\drivers\\other.sys")));
    EXPECT_FALSE(files.exists(QStringLiteral("Q:\\anything")));
    EXPECT_FALSE(files.exists(QStringLiteral("relative\\path")));
    EXPECT_TRUE(files.toHostPath(QStringLiteral("Q:\\x")).isEmpty());
    // Missing components are kept as written after the resolved part.
    EXPECT_TRUE(files.toHostPath(QStringLiteral("c:\\WINDOWS\\New Dir\\f.txt"))
                    .endsWith(QLatin1String("/drive_c/Windows/New Dir/f.txt")));
}

TEST(FileSystem, ExactCaseWinsOverOtherSpellings)
{
    FixturePrefix prefix;
    prefix.addFile(QStringLiteral("C:\\dir\\a.txt"), "lower");
    prefix.addFile(QStringLiteral("C:\\dir\\A.TXT"), "upper");
    auto env = prefix.open();
    EXPECT_EQ(env->files().readFile(QStringLiteral("C:\\dir\\A.TXT")).value(), QByteArray("upper"));
    EXPECT_EQ(env->files().readFile(QStringLiteral("C:\\DIR\\a.txt")).value(), QByteArray("lower"));
}

TEST(FileSystem, HostPathsMapToTheirDriveElseZ)
{
    FixturePrefix prefix;
    prefix.addFile(QStringLiteral("C:\\windows\\win.ini"), "");
    prefix.addDrive(QLatin1Char('d'), prefix.path() + QStringLiteral("/drive_c/windows"));
    auto env = prefix.open();
    const FileSystem& files = env->files();
    const QString driveC = QFileInfo(prefix.path() + QStringLiteral("/drive_c")).canonicalFilePath();
    EXPECT_EQ(files.toWindowsPath(driveC + QStringLiteral("/users/x.txt")),
              QStringLiteral("C:\\users\\x.txt"));
    EXPECT_EQ(files.toWindowsPath(driveC), QStringLiteral("C:\\"));
    // The drive with the deepest folder wins.
    EXPECT_EQ(files.toWindowsPath(driveC + QStringLiteral("/windows/win.ini")),
              QStringLiteral("D:\\win.ini"));
    EXPECT_EQ(files.toWindowsPath(QStringLiteral("/usr/bin/env")), QStringLiteral("Z:\\usr\\bin\\env"));
    EXPECT_EQ(files.toWindowsPath(QStringLiteral("/")), QStringLiteral("Z:\\"));
    EXPECT_EQ(files.logicalDrives(),
              (QStringList{QStringLiteral("C:\\"), QStringLiteral("D:\\"), QStringLiteral("Z:\\")}));
    EXPECT_EQ(files.driveType(QStringLiteral("C:\\")), DriveType::Fixed);
    EXPECT_EQ(files.driveType(QStringLiteral("Q:")), DriveType::NoRootDir);
    EXPECT_FALSE(files.volumeFileSystem(QStringLiteral("C:\\")).isEmpty());
    EXPECT_TRUE(files.volumeFileSystem(QStringLiteral("Q:\\")).isEmpty());
}

TEST(FileSystem, DrivesComeFromDosdevicesAndWineConfiguration)
{
    FixturePrefix prefix;
    prefix.removeDrive(QLatin1Char('z'));
    prefix.addDrive(QLatin1Char('e'), QStringLiteral("/nonexistent-target-folder"));
    prefix.addFolder(QStringLiteral("C:\\cd"));
    prefix.addDrive(QLatin1Char('f'), QStringLiteral("../drive_c/cd"));
    prefix.addRegistryText(QStringLiteral("[HKLM\\Software\\Wine\\Drives]\n\"f:\"=\"cdrom\""));
    auto env = prefix.open();
    const FileSystem& files = env->files();
    // A dangling link is no drive; without z: host paths outside the drives have no name.
    EXPECT_EQ(files.logicalDrives(), (QStringList{QStringLiteral("C:\\"), QStringLiteral("F:\\")}));
    EXPECT_EQ(files.driveType(QStringLiteral("F:\\")), DriveType::CdRom);
    EXPECT_TRUE(files.toWindowsPath(QStringLiteral("/usr")).isEmpty());
}

TEST(FileSystem, ListingReportsNamesAttributesSizesAndTimes)
{
    FixturePrefix prefix;
    const QString plain = prefix.addFile(QStringLiteral("C:\\data\\Plain.txt"), "12345");
    const QString readOnly = prefix.addFile(QStringLiteral("C:\\data\\locked.bin"), "1");
    prefix.addFile(QStringLiteral("C:\\data\\.hidden"), "");
    prefix.addFolder(QStringLiteral("C:\\data\\Sub"));
    ::chmod(QFile::encodeName(readOnly).constData(), 0444);
    struct timespec times[2] = {{0, 0}, {1000000000, 500}}; // 2001-09-09 01:46:40 UTC
    ::utimensat(AT_FDCWD, QFile::encodeName(plain).constData(), times, 0);
    auto env = prefix.open();
    const auto entries = listAll(env->files(), QStringLiteral("c:\\DATA"));
    ASSERT_EQ(entries.size(), 4u);
    const FileEntry& entry = entries.at(QStringLiteral("Plain.txt"));
    EXPECT_EQ(entry.size, 5u);
    EXPECT_EQ(entry.attributes, FileAttribute::Archive);
    EXPECT_EQ(entry.lastWriteTime, (1000000000ULL + 11644473600ULL) * 10000000ULL + 5);
    EXPECT_EQ(entries.at(QStringLiteral("locked.bin")).attributes,
              FileAttribute::Archive | FileAttribute::ReadOnly);
    EXPECT_TRUE(entries.at(QStringLiteral(".hidden")).attributes & FileAttribute::Hidden);
    EXPECT_EQ(entries.at(QStringLiteral("Sub")).attributes, FileAttribute::Directory);
    EXPECT_FALSE(env->files().list(QStringLiteral("C:\\missing"), [](const FileEntry&) { return true; }));
    EXPECT_FALSE(env->files().list(QStringLiteral("C:\\data\\Plain.txt"),
                                   [](const FileEntry&) { return true; }));
    const std::optional<FileEntry> single = env->files().stat(QStringLiteral("C:\\DATA\\plain.TXT"));
    ASSERT_TRUE(single.has_value());
    EXPECT_EQ(single->name, QStringLiteral("Plain.txt"));
    EXPECT_EQ(single->size, 5u);
}

TEST(FileSystem, LinksAreReportedButDanglingOnesAndSpecialFilesSkipped)
{
    FixturePrefix prefix;
    test::TempDir home;
    home.write(QStringLiteral("Desktop/note.txt"), "n");
    prefix.addFolder(QStringLiteral("C:\\users\\ann"));
    const QString profile = prefix.hostPath(QStringLiteral("C:\\users\\ann"));
    ASSERT_EQ(::symlink(QFile::encodeName(home.file(QStringLiteral("Desktop"))).constData(),
                        QFile::encodeName(profile + QStringLiteral("/Desktop")).constData()),
              0);
    ASSERT_EQ(::symlink("/nonexistent/x", QFile::encodeName(profile + QStringLiteral("/broken")).constData()), 0);
    ASSERT_EQ(::symlink("loop", QFile::encodeName(profile + QStringLiteral("/loop")).constData()), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(profile + QStringLiteral("/pipe")).constData(), 0600), 0);
    auto env = prefix.open();
    const auto entries = listAll(env->files(), QStringLiteral("C:\\users\\ann"));
    ASSERT_EQ(entries.size(), 1u);
    const FileEntry& desktop = entries.at(QStringLiteral("Desktop"));
    EXPECT_TRUE(desktop.isLink);
    EXPECT_TRUE(desktop.isDirectory());
    EXPECT_TRUE(desktop.attributes & FileAttribute::ReparsePoint);
    // Reading a pipe would block a scan: it is no file.
    EXPECT_FALSE(env->files().readFile(QStringLiteral("C:\\users\\ann\\pipe")).has_value());
    EXPECT_EQ(env->files().map(QStringLiteral("C:\\users\\ann\\pipe")), nullptr);

    // Removing the linked folder removes the link, never what it points to.
    EXPECT_EQ(env->files().removeFolder(QStringLiteral("C:\\users\\ann\\desktop")), FileError::None);
    EXPECT_TRUE(QFile::exists(home.file(QStringLiteral("Desktop/note.txt"))));
    EXPECT_FALSE(QFileInfo(profile + QStringLiteral("/Desktop")).isSymLink());
    EXPECT_EQ(env->files().deleteFile(QStringLiteral("C:\\users\\ann\\broken")), FileError::None);
}

TEST(FileSystem, HostRootHidesPseudoFileSystems)
{
    auto env = Environment::openEmpty();
    const auto entries = listAll(env->files(), QStringLiteral("Z:\\"));
    EXPECT_FALSE(entries.empty());
    for (const char* hidden : {"proc", "sys", "dev", "run"})
        EXPECT_EQ(entries.count(QString::fromLatin1(hidden)), 0u) << hidden;
    EXPECT_TRUE(entries.count(QStringLiteral("tmp")) || entries.count(QStringLiteral("usr")));
    EXPECT_FALSE(env->files().list(QStringLiteral("Z:\\proc"), [](const FileEntry&) { return true; }));
    EXPECT_EQ(env->files().logicalDrives(), QStringList{QStringLiteral("Z:\\")});
    EXPECT_FALSE(env->files().exists(QStringLiteral("C:\\windows")));
}

TEST(FileSystem, ReadMapAndReaderAgree)
{
    FixturePrefix prefix;
    QByteArray bytes;
    for (int i = 0; i < 100000; ++i)
        bytes += char(i * 7);
    prefix.addFile(QStringLiteral("C:\\big.bin"), bytes);
    prefix.addFile(QStringLiteral("C:\\empty.bin"), {});
    auto env = prefix.open();
    const FileSystem& files = env->files();
    EXPECT_EQ(files.readFile(QStringLiteral("C:\\BIG.bin")).value(), bytes);
    EXPECT_EQ(files.readFile(QStringLiteral("C:\\big.bin"), 10).value(), bytes.left(10));
    auto mapped = files.map(QStringLiteral("C:\\big.bin"));
    ASSERT_NE(mapped, nullptr);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(mapped->data()), qsizetype(mapped->size())),
              bytes);
    auto empty = files.map(QStringLiteral("C:\\empty.bin"));
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->size(), 0u);
    EXPECT_EQ(files.readFile(QStringLiteral("C:\\empty.bin")).value(), QByteArray());
    auto reader = files.openRead(QStringLiteral("C:\\big.bin"));
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->size(), quint64(bytes.size()));
    QByteArray streamed;
    char buffer[4096];
    for (qint64 got; (got = reader->read(buffer, sizeof buffer)) > 0;)
        streamed.append(buffer, got);
    EXPECT_EQ(streamed, bytes);
    EXPECT_EQ(files.openRead(QStringLiteral("C:\\")), nullptr);
    EXPECT_FALSE(files.readFile(QStringLiteral("C:\\nope")).has_value());
}

TEST(FileSystem, ChangesBehaveLikeTheirWin32Calls)
{
    FixturePrefix prefix;
    prefix.addFile(QStringLiteral("C:\\Dir\\File.txt"), "x");
    auto env = prefix.open();
    FileSystem& files = env->files();
    EXPECT_EQ(files.createFolders(QStringLiteral("c:\\dir\\New\\Deeper")), FileError::None);
    EXPECT_TRUE(QFileInfo(prefix.hostPath(QStringLiteral("C:\\Dir\\New\\Deeper"))).isDir());
    EXPECT_EQ(files.createFolders(QStringLiteral("C:\\dir\\file.txt\\x")), FileError::Exists);
    EXPECT_EQ(files.writeFile(QStringLiteral("C:\\dir\\new\\deeper\\w.bin"), "abc"), FileError::None);
    EXPECT_EQ(files.readFile(QStringLiteral("C:\\Dir\\New\\Deeper\\W.BIN")).value(), QByteArray("abc"));

    EXPECT_EQ(files.removeFolder(QStringLiteral("C:\\dir\\new")), FileError::NotEmpty);
    EXPECT_EQ(files.deleteFile(QStringLiteral("C:\\dir\\new")), FileError::AccessDenied);
    EXPECT_EQ(files.deleteFile(QStringLiteral("C:\\dir\\missing")), FileError::NotFound);

    // Read-only files are refused, as Windows refuses them, until the attribute goes.
    EXPECT_EQ(files.setAttributes(QStringLiteral("C:\\dir\\file.txt"), FileAttribute::ReadOnly),
              FileError::None);
    EXPECT_TRUE(files.stat(QStringLiteral("C:\\dir\\file.txt"))->attributes & FileAttribute::ReadOnly);
    EXPECT_EQ(files.deleteFile(QStringLiteral("C:\\dir\\file.txt")), FileError::AccessDenied);
    EXPECT_EQ(files.setAttributes(QStringLiteral("C:\\dir\\file.txt"), FileAttribute::Normal),
              FileError::None);
    EXPECT_EQ(files.deleteFile(QStringLiteral("C:\\dir\\file.txt")), FileError::None);
    EXPECT_FALSE(files.exists(QStringLiteral("C:\\dir\\file.txt")));

    EXPECT_EQ(files.deleteFile(QStringLiteral("C:\\dir\\new\\deeper\\w.bin")), FileError::None);
    EXPECT_EQ(files.removeFolder(QStringLiteral("C:\\DIR\\NEW\\DEEPER")), FileError::None);
    EXPECT_EQ(files.removeFolder(QStringLiteral("C:\\dir\\new")), FileError::None);
    EXPECT_FALSE(files.exists(QStringLiteral("C:\\dir\\new")));
    // Recreated in another case after removal: the old resolution is not reused.
    EXPECT_EQ(files.createFolders(QStringLiteral("C:\\dir\\NEW")), FileError::None);
    EXPECT_TRUE(QFileInfo(prefix.hostPath(QStringLiteral("C:\\Dir\\NEW"))).isDir());
}

TEST(FileSystem, DeletingARunningProgramsImageFails)
{
    FixturePrefix prefix;
    const QString program = prefix.addFile(QStringLiteral("C:\\bin\\sleeper"), {});
    ASSERT_TRUE(QFile::remove(program));
    ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/sleep"), program));
    QFile::setPermissions(program, QFile::permissions(program) | QFile::WriteOwner);
    QProcess sleeper;
    sleeper.start(program, {QStringLiteral("30")});
    ASSERT_TRUE(sleeper.waitForStarted());
    auto env = prefix.open();
    EXPECT_EQ(env->files().deleteFile(QStringLiteral("C:\\BIN\\SLEEPER")), FileError::InUse);
    EXPECT_TRUE(QFile::exists(program));
    sleeper.kill();
    sleeper.waitForFinished();
    EXPECT_EQ(env->files().deleteFile(QStringLiteral("C:\\BIN\\SLEEPER")), FileError::None);
}
