#include "store/EZLBArchive.h"
#include "store/TZLBArc2.h"
#include "store/ZLBCipher.h"
#include "support/ArchiveFixture.h"
#include "support/TempDir.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace veridon;
using namespace veridon::test;

namespace {

QByteArray text(int lines)
{
    QByteArray out;
    for (int i = 0; i < lines; ++i)
        out += "Trojan.Example" + QByteArray::number(i % 7) + ",0123456789abcdef0123456789abcdef\r\n";
    return out;
}

QByteArray noise(int size, unsigned seed = 1)
{
    QByteArray out(size, '\0');
    for (int i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        out[i] = char(seed >> 16);
    }
    return out;
}

QByteArray extract(TZLBArc2& archive, const QString& name)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    archive.ExtractToStream(name, buffer);
    return out;
}

void add(TZLBArc2& archive, const QString& name, QByteArray content, bool encrypt = false)
{
    QBuffer source(&content);
    source.open(QIODevice::ReadOnly);
    archive.AddFromStream(name, source, encrypt);
}

void update(TZLBArc2& archive, const QString& name, QByteArray content, bool encrypt = false)
{
    QBuffer source(&content);
    source.open(QIODevice::ReadOnly);
    archive.UpdateFromStream(name, source, encrypt);
}

// Runs `action` and returns the archive failure's text ("" when none).
template <typename F> QString failure(F&& action)
{
    try {
        action();
    } catch (const EZLBArchive& e) {
        return e.message();
    }
    return {};
}

void useDefinitionPassword(TZLBArc2& archive)
{
    ZLBCipher::attachTo(archive);
    archive.Password = QStringLiteral("qv7315");
}

TEST(TZLBArc2, ReadsEveryStorageMethodFromFixedFixtures)
{
    TempDir dir;
    FixtureArchive fixture;
    fixture.members = {
        {.name = "Hash.db", .content = text(200), .method = 0},
        {.name = "Raw.bin", .content = noise(333), .method = 1},
        {.name = "White.db", .content = text(50), .method = 2},
        {.name = "Guid.db", .content = noise(17), .method = 3},
        {.name = "Empty.db", .content = {}, .method = 1},
        {.name = "Nested.txt", .content = "in a folder", .method = 1, .path = "sub\\"},
    };
    const QString path = dir.write("all.def", buildArchive(fixture));

    TZLBArc2 archive;
    ZLBCipher::attachTo(archive);
    archive.Password = "qv7315";
    archive.VerifyFileCRC = true;
    archive.OpenArchive(path);
    ASSERT_EQ(archive.Count(), 6);
    EXPECT_EQ(archive.Tail().FormatVersion, 2u);
    EXPECT_EQ(archive.Base(), 0);
    for (const FixtureMember& m : fixture.members) {
        const QString name = m.path + m.name;
        EXPECT_EQ(extract(archive, name), m.content) << name.toStdString();
        EXPECT_EQ(archive.ExtractToMemory(name), m.content) << name.toStdString();
    }
    const ArchiveEntry hash = archive.Entries(0);
    EXPECT_EQ(hash.MemberName, "Hash.db");
    EXPECT_EQ(hash.StorageMethod, 0);
    EXPECT_EQ(hash.LevelUsed, 2);
    EXPECT_EQ(hash.ContentSize, fixture.members[0].content.size());
    EXPECT_EQ(hash.MemberCRC, crc32Of(fixture.members[0].content));
    const ArchiveEntry white = archive.Entries(2);
    EXPECT_EQ(white.EncryptedSize, white.CompressedSize + 24);
    EXPECT_EQ(archive.Entries(3).EncryptedSize, 17 + 24);
    EXPECT_EQ(archive.Entries(5).MemberPath, "sub\\");
}

