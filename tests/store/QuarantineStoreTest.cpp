#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/RestartActions.h"
#include "store/EZLBArchive.h"
#include "store/QuarantineStore.h"
#include "store/TExtIniFile.h"
#include "store/TZLBArc2.h"
#include "support/FixturePrefix.h"
#include "support/MemoryValueStore.h"
#include "support/TempDir.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>

#include <gtest/gtest.h>


using namespace veridon;
using namespace veridon::test;

namespace {

// Drive C: is a folder of the test; Z: is the host root, as in a Wine prefix.
class DriveFolder : public FileSystem
{
public:
    explicit DriveFolder(QString root) : m_root(std::move(root)) {}

    QString toHostPath(const QString& windowsPath) const override
    {
        QString p = windowsPath;
        p.replace(u'\\', u'/');
        if (p.startsWith(u"C:", Qt::CaseInsensitive))
            return m_root + p.mid(2);
        if (p.startsWith(u"Z:", Qt::CaseInsensitive))
            return p.mid(2);
        return {};
    }
    QString toWindowsPath(const QString& hostPath) const override
    {
        QString rest = hostPath.startsWith(m_root + u'/') ? hostPath.mid(m_root.size()) : hostPath;
        rest.replace(u'/', u'\\');
        return (hostPath.startsWith(m_root + u'/') ? QStringLiteral("C:") : QStringLiteral("Z:")) + rest;
    }
    bool exists(const QString& path) const override { return QFileInfo::exists(toHostPath(path)); }
    std::optional<FileEntry> stat(const QString& path) const override
    {
        const QFileInfo info(toHostPath(path));
        if (!info.exists())
            return std::nullopt;
        FileEntry entry;
        entry.name = info.fileName();
        entry.size = claimedSizes.value(path, quint64(info.size()));
        return entry;
    }
    bool list(const QString&, const std::function<bool(const FileEntry&)>&) const override { return false; }
    std::optional<QByteArray> readFile(const QString& path, quint64) const override
    {
        QFile file(toHostPath(path));
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return file.readAll();
    }
    std::unique_ptr<MappedFile> map(const QString&) const override { return nullptr; }
    FileError writeFile(const QString& path, const QByteArray& bytes) override
    {
        writes << path;
        QFile file(toHostPath(path));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return FileError::NotFound;
        return file.write(bytes) == bytes.size() ? FileError::None : FileError::Other;
    }
    FileError deleteFile(const QString& path) override
    {
        return QFile::remove(toHostPath(path)) ? FileError::None : FileError::NotFound;
    }
    FileError removeFolder(const QString&) override { return FileError::Other; }
    FileError setAttributes(const QString&, quint32) override { return FileError::None; }
    FileError createFolders(const QString& path) override
    {
        return QDir().mkpath(toHostPath(path)) ? FileError::None : FileError::Other;
    }
    QStringList logicalDrives() const override { return {"C:\\", "Z:\\"}; }
    DriveType driveType(const QString&) const override { return DriveType::Fixed; }
    QString volumeFileSystem(const QString&) const override { return "NTFS"; }

    QStringList writes;
    QHash<QString, quint64> claimedSizes; // stat answers for files too big to make

private:
    QString m_root;
};

template <typename F> QString failure(F&& action)
{
    try {
        action();
    } catch (const EQuarantine& e) {
        return e.message();
    }
    return {};
}

class QuarantineTest : public ::testing::Test
{
protected:
    TempDir dir;
    DriveFolder files{dir.mkdir("c")};
    test::MemoryValueStore registry;
    QString program = dir.mkdir("program");
    QuarantineStore store{QuarantineStore::folderOf(program), files, registry};