TEST(TZLBArc2, ReadsUncompressedRegistryAndFormatOneArchives)
{
    TempDir dir;
    for (int version : {1, 2}) {
        for (bool compressed : {true, false}) {
            FixtureArchive fixture;
            fixture.formatVersion = version;
            fixture.compressRegistry = compressed;
            fixture.prefix = "MZ-stub";
            fixture.members = {{.name = "a.txt", .content = text(20), .method = 0},
                               {.name = "b.txt", .content = "plain", .method = 1}};
            const QString path = dir.write(QString("v%1%2.arc").arg(version).arg(compressed),
                                           buildArchive(fixture));
            TZLBArc2 archive;
            archive.OpenArchive(path);
            ASSERT_EQ(archive.Count(), 2) << version << compressed;
            EXPECT_EQ(archive.OldFormat(), version == 1);
            EXPECT_EQ(archive.Base(), 7);
            EXPECT_EQ(extract(archive, "A.TXT"), text(20));
            EXPECT_EQ(extract(archive, "b.txt"), "plain");
        }
    }
}

TEST(TZLBArc2, FormatOneArchiveCannotBeModified)
{
    TempDir dir;
    FixtureArchive fixture;
    fixture.formatVersion = 1;
    fixture.members = {{.name = "a.txt", .content = "x", .method = 1}};
    const QString path = dir.write("old.arc", buildArchive(fixture));
    TZLBArc2 archive;
    archive.OpenArchive(path);
    const QString expected = "The specified archive file was created by an older version of "
                             "ZLBArchive.\r\nPlease convert this archive before trying to "
                             "modify/update it";
    EXPECT_EQ(failure([&] { add(archive, "b.txt", "y"); }), expected);
    EXPECT_EQ(failure([&] { update(archive, "a.txt", "y"); }), expected);
}

TEST(TZLBArc2, WritesExactlyWhatTheFormatDescribes)
{
    // A fresh archive with one deflated and one stored member must come out
    // byte for byte as an independent writer lays it out.
    TempDir dir;
    const QString path = dir.file("new.arc");
    TZLBArc2 archive;
    archive.CreateArchive(path);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(archive.Count(), 0);
    add(archive, "Hash.db", text(100));
    add(archive, "noise.bin", noise(500));

    FixtureArchive fixture;
    fixture.members = {{.name = "Hash.db", .content = text(100), .method = 0},
                       {.name = "noise.bin", .content = noise(500), .method = 1}};
    EXPECT_EQ(readAll(path), buildArchive(fixture));
    EXPECT_EQ(archive.Count(), 2);
    EXPECT_EQ(archive.Tail().EntryCount, 2u);
    EXPECT_EQ(archive.Tail().FormatVersion, 2u);
    EXPECT_EQ(archive.Tail().RegistryCompressed, 1);
}

TEST(TZLBArc2, CompressionLevelsAreRecordedAndHonoured)
{
    TempDir dir;
    const struct
    {
        TFileCompressionLevel level;
        int zlib;
    } cases[] = {{fcFastest, 1}, {fcDefault, -1}, {fcMaximum, 9}};
    for (const auto& c : cases) {
        const QString path = dir.file(QString("l%1.arc").arg(int(c.level)));
        TZLBArc2 archive;
        archive.CompressionLevel = c.level;
        archive.CreateArchive(path);
        add(archive, "t.txt", text(300));
        EXPECT_EQ(archive.Entries(0).LevelUsed, int(c.level));
        EXPECT_EQ(archive.Entries(0).CompressedSize, zlibCompress(text(300), c.zlib).size());
        EXPECT_EQ(extract(archive, "t.txt"), text(300));
    }
    // Level "none" never makes a text smaller, so the member is stored.
    TZLBArc2 none;
    none.CompressionLevel = fcNone;
    none.CreateArchive(dir.file("none.arc"));
    add(none, "t.txt", text(10));
    EXPECT_EQ(none.Entries(0).StorageMethod, ArchiveEntry::Stored);
}

TEST(TZLBArc2, EncryptedMembersRoundTripAndPickTheirMethod)
{
    TempDir dir;
    TZLBArc2 archive;
    useDefinitionPassword(archive);
    archive.CreateArchive(dir.file("Core.def"));
    add(archive, "Hash.db", text(400), true);
    add(archive, "Guid.db", noise(17), true);
    add(archive, "Empty.db", {}, true);
    EXPECT_EQ(archive.Entries(0).StorageMethod, ArchiveEntry::CompressedEncrypted);
    EXPECT_EQ(archive.Entries(0).EncryptedSize, archive.Entries(0).CompressedSize + 24);
    EXPECT_EQ(archive.Entries(1).StorageMethod, ArchiveEntry::StoredEncrypted);
    EXPECT_EQ(archive.Entries(1).EncryptedSize, 17 + 24);

    TZLBArc2 reader;
    useDefinitionPassword(reader);
    reader.VerifyFileCRC = true;
    reader.OpenArchive(dir.file("Core.def"));
    EXPECT_EQ(reader.ExtractToMemory("hash.db"), text(400));
    EXPECT_EQ(extract(reader, "Guid.db"), noise(17));
    EXPECT_EQ(extract(reader, "Empty.db"), QByteArray());

    // Through a temporary file when the decrypted block exceeds the memory budget.
    reader.MaxMemoryUsage = 0;
    EXPECT_EQ(extract(reader, "Hash.db"), text(400));

    // Without an encryption handler the member is written plain.
    TZLBArc2 plain;
    plain.CreateArchive(dir.file("plain.arc"));
    add(plain, "Hash.db", text(10), true);
    EXPECT_EQ(plain.Entries(0).StorageMethod, ArchiveEntry::Compressed);
}

TEST(TZLBArc2, EncryptedMemberNeedsPasswordAndHandler)
{
    TempDir dir;
    FixtureArchive fixture;
    fixture.members = {{.name = "Hash.db", .content = text(30), .method = 2},
                       {.name = "Raw.db", .content = "stored bytes", .method = 3}};
    const QString path = dir.write("c.def", buildArchive(fixture));

    TZLBArc2 noHandler;
    noHandler.Password = "qv7315";
    noHandler.OpenArchive(path);
    EXPECT_EQ(failure([&] { extract(noHandler, "Hash.db"); }), "No decryption algorithm found");

    TZLBArc2 blank;
    ZLBCipher::attachTo(blank);
    blank.Password = "   ";
    blank.OpenArchive(path);
    EXPECT_EQ(failure([&] { extract(blank, "Hash.db"); }), "No password given for encrypted file");

    // A wrong password is only noticed by the inflater; stored members yield garbage.
    TZLBArc2 wrong;
    ZLBCipher::attachTo(wrong);
    wrong.Password = "wrong!";
    wrong.OpenArchive(path);
    EXPECT_FALSE(failure([&] { extract(wrong, "Hash.db"); }).isEmpty());
    EXPECT_NE(extract(wrong, "Raw.db"), "stored bytes");
}

TEST(TZLBArc2, PrefixIsKeptByteForByteWhenMembersChange)
{
    TempDir dir;
    FixtureArchive fixture;
    fixture.prefix = noise(1000, 7);
    fixture.members = {{.name = "one.txt", .content = text(5), .method = 0}};
    const QString path = dir.write("p.arc", buildArchive(fixture));

    TZLBArc2 archive;
    archive.OpenArchive(path);
    EXPECT_EQ(archive.Base(), 1000);
    add(archive, "two.txt", text(9));
    update(archive, "ONE.TXT", "changed");
    EXPECT_EQ(readAll(path).left(1000), fixture.prefix);
    EXPECT_EQ(archive.Base(), 1000);
    EXPECT_EQ(extract(archive, "one.txt"), "changed");
    EXPECT_EQ(extract(archive, "two.txt"), text(9));
    EXPECT_EQ(archive.Entries(0).MemberName, "one.txt"); // keeps its stored name
}

TEST(TZLBArc2, UpdateKeepsTheDataAreaCompactAndOtherMembersIntact)
{
    TempDir dir;
    const QString path = dir.file("u.arc");
    TZLBArc2 archive;
    archive.CreateArchive(path);
    add(archive, "a", text(50));
    add(archive, "b", noise(300));
    add(archive, "c", text(80));
    update(archive, "b", noise(40, 3));

    FixtureArchive expected;
    expected.members = {{.name = "a", .content = text(50), .method = 0},
                        {.name = "b", .content = noise(40, 3), .method = 1},
                        {.name = "c", .content = text(80), .method = 0}};
    EXPECT_EQ(readAll(path), buildArchive(expected));
    EXPECT_EQ(failure([&] { update(archive, "missing", "x"); }), "missing not found in archive");
    EXPECT_EQ(failure([&] { add(archive, "A", "x"); }), "A already exists in the archive");
}