    QString victim(const QString& name, const QByteArray& bytes)
    {
        dir.write("c/evil/" + name, bytes);
        return "C:\\evil\\" + name;
    }
    QString zone(const QString& name = {}) { return program + "/Quarantine Zone/" + name; }
    TExtIniFile index()
    {
        TZLBArc2 archive;
        archive.OpenArchive(zone("info.db"));
        TExtIniFile ini;
        ini.loadFromBytes(archive.ExtractToMemory("Info.db"));
        return ini;
    }
};

TEST_F(QuarantineTest, FirstQuarantineCreatesTheIndexAndTheObject)
{
    const QString path = victim("trojan.exe", QByteArray(5000, 'M'));
    const QString id = store.Quarantine(path, "Trojan.Test");
    ASSERT_EQ(id.size(), 8);
    for (QChar c : id)
        EXPECT_TRUE(c >= u'a' && c <= u'z');

    TZLBArc2 archive;
    archive.OpenArchive(zone("info.db"));
    ASSERT_EQ(archive.Count(), 1);
    EXPECT_EQ(archive.Entries(0).MemberName, "Info.db");
    const TExtIniFile ini = index();
    EXPECT_EQ(ini.sections(), QStringList{id});
    EXPECT_EQ(ini.readString(id, "VirusName"), "Trojan.Test");
    EXPECT_EQ(ini.readString(id, "Path"), path);
    EXPECT_TRUE(QDateTime::fromString(ini.readString(id, "DealTime"), "MM/dd/yyyy HH:mm:ss").isValid());

    TZLBArc2 object;
    object.OpenArchive(zone(id));
    ASSERT_EQ(object.Count(), 1);
    EXPECT_EQ(object.Entries(0).MemberName, id);
    EXPECT_EQ(object.Entries(0).StorageMethod, ArchiveEntry::Compressed);
    EXPECT_EQ(object.ExtractToMemory(id), QByteArray(5000, 'M'));
    EXPECT_TRUE(QFile::exists(dir.file("c/evil/trojan.exe"))); // removal is remediation's job

    const auto list = store.List();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].id, id);
    EXPECT_EQ(list[0].virusName, "Trojan.Test");
    EXPECT_EQ(list[0].path, path);
}

TEST_F(QuarantineTest, SameFileTwiceGivesTwoObjects)
{
    const QString path = victim("a.dll", "MZ tiny");
    const QString first = store.Quarantine(path, "X");
    const QString second = store.Quarantine(path, "X");
    EXPECT_NE(first, second);
    EXPECT_EQ(index().sections().size(), 2);
    EXPECT_TRUE(QFile::exists(zone(first)));
    EXPECT_TRUE(QFile::exists(zone(second)));
    // Incompressible content is stored as it is.
    TZLBArc2 object;
    object.OpenArchive(zone(first));
    EXPECT_EQ(object.Entries(0).StorageMethod, ArchiveEntry::Stored);
}

TEST_F(QuarantineTest, ClashingIdsAreDrawnAgain)
{
    const QString path = victim("a.exe", "payload");
    const QString taken = store.Quarantine(path, "First");
    dir.write("program/Quarantine Zone/aaaaaaaa", "someone else's object");
    QStringList draws{"aaaaaaaa", taken, "../../x", "cccccccc"};
    store.makeId = [&] { return draws.takeFirst(); };
    EXPECT_EQ(store.Quarantine(path, "Second"), "cccccccc");
    EXPECT_EQ(readAll(zone("aaaaaaaa")), "someone else's object");
    EXPECT_EQ(index().readString(taken, "VirusName"), "First");
    EXPECT_EQ(index().readString("cccccccc", "VirusName"), "Second");
}

TEST(QuarantineDealTime, IsFixedWhateverTheLocale)
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QDateTime time(QDate(2009, 3, 5), QTime(14, 7, 9));
    EXPECT_EQ(QuarantineStore::formatDealTime(time), "03/05/2009 14:07:09");
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));
    EXPECT_EQ(QuarantineStore::formatDealTime(time), "03/05/2009 14:07:09");
    QLocale::setDefault(before);
}

TEST_F(QuarantineTest, RestoreWritesOnlyTheChosenPathThenForgetsTheObject)
{
    const QString id = store.Quarantine(victim("x.exe", "original bytes"), "T");
    dir.mkdir("c/restored");
    files.writes.clear();
    store.Restore(id, "C:\\restored\\x.exe");
    EXPECT_EQ(files.writes, QStringList{"C:\\restored\\x.exe"});
    EXPECT_EQ(readAll(dir.file("c/restored/x.exe")), "original bytes");
    EXPECT_FALSE(QFile::exists(zone(id)));
    EXPECT_TRUE(store.List().empty());
}

TEST_F(QuarantineTest, FailedRestoreKeepsTheObject)
{
    const QString id = store.Quarantine(victim("x.exe", "bytes"), "T");
    EXPECT_EQ(failure([&] { store.Restore(id, "C:\\no\\such\\folder\\x.exe"); }),
              QuarantineStore::kRestoreFailed);
    EXPECT_TRUE(QFile::exists(zone(id)));
    EXPECT_EQ(store.List().size(), 1u);
    EXPECT_EQ(failure([&] { store.Restore("nosuchid", "C:\\x.exe"); }), QuarantineStore::kRestoreFailed);
    EXPECT_FALSE(QFile::exists(dir.file("c/x.exe")));
    // An id is a name inside the quarantine folder, never a way out of it.
    dir.write("program/secret", "not an object");
    EXPECT_EQ(failure([&] { store.Restore("../secret", "C:\\x.exe"); }), QuarantineStore::kRestoreFailed);
    EXPECT_TRUE(files.writes.isEmpty() || !files.writes.contains("C:\\x.exe"));
}

TEST_F(QuarantineTest, DeleteRemovesObjectAndSection)
{
    const QString keep = store.Quarantine(victim("a.exe", "a"), "A");
    const QString drop = store.Quarantine(victim("b.exe", "b"), "B");
    EXPECT_TRUE(store.Delete(drop).isEmpty());
    EXPECT_FALSE(QFile::exists(zone(drop)));
    EXPECT_EQ(index().sections(), QStringList{keep});
}

TEST_F(QuarantineTest, DeleteOfALockedObjectMarksItForRestart)
{
    const QString id = store.Quarantine(victim("a.exe", "a"), "A");
    store.removeFile = [](const QString&) { return false; };
    EXPECT_TRUE(store.Delete(id).isEmpty());
    EXPECT_TRUE(index().sections().isEmpty());
    const auto pending = registry.value(RegRoot::LocalMachine, QString::fromUtf16(kSessionManagerKey),
                                        QString::fromUtf16(kPendingRenames));
    ASSERT_TRUE(pending.has_value());
    const QStringList pairs = pending->toMultiString();
    ASSERT_GE(pairs.size(), 1);
    EXPECT_TRUE(pairs[0].endsWith("\\Quarantine Zone\\" + id)) << pairs[0].toStdString();
    EXPECT_TRUE(pairs[0].startsWith("\\??\\Z:\\"));
    EXPECT_TRUE(pairs.size() == 1 || pairs[1].isEmpty()); // "" after the name: delete
}

TEST_F(QuarantineTest, DeleteReportsAMissingObjectAndABrokenIndex)
{
    const QString id = store.Quarantine(victim("a.exe", "a"), "A");
    QFile::remove(zone(id));
    EXPECT_EQ(store.Delete(id), QStringList{QuarantineStore::kObjectMissing});
    EXPECT_TRUE(index().sections().isEmpty());

    QFile::remove(zone("info.db"));
    TZLBArc2 broken;
    broken.CreateArchive(zone("info.db"));
    QByteArray other("x");
    QBuffer source(&other);
    source.open(QIODevice::ReadOnly);
    broken.AddFromStream("other.txt", source, false);
    EXPECT_EQ(failure([&] { store.Delete("abcdefgh"); }), QuarantineStore::kBrokenIndex);
}