TEST(TZLBArc2, UpdateOfAnArchiveWhoseBlocksAreOutOfOrderLosesNothing)
{
    // Another writer may lay blocks out in any order: here the first entry's
    // block lies after the second's and third's.
    TempDir dir;
    FixtureArchive fixture;
    fixture.members = {{.name = "a", .content = "AAAAAA", .method = 1},
                       {.name = "b", .content = "BBBB", .method = 1},
                       {.name = "c", .content = text(20), .method = 0}};
    fixture.dataOrder = {2, 1, 0};
    const QString path = dir.write("o.arc", buildArchive(fixture));
    TZLBArc2 archive;
    archive.OpenArchive(path);
    ASSERT_GT(archive.Entries(0).DataOffset, archive.Entries(1).DataOffset);
    update(archive, "b", "NEW");
    EXPECT_EQ(extract(archive, "a"), "AAAAAA");
    EXPECT_EQ(extract(archive, "b"), "NEW");
    EXPECT_EQ(extract(archive, "c"), text(20));
}

TEST(TZLBArc2, IndexOfIgnoresCaseAndHonoursSavedPaths)
{
    TempDir dir;
    TZLBArc2 archive;
    archive.CreateArchive(dir.file("i.arc"));
    add(archive, "Info.db", "x");
    EXPECT_EQ(archive.IndexOf("info.db"), 0);
    EXPECT_EQ(archive.IndexOf("INFO.DB"), 0);
    EXPECT_EQ(archive.IndexOf("other"), -1);

    TZLBArc2 paths;
    paths.SavePaths = true;
    paths.CreateArchive(dir.file("p.arc"));
    add(paths, "C:\\Data\\Sub\\file.txt", "content");
    EXPECT_EQ(paths.Entries(0).MemberPath, "\\Data\\Sub\\");
    EXPECT_EQ(paths.Entries(0).MemberName, "file.txt");
    EXPECT_EQ(paths.IndexOf("D:\\data\\sub\\FILE.TXT"), 0);
    EXPECT_EQ(extract(paths, "\\data\\sub\\file.txt"), "content");
    EXPECT_EQ(failure([&] { extract(paths, "file.txt"); }), "file.txt not found in archive");
}

TEST(TZLBArc2, FailureMessagesAreTheComponentsOwn)
{
    TempDir dir;
    TZLBArc2 archive;
    EXPECT_EQ(failure([&] { archive.Count(); }), "No archive is currently open");
    EXPECT_EQ(failure([&] { extract(archive, "x"); }), "No archive is currently open");
    EXPECT_EQ(failure([&] { add(archive, "x", "y"); }), "No archive is currently open");
    EXPECT_EQ(failure([&] { archive.Base(); }), "Unknown file position marker");
    EXPECT_EQ(failure([&] { archive.OpenArchive(dir.file("missing.arc")); }),
              "Archive file not found");
    EXPECT_TRUE(archive.FileName().isEmpty());

    const QString existing = dir.write("exists.arc", "x");
    EXPECT_EQ(failure([&] { archive.CreateArchive(existing); }),
              existing + " already exists in the archive");

    archive.CreateArchive(dir.file("e.arc"));
    add(archive, "a", "aaa");
    EXPECT_EQ(failure([&] { archive.Entries(1); }), "Index out of bounds");
    EXPECT_EQ(failure([&] { archive.Entries(-1); }), "Index out of bounds");
    EXPECT_EQ(failure([&] { extract(archive, "zzz"); }), "zzz not found in archive");

    archive.OpenArchive(QString());
    EXPECT_TRUE(archive.FileName().isEmpty());
}

TEST(TZLBArc2, UnknownVersionIsNamedInTheMessage)
{
    TempDir dir;
    FixtureArchive fixture;
    fixture.formatVersion = 3;
    fixture.members = {{.name = "a", .content = "a", .method = 1}};
    const QString path = dir.write("v3.arc", buildArchive(fixture));
    TZLBArc2 archive;
    EXPECT_EQ(failure([&] { archive.OpenArchive(path); }),
              "The archive was created with a different version of ZLBArchive (v3)");
}

TEST(TZLBArc2, AnyFlippedByteBetweenBaseAndTailIsCaught)
{
    TempDir dir;
    FixtureArchive fixture;
    fixture.prefix = "PREFIX";
    fixture.members = {{.name = "a.txt", .content = text(3), .method = 0},
                       {.name = "b.txt", .content = "bb", .method = 1}};
    const QByteArray good = buildArchive(fixture);
    const QString path = dir.file("flip.arc");
    for (qsizetype i = fixture.prefix.size(); i < good.size() - kTailSize; ++i) {
        QByteArray bad = good;
        bad[i] = char(bad[i] ^ 0x20);
        dir.write("flip.arc", bad);
        TZLBArc2 archive;
        EXPECT_EQ(failure([&] { archive.OpenArchive(path); }), "The archive appears to be corrupted")
            << i;
        EXPECT_TRUE(archive.FileName().isEmpty());
    }
    // The prefix is not covered by the checksum.
    QByteArray prefixChanged = good;
    prefixChanged[0] = 'Q';
    dir.write("flip.arc", prefixChanged);
    TZLBArc2 archive;
    archive.OpenArchive(path);
    EXPECT_EQ(extract(archive, "b.txt"), "bb");
}

TEST(TZLBArc2, MemberCrcIsCheckedOnlyWhenAsked)
{
    TempDir dir;
    FixtureArchive fixture;
    fixture.members = {{.name = "a.txt", .content = "original", .method = 1}};
    QByteArray bytes = buildArchive(fixture);
    // Change the content and re-seal the archive checksum, leaving the member CRC stale.
    bytes[0] = 'O';
    const quint32 crc = crc32Of(bytes.left(bytes.size() - kTailSize));
    for (int i = 0; i < 4; ++i)
        bytes[bytes.size() - kTailSize + 8 + i] = char((crc >> (8 * i)) & 0xFF);
    const QString path = dir.write("crc.arc", bytes);

    TZLBArc2 archive;
    archive.OpenArchive(path);
    EXPECT_EQ(extract(archive, "a.txt"), "Original");
    archive.VerifyFileCRC = true;
    EXPECT_EQ(failure([&] { extract(archive, "a.txt"); }), "a.txt failed CRC check");
}

TEST(TZLBArc2, HostileSizesGiveAClearErrorNotACrash)
{
    TempDir dir;
    FixtureArchive fixture;
    fixture.members = {{.name = "a.txt", .content = text(40), .method = 0},
                       {.name = "b.txt", .content = "bbbb", .method = 1}};
    const QByteArray good = buildArchive(fixture);

    auto patchTail = [&](int offset, quint64 value, int bytes) {
        QByteArray bad = good;
        for (int i = 0; i < bytes; ++i)
            bad[bad.size() - kTailSize + offset + i] = char((value >> (8 * i)) & 0xFF);
        return bad;
    };
    const QByteArray cases[] = {
        good.left(20),                           // shorter than a tail
        patchTail(0, quint64(1) << 62, 8),       // registry offset beyond the file
        patchTail(0, quint64(-5), 8),            // negative registry offset
        patchTail(20, 0xFFFFFFFF, 4),            // registry size beyond the file
        patchTail(12, 0xFFFFFFFF, 4),            // absurd entry count
        patchTail(12, 3, 4),                     // more entries than the registry holds
    };
    int n = 0;
    for (const QByteArray& bad : cases) {
        const QString path = dir.write(QString("bad%1.arc").arg(n++), bad);
        for (bool verify : {true, false}) {
            TZLBArc2 archive;
            archive.VerifyArchiveCRC = verify;
            EXPECT_FALSE(failure([&] { archive.OpenArchive(path); }).isEmpty()) << n;
        }
    }
}