TEST_F(QuarantineTest, StartupIndexAndFolderSpellings)
{
    // On Linux a backslash spelling of a host path is the same folder.
    QuarantineStore start(program + "\\Quarantine Zone\\", files, registry);
    start.ensureIndex();
    TZLBArc2 archive;
    archive.OpenArchive(zone("info.db"));
    ASSERT_EQ(archive.Count(), 1);
    EXPECT_EQ(archive.Entries(0).MemberName, "info.db");
    EXPECT_EQ(archive.Entries(0).ContentSize, 0);
    EXPECT_TRUE(start.List().empty());
    // The empty "info.db" member is the index text from then on.
    const QString id = start.Quarantine(victim("a.exe", "a"), "A");
    archive.OpenArchive(zone("info.db"));
    EXPECT_EQ(archive.Count(), 1);
    EXPECT_EQ(start.List().size(), 1u);
    EXPECT_EQ(start.List()[0].id, id);
}

TEST_F(QuarantineTest, RefusesFilesTooLargeForAnArchive)
{
    const QString path = victim("huge.iso", "stands for 3 GiB");
    files.claimedSizes[path] = quint64(3) << 30;
    EXPECT_TRUE(failure([&] { store.Quarantine(path, "A"); }).contains("too large"));
    EXPECT_TRUE(store.List().empty());
}

TEST_F(QuarantineTest, NothingHappensWithoutAFolderOrAReadableFile)
{
    QuarantineStore off(QString(), files, registry);
    EXPECT_EQ(off.Quarantine(victim("a.exe", "a"), "A"), "");
    EXPECT_FALSE(QFileInfo::exists(zone()));

    EXPECT_FALSE(failure([&] { store.Quarantine("C:\\missing.exe", "A"); }).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(zone("info.db")));
}

} // namespace

namespace {

// The same store over a real prefix layout: files through the prefix's drives,
// the restart list in its system.reg.
TEST(QuarantineInPrefix, QuarantinesRestoresAndMarksLockedObjectsInTheRegistry)
{
    FixturePrefix prefix;
    prefix.addStandardLayout();
    prefix.addFile("C:\\users\\ann\\Desktop\\eicar.com", "X5O!P%@AP[4\\PZX54(P^)7CC)7}$EICAR");
    TempDir own;
    const QString programDir = own.mkdir("program");
    {
        std::unique_ptr<Environment> environment = prefix.open();
        QuarantineStore store(QuarantineStore::folderOf(programDir), *environment);
        const QString id = store.Quarantine("c:\\Users\\Ann\\desktop\\EICAR.COM", "EICAR-Test-File");
        store.Restore(id, "C:\\users\\ann\\restored.com");
        EXPECT_EQ(readAll(prefix.hostPath("C:\\users\\ann\\restored.com")),
                  "X5O!P%@AP[4\\PZX54(P^)7CC)7}$EICAR");

        const QString locked = store.Quarantine("C:\\users\\ann\\Desktop\\eicar.com", "EICAR-Test-File");
        store.removeFile = [](const QString&) { return false; };
        EXPECT_TRUE(store.Delete(locked).isEmpty());
        EXPECT_TRUE(store.List().empty());
    }
    std::unique_ptr<Environment> reopened = prefix.open();
    const auto pending = reopened->registry().value(
        RegRoot::LocalMachine, QString::fromUtf16(kSessionManagerKey), QString::fromUtf16(kPendingRenames));
    ASSERT_TRUE(pending.has_value());
    const QStringList names = pending->toMultiString();
    ASSERT_FALSE(names.isEmpty());
    EXPECT_TRUE(names[0].startsWith("\\??\\Z:\\")) << names[0].toStdString();
    EXPECT_TRUE(names[0].contains("\\Quarantine Zone\\"));
}

} // namespace