TEST(TZLBArc2, HostileEntryFieldsAreRefusedBeforeUse)
{
    TempDir dir;
    FixtureArchive fixture;
    fixture.members = {{.name = "a.txt", .content = "content", .method = 1}};
    FixtureArchive raw = fixture;
    raw.compressRegistry = false;
    const QByteArray good = buildArchive(raw);
    const qsizetype entryAt = good.size() - kTailSize - kEntrySize;

    auto patch = [&](int offset, quint64 value, int bytes) {
        QByteArray bad = good;
        for (int i = 0; i < bytes; ++i)
            bad[entryAt + offset + i] = char((value >> (8 * i)) & 0xFF);
        return bad;
    };
    const QByteArray cases[] = {
        patch(512, quint64(1) << 40, 8),  // content far larger than its block
        patch(512, quint64(-1), 8),       // negative content size
        patch(536, 1000000, 8),           // block beyond the data area
        patch(536, quint64(-7), 8),       // negative offset
        patch(520, quint64(1) << 50, 8),  // compressed size beyond the file
        patch(548, 9, 1),                 // unknown storage method
        patch(548, 0, 1),                 // "deflated" but the bytes are no zlib stream
    };
    int n = 0;
    for (const QByteArray& bad : cases) {
        const QString path = dir.write(QString("e%1.arc").arg(n++), bad);
        TZLBArc2 archive;
        archive.VerifyArchiveCRC = false;
        archive.OpenArchive(path);
        EXPECT_FALSE(failure([&] { archive.ExtractToMemory("a.txt"); }).isEmpty()) << n;
        EXPECT_FALSE(failure([&] { extract(archive, "a.txt"); }).isEmpty()) << n;
    }
}

TEST(TZLBArc2, FailedChangeLeavesTheOldArchiveAndNoTemporaryFile)
{
    TempDir dir;
    const QString path = dir.file("keep.arc");
    TZLBArc2 archive;
    ZLBCipher::attachTo(archive);
    archive.CreateArchive(path);
    add(archive, "a", text(10));
    const QByteArray before = readAll(path);

    archive.OnEncryptStream = [](QIODevice&, QIODevice&, const QString&) {
        throw EZLBArchive("disk full");
    };
    EXPECT_EQ(failure([&] { add(archive, "b", text(10), true); }), "disk full");
    EXPECT_EQ(readAll(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.arc"});
    EXPECT_EQ(archive.Count(), 1);
    EXPECT_EQ(extract(archive, "a"), text(10));
}

TEST(TZLBArc2, LargeSourcesGoThroughATemporaryFile)
{
    TempDir dir;
    TZLBArc2 archive;
    archive.MaxMemoryUsage = 0;
    archive.TempDirectory = dir.mkdir("tmp");
    archive.CreateArchive(dir.file("big.arc"));
    add(archive, "big.txt", text(3000));
    add(archive, "big.bin", noise(70000));
    EXPECT_EQ(archive.ExtractToMemory("big.txt"), text(3000));
    EXPECT_EQ(extract(archive, "big.bin"), noise(70000));
    EXPECT_TRUE(QDir(dir.file("tmp")).isEmpty());
}

TEST(TZLBArc2, ReportsProgressAndEvents)
{
    TempDir dir;
    TZLBArc2 archive;
    QStringList texts;
    int opened = 0;
    QString addedName;
    archive.OnProgress = [&](const QString& message, int percentage) {
        EXPECT_GE(percentage, 0);
        EXPECT_LE(percentage, 100);
        if (texts.isEmpty() || texts.last() != message)
            texts << message;
    };
    archive.OnArchiveOpened = [&] { ++opened; };
    archive.OnFileAddUpdate = [&](QString&, QString& name) { addedName = name; };
    const QString path = dir.file("p.arc");
    archive.CreateArchive(path);
    add(archive, "Hash.db", text(50));
    extract(archive, "Hash.db");
    EXPECT_EQ(addedName, "Hash.db");
    EXPECT_EQ(opened, 2); // created, then reopened after the change
    for (const char* expected :
         {"Updating Hash.db", "Writing archive registry", "Moving and renaming the temporary file",
          "Verifying archive integrity", "Extracting registry", "Extracting Hash.db"})
        EXPECT_TRUE(texts.contains(expected)) << expected;
    EXPECT_TRUE(texts.contains(path));
}

} // namespace
