#include "engine/CriticalAreas.h"
#include "engine/FileSystemArea.h"
#include "engine/RecentActiveFiles.h"
#include "engine/TSdScanThread.h"
#include "engine/TScanCache.h"
#include "engine/UnwantedPrograms.h"
#include "support/FixturePrefix.h"
#include "support/PeWriter.h"
#include "support/RecordingScanHost.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>

namespace veridon {
namespace {

using test::FixturePrefix;

// Area slots of the scan thread, in run order.
constexpr int kCriticalAreasSlot = 1;
constexpr int kFileSystemSlot = 2;
constexpr int kRecentActiveSlot = 7;
constexpr int kUnwantedProgramsSlot = 8;

QString md5Of(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

// A PE image with version texts, followed by `tail` (an overlay the loader
// ignores) and padding, so byte patterns can be placed at a known offset.
struct Image
{
    QByteArray bytes;
    qsizetype tailOffset = 0;
};

Image peImage(std::vector<std::pair<QString, QString>> versionValues, const QByteArray& tail = {},
              bool withVersion = true)
{
    test::PeDescription description;
    if (withVersion)
        description.version = test::versionWith(std::move(versionValues));
    Image image{test::writePe(description).bytes, 0};
    image.tailOffset = image.bytes.size();
    image.bytes += tail;
    image.bytes += QByteArray(64, '\0');
    return image;
}

QString hex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex().toUpper());
}

class FileAreasTest : public ::testing::Test
{
protected:
    FileAreasTest() { prefix.addStandardLayout(); }

    // Runs the areas switched on in `areasText` over the prefix as the scan
    // thread does and returns the rows as "id type object", sorted.
    QStringList scan(const QString& areasText, RunMode mode = RunMode::Scan)
    {
        environment = prefix.open();
        ScanAreas areas;
        areas.areas[kCriticalAreasSlot] = scanCriticalAreas;
        areas.areas[kFileSystemSlot] = scanFileSystem;
        areas.areas[kRecentActiveSlot] = [](ScanSession& session) {
            // The registry side owns this loop; the file traces are this layer's.
            const QStringList lines = session.signatures().joined(QStringLiteral("Extra.db"));
            for (int i = 0; i < lines.size(); ++i) {
                const qsizetype comma = lines[i].indexOf(u',');
                session.countObject();
                checkFileTrace(session, i, lines[i].left(comma).trimmed(),
                               lines[i].mid(comma + 1).trimmed());
            }
        };
        areas.areas[kUnwantedProgramsSlot] = scanUnwantedPrograms;
        areas.oneTarget = scanOneTarget;
        TSdScanThread::Parameters parameters;
        parameters.areasText = areasText;
        parameters.runMode = mode;
        parameters.options = options;
        host = std::make_unique<test::RecordingScanHost>();
        const auto reader = [this](const QString& archive, const QString& member) {
            const auto& set = archive == SignatureSets::kCoreArchive ? core : addition;
            return set.value(member).toUtf8();
        };
        ScanCacheFactory cacheFactory;
        if (withCache)
            cacheFactory = [this](const QString& version) -> std::unique_ptr<DigestCache> {
                return std::make_unique<TScanCache>(cacheDir.file(TScanCache::kFileName),
                                                    version, environment->files());
            };
        TSdScanThread thread(*host, *environment, parameters, std::move(areas), reader,
                             [](const QStringList& lines) { return lines; }, cacheFactory);
        thread.run();
        EXPECT_EQ(thread.failure(), QString());
        QStringList rows = host->rowTexts();
        rows.sort();
        return rows;
    }

    QStringList scanUnwanted() { return scan(QStringLiteral("000000001")); }

    FixturePrefix prefix;
    std::unique_ptr<Environment> environment;
    std::unique_ptr<test::RecordingScanHost> host;
    QHash<QString, QString> core;
    QHash<QString, QString> addition;
    ScanOptions options;
    bool withCache = false;
    test::TempDir cacheDir;
};

TEST_F(FileAreasTest, CriticalAreasReportMatchingFilesOfTheFolderItself)
{
    prefix.addFile(QStringLiteral("C:\\windows\\evil1.dll"), "x");
    prefix.addFile(QStringLiteral("C:\\windows\\EvilX.dll"), "x");
    prefix.addFile(QStringLiteral("C:\\windows\\good.dll"), "x");
    prefix.addFile(QStringLiteral("C:\\windows\\system32\\evil2.dll"), "x");
    prefix.addFile(QStringLiteral("C:\\users\\ann\\Desktop\\bad1.lnk"), "x");
    prefix.addFile(QStringLiteral("C:\\users\\Public\\Desktop\\bad2.lnk"), "x");
    core[QStringLiteral("Dda.db")] = QStringLiteral("Trojan.Dda , %WINDIR%\\evil*.dll\r\n");
    addition[QStringLiteral("Dda.db")] =
        QStringLiteral("Adware.Desk,%DESKTOP%\\bad*.lnk\nNone,%WINDIR%\\missing\\*.dll\n");

    EXPECT_EQ(scan(QStringLiteral("01")),
              (QStringList{QStringLiteral("2-1 File C:\\windows\\EvilX.dll"),
                           QStringLiteral("2-1 File C:\\windows\\evil1.dll"),
                           QStringLiteral("2-2 File C:\\users\\Public\\Desktop\\bad2.lnk"),
                           QStringLiteral("2-2 File C:\\users\\ann\\Desktop\\bad1.lnk")}));
    EXPECT_EQ(host->results.rows().front().record.threatName, QStringLiteral("Trojan.Dda"));
}

TEST_F(FileAreasTest, FileSystemReportsTheFolderAndEverythingInside)
{
    const QString spy = QStringLiteral("C:\\Program Files\\SpyTool");
    for (const char* file : {"\\a.exe", "\\b.dll", "\\c.txt", "\\README", "\\sub\\d.ini"})
        prefix.addFile(spy + QLatin1String(file), "x");
    prefix.addFolder(spy + QStringLiteral("\\dotted.dir"));
    prefix.addFolder(QStringLiteral("C:\\users\\ann\\AppData\\Roaming\\Bad1Dir"));
    prefix.addFolder(QStringLiteral("C:\\users\\ann\\AppData\\Roaming\\GoodDir"));
    core[QStringLiteral("Dir.db")] =
        QStringLiteral("Spy.Tool,%PROGRAMFILES%\\SpyTool\nBad.Dir,%APPDATA%\\Bad?Dir\n");

    EXPECT_EQ(scan(QStringLiteral("001")),
              (QStringList{QStringLiteral("3-1 File C:\\Program Files\\SpyTool\\a.exe"),
                           QStringLiteral("3-1 File C:\\Program Files\\SpyTool\\b.dll"),
                           QStringLiteral("3-1 File C:\\Program Files\\SpyTool\\c.txt"),
                           // a folder whose name has a dot counts as a file
                           QStringLiteral("3-1 File C:\\Program Files\\SpyTool\\dotted.dir"),
                           QStringLiteral("3-1 File C:\\Program Files\\SpyTool\\sub\\d.ini"),
                           QStringLiteral("3-1 Folder C:\\Program Files\\SpyTool"),
                           QStringLiteral("3-1 Folder C:\\Program Files\\SpyTool\\sub"),
                           QStringLiteral(
                               "3-2 Folder C:\\users\\ann\\AppData\\Roaming\\Bad1Dir")}));
    // The two lines and the seven items inside the detected folders.
    EXPECT_EQ(host->lastInfected, 8);
}

TEST_F(FileAreasTest, FileTracesFollowTheirFlags)
{
    const QByteArray pe = peImage({{QStringLiteral("CompanyName"), QStringLiteral("Good Corp")}}).bytes;
    const QByteArray vendorless = peImage({}, {}, false).bytes;
    const QString sys = QStringLiteral("C:\\windows\\system32\\");
    prefix.addFile(sys + QStringLiteral("drop.exe"), pe);
    prefix.addFile(sys + QStringLiteral("fake.exe"), "not an image");
    prefix.addFile(sys + QStringLiteral("note.txt"), "text");
    prefix.addFile(sys + QStringLiteral("image.dat"), pe);
    prefix.addFile(sys + QStringLiteral("vendor.exe"), pe);
    prefix.addFile(sys + QStringLiteral("anon.exe"), vendorless);
    prefix.addFile(sys + QStringLiteral("anon.txt"), "text");
    prefix.addFile(QStringLiteral("C:\\windows\\temp\\a1.tmp"), "text");
    prefix.addFile(QStringLiteral("C:\\windows\\temp\\b1.tmp"), pe);
    prefix.addFile(QStringLiteral("C:\\windows\\temp\\sub\\c1.tmp"), "text");
    prefix.addFile(QStringLiteral("C:\\users\\Public\\Desktop\\x.dat"), "text");
    core[QStringLiteral("Extra.db")] = QStringLiteral(
        "T1,%SYSDIR%\\drop.exe\n"      // 1: a PE named .exe passes the empty flag
        "T2,%SYSDIR%\\fake.exe\n"      // 2: an .exe that is no PE does not
        "T3,%SYSDIR%\\note.txt\n"      // 3: other names pass the empty flag
        "T4,%SYSDIR%\\note.txt,MZ\n"   // 4: "MZ" wants a PE
        "T5,%SYSDIR%\\image.dat, MZ\n" // 5: ... whatever the name
        "T6,%SYSDIR%\\vendor.exe,NV\n" // 6: "NV" wants no vendor
        "T7,%SYSDIR%\\anon.exe,NV\n"   // 7
        "T8,%SYSDIR%\\anon.txt,NV\n"   // 8
        "T9,%SYSDIR%\\note.txt,XX\n"   // 9: other flags never pass
        "T10,%TEMP%\\?1.tmp,NV\n"      // 10: a pattern, files of that folder only
        "T11,%DESKTOP%\\x.dat\n"       // 11: the all-users desktop too
        "T12,%SYSDIR%\\none.txt\n");   // 12: missing
    EXPECT_EQ(scan(QStringLiteral("000000010")),
              (QStringList{QStringLiteral("4-1 File C:\\windows\\system32\\drop.exe"),
                           QStringLiteral("4-10 File C:\\windows\\temp\\a1.tmp"),
                           QStringLiteral("4-11 File C:\\users\\Public\\Desktop\\x.dat"),
                           QStringLiteral("4-3 File C:\\windows\\system32\\note.txt"),
                           QStringLiteral("4-5 File C:\\windows\\system32\\image.dat"),
                           QStringLiteral("4-7 File C:\\windows\\system32\\anon.exe"),
                           QStringLiteral("4-8 File C:\\windows\\system32\\anon.txt")}));
}

// One file per check of "Unwanted Programs", each caught by exactly one line.
TEST_F(FileAreasTest, UnwantedProgramsRunEveryFileCheck)
{
    const QString sys = QStringLiteral("C:\\windows\\system32\\");
    const QByteArray hashCore = "core hash";
    const QByteArray hashAddition = "addition hash";
    const Image pattern = peImage({}, "\xDE\xAD\xBE\xEF-core");
    const Image patternAdd = peImage({}, "\xCA\xFE\xBA\xBE-add");
    const Image version = peImage({{QStringLiteral("ProductName"), QStringLiteral(" Evil Bar ")}});
    prefix.addFile(sys + QStringLiteral("h.exe"), hashCore);
    prefix.addFile(sys + QStringLiteral("h.dll"), hashAddition);
    prefix.addFile(sys + QStringLiteral("p.exe"), pattern.bytes);
    prefix.addFile(sys + QStringLiteral("q.sys"), patternAdd.bytes);
    prefix.addFile(sys + QStringLiteral("v.ocx"), version.bytes);
    prefix.addFile(sys + QStringLiteral("h.txt"), hashCore); // not an executable extension
    prefix.addFile(sys + QStringLiteral("sub\\h.exe"), hashCore); // no "REC"
    core[QStringLiteral("HotSpot.db")] = QStringLiteral("%SYSDIR%\n");
    core[QStringLiteral("Hash.db")] = QStringLiteral("Hash.Core,") + md5Of(hashCore);
    addition[QStringLiteral("Hash_Add.db")] = QStringLiteral("Hash.Add,") + md5Of(hashAddition);
    core[QStringLiteral("StringS.db")] =
        QStringLiteral("Pat.Core,%1,DEADBEEF\n").arg(pattern.tailOffset);
    addition[QStringLiteral("StringS_Add.db")] = QStringLiteral("Other,%1,DEADBEEF\nPat.Add,%1,CAFEBABE\n")
                                                     .arg(patternAdd.tailOffset);
    core[QStringLiteral("Version.db")] = QStringLiteral("Ver.Core,8,EVIL BAR\n");

    EXPECT_EQ(scanUnwanted(), (QStringList{QStringLiteral("10-1 File C:\\windows\\system32\\h.dll"),
                                           QStringLiteral("11-1 File C:\\windows\\system32\\p.exe"),
                                           QStringLiteral("12-2 File C:\\windows\\system32\\q.sys"),
                                           QStringLiteral("8-1 File C:\\windows\\system32\\v.ocx"),
                                           QStringLiteral("9-1 File C:\\windows\\system32\\h.exe")}));
    const auto row = std::find_if(host->results.rows().begin(), host->results.rows().end(),
                                  [](const ResultRow& r) { return r.record.idCode == "11-1"; });
    ASSERT_NE(row, host->results.rows().end());
    EXPECT_EQ(row->record.threatName, QStringLiteral("Pat.Core"));

    // "REC" walks the subfolders; scan-all-files takes every extension.
    core[QStringLiteral("HotSpot.db")] = QStringLiteral(" %SYSDIR% , REC \n");
    options.scanAllFiles = true;
    const QStringList all = scanUnwanted();
    EXPECT_TRUE(all.contains(QStringLiteral("9-1 File C:\\windows\\system32\\sub\\h.exe")));
    EXPECT_TRUE(all.contains(QStringLiteral("9-1 File C:\\windows\\system32\\h.txt")));
}

TEST_F(FileAreasTest, LargeFilesAreCheckedWholeBeyondTheirFirstBytes)
{
    // Larger than every read window: digests span several reads, and the
    // pattern and version tests need the file past what the digest kept.
    QByteArray filler(700 * 1024, Qt::Uninitialized);
    for (qsizetype i = 0; i < filler.size(); ++i)
        filler[i] = char((i * 7 + i / 509) & 0x7F);
    const QByteArray data = "data" + filler;
    const Image patterned = peImage({}, filler + "FARMARK");
    const Image versioned =
        peImage({{QStringLiteral("ProductName"), QStringLiteral("BIG ONE")}}, filler);
    const QString dir = QStringLiteral("C:\\big\\");
    prefix.addFile(dir + QStringLiteral("data.bin"), data);
    prefix.addFile(dir + QStringLiteral("far.exe"), patterned.bytes);
    prefix.addFile(dir + QStringLiteral("ver.exe"), versioned.bytes);
    options.targets = dir + QLatin1Char(';');
    core[QStringLiteral("Hash.db")] = QStringLiteral("Hash.Big,") + md5Of(data);
    core[QStringLiteral("StringS.db")] = QStringLiteral("Pat.Far,%1,%2\n")
                                             .arg(patterned.tailOffset + filler.size())
                                             .arg(hex("FARMARK"));
    core[QStringLiteral("Version.db")] = QStringLiteral("Ver.Big,8,BIG ONE\n");
    const QStringList expected{QStringLiteral("11-1 File C:\\big\\far.exe"),
                               QStringLiteral("8-1 File C:\\big\\ver.exe"),
                               QStringLiteral("9-1 File C:\\big\\data.bin")};
    EXPECT_EQ(scanUnwanted(), expected);
    // The same with the scan cache, first filled, then answering.
    withCache = true;
    EXPECT_EQ(scanUnwanted(), expected);
    EXPECT_EQ(scanUnwanted(), expected);
}

TEST_F(FileAreasTest, VersionLinesWithWildcardsAndPublishers)
{
    const QString sys = QStringLiteral("C:\\windows\\system32\\");
    prefix.addFile(sys + QStringLiteral("a.exe"),
                   peImage({{QStringLiteral("CompanyName"), QStringLiteral("Acme Ltd")}}).bytes);
    prefix.addFile(sys + QStringLiteral("b.exe"), "plain text, no version information");
    core[QStringLiteral("HotSpot.db")] = QStringLiteral("%SYSDIR%");
    core[QStringLiteral("Version.db")] = QStringLiteral(
        "Wrong.Case,1,Acme Ltd\n"        // exact comparison: the texts are upper case
        "Wrong.Publisher,1,ACME*,Acme\n" // needs that signer
        "Pattern,1,[a-c]CME*\n"          // matches a.exe
        "Unknown,1,Unknown\n");          // b.exe: "Unknown" as written, not upper-cased
    EXPECT_EQ(scanUnwanted(), (QStringList{QStringLiteral("8-3 File C:\\windows\\system32\\a.exe"),
                                           QStringLiteral("8-4 File C:\\windows\\system32\\b.exe")}));

    // An index that is not a number fails the version check of each file.
    core[QStringLiteral("Version.db")] = QStringLiteral("Bad,x,*\nAny,1,*\n");
    EXPECT_TRUE(scanUnwanted().isEmpty());
}

TEST_F(FileAreasTest, HashLocationMustOccurInTheFolderWithItsCase)
{
    const QByteArray bytes = "located";
    prefix.addFile(QStringLiteral("C:\\windows\\system32\\x.exe"), bytes);
    prefix.addFile(QStringLiteral("C:\\windows\\x.exe"), bytes);
    core[QStringLiteral("Hash.db")] = QStringLiteral("Loc.Sys,%1, %SYSDIR% ").arg(md5Of(bytes));
    // A core hit whose location does not fit never reaches the addition table.
    addition[QStringLiteral("Hash_Add.db")] = QStringLiteral("Loc.Add,%1").arg(md5Of(bytes));

    options.targets = QStringLiteral("C:\\windows\\;");
    EXPECT_EQ(scanUnwanted(),
              QStringList{QStringLiteral("9-1 File C:\\windows\\system32\\x.exe")});

    options.targets = QStringLiteral("C:\\WINDOWS\\;");
    EXPECT_TRUE(scanUnwanted().isEmpty());
}

TEST_F(FileAreasTest, FilesOfTheMaximumSizeAreNotChecked)
{
    const QByteArray below(99, 'a');
    const QByteArray limit(100, 'b');
    prefix.addFile(QStringLiteral("C:\\data\\below.exe"), below);
    prefix.addFile(QStringLiteral("C:\\data\\limit.exe"), limit);
    core[QStringLiteral("Hash.db")] =
        QStringList{QStringLiteral("Below,") + md5Of(below), QStringLiteral("Limit,") + md5Of(limit)}
            .join(u'\n');
    // The table must be sorted by digest.
    if (md5Of(limit) < md5Of(below))
        core[QStringLiteral("Hash.db")] = QStringList{QStringLiteral("Limit,") + md5Of(limit),
                                                      QStringLiteral("Below,") + md5Of(below)}
                                              .join(u'\n');
    options.maxFileSize = 100;
    options.targets = QStringLiteral("C:\\data;");
    const QStringList rows = scanUnwanted();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_TRUE(rows[0].endsWith(QStringLiteral("File C:\\data\\below.exe")));
}

TEST_F(FileAreasTest, APatternReachingTheEndEndsTheBytePatternCheck)
{
    const Image image = peImage({}, "MARK");
    prefix.addFile(QStringLiteral("C:\\data\\p.exe"), image.bytes);
    const qsizetype size = image.bytes.size();
    options.targets = QStringLiteral("C:\\data\\;");

    // Offset + digits reaching the size stops the check before the fitting line.
    core[QStringLiteral("StringS.db")] =
        QStringLiteral("Late,%1,FFFF\nMark,%2,%3\n").arg(size - 4).arg(image.tailOffset).arg(hex("MARK"));
    EXPECT_TRUE(scanUnwanted().isEmpty());

    // One byte earlier it fits (it compares two bytes) and the next line matches.
    core[QStringLiteral("StringS.db")] =
        QStringLiteral("Late,%1,FFFF\nMark,%2,%3\n").arg(size - 5).arg(image.tailOffset).arg(hex("MARK"));
    EXPECT_EQ(scanUnwanted(), QStringList{QStringLiteral("11-2 File C:\\data\\p.exe")});

    // A file that is not a PE image has no byte patterns at all.
    prefix.addFile(QStringLiteral("C:\\data\\p.exe"), QByteArray("XX") + image.bytes.mid(2));
    EXPECT_TRUE(scanUnwanted().isEmpty());
}

TEST_F(FileAreasTest, VendorlessPatternsWantNoCompanyName)
{
    const Image named = peImage({{QStringLiteral("CompanyName"), QStringLiteral("Acme")}}, "MARK");
    const Image anonymous = peImage({{QStringLiteral("CompanyName"), QStringLiteral("    ")}}, "MARK");
    prefix.addFile(QStringLiteral("C:\\data\\named.exe"), named.bytes);
    prefix.addFile(QStringLiteral("C:\\data\\anon.exe"), anonymous.bytes);
    ASSERT_EQ(named.tailOffset, anonymous.tailOffset);
    core[QStringLiteral("StringS.db")] =
        QStringLiteral("NoVendor,%1,%2,NV\n").arg(named.tailOffset).arg(hex("MARK"));
    options.targets = QStringLiteral("C:\\data\\;");
    EXPECT_EQ(scanUnwanted(), QStringList{QStringLiteral("11-1 File C:\\data\\anon.exe")});
}

TEST_F(FileAreasTest, TargetsAreFoldersEachEndingWithASemicolon)
{
    const QByteArray bytes = "target";
    prefix.addFile(QStringLiteral("C:\\one\\a.exe"), bytes);
    prefix.addFile(QStringLiteral("C:\\one\\deep\\b.exe"), bytes);
    test::TempDir other;
    other.write(QStringLiteral("c.exe"), bytes);
    prefix.addDrive(QLatin1Char('d'), other.path());
    core[QStringLiteral("Hash.db")] = QStringLiteral("Target,") + md5Of(bytes);

    options.targets = QStringLiteral("C:\\one;D:\\;");
    EXPECT_EQ(scanUnwanted(), (QStringList{QStringLiteral("9-1 File C:\\one\\a.exe"),
                                           QStringLiteral("9-1 File C:\\one\\deep\\b.exe"),
                                           QStringLiteral("9-1 File D:\\c.exe")}));
    options.targets = QStringLiteral("D:\\");
    EXPECT_TRUE(scanUnwanted().isEmpty());
}

TEST_F(FileAreasTest, OneTargetIsAFileOrAWholeFolder)
{
    const QByteArray bytes = "one target";
    prefix.addFile(QStringLiteral("C:\\one\\a.txt"), bytes);
    prefix.addFile(QStringLiteral("C:\\one\\b.exe"), bytes);
    prefix.addFile(QStringLiteral("C:\\one\\deep\\c.dat"), bytes);
    core[QStringLiteral("Hash.db")] = QStringLiteral("One,") + md5Of(bytes);

    options.targets = QStringLiteral("C:\\one\\a.txt");
    EXPECT_EQ(scan({}, RunMode::OneTarget), QStringList{QStringLiteral("9-1 File C:\\one\\a.txt")});
    options.targets = QStringLiteral("C:\\one");
    EXPECT_EQ(scan({}, RunMode::OneTarget), (QStringList{QStringLiteral("9-1 File C:\\one\\a.txt"),
                                                         QStringLiteral("9-1 File C:\\one\\b.exe"),
                                                         QStringLiteral("9-1 File C:\\one\\deep\\c.dat")}));
}

// Two runs with the same definition version: the second takes every digest
// from the cache and repeats only the hash checks and the addition tables.
TEST_F(FileAreasTest, CachedFilesRepeatOnlyHashAndAdditionChecks)
{
    withCache = true;
    const QString dir = QStringLiteral("C:\\data\\");
    const Image a = peImage({{QStringLiteral("ProductName"), QStringLiteral("ALPHA")}}, "AAAA");
    const Image c = peImage({{QStringLiteral("ProductName"), QStringLiteral("CHARLIE")}}, "CCCC");
    const Image d = peImage({{QStringLiteral("ProductName"), QStringLiteral("DELTA")}}, "DDDD");
    const QByteArray b = "bravo";
    prefix.addFile(dir + QStringLiteral("a.exe"), a.bytes);
    prefix.addFile(dir + QStringLiteral("b.dll"), b);
    prefix.addFile(dir + QStringLiteral("c.exe"), c.bytes);
    prefix.addFile(dir + QStringLiteral("d.exe"), d.bytes);
    options.targets = QStringLiteral("C:\\data\\;");
    addition[QStringLiteral("Info.db")] = QStringLiteral("CoreVer=1\n");
    EXPECT_TRUE(scanUnwanted().isEmpty());

    // Same version, new lines everywhere.
    core[QStringLiteral("Hash.db")] = QStringLiteral("Hash.B,") + md5Of(b);
    core[QStringLiteral("StringS.db")] =
        QStringLiteral("Pat.A,%1,%2\nPat.D,%3,%4\n")
            .arg(a.tailOffset)
            .arg(hex("AAAA"))
            .arg(d.tailOffset)
            .arg(hex("DDDD"));
    core[QStringLiteral("Version.db")] = QStringLiteral("Ver.D,8,DELTA\n");
    addition[QStringLiteral("StringS_Add.db")] =
        QStringLiteral("Pat.C,%1,%2\n").arg(c.tailOffset).arg(hex("CCCC"));
    addition[QStringLiteral("Version.db")] = QStringLiteral("Ver.A,8,ALPH*\n");
    EXPECT_EQ(scanUnwanted(), (QStringList{QStringLiteral("12-1 File C:\\data\\c.exe"),
                                           QStringLiteral("13-1 File C:\\data\\a.exe"),
                                           QStringLiteral("9-1 File C:\\data\\b.dll")}));

    // The same again: the files detected last time are checked in full, the
    // one that was not (d.exe) still only against the addition tables.
    EXPECT_EQ(scanUnwanted(), (QStringList{QStringLiteral("11-1 File C:\\data\\a.exe"),
                                           QStringLiteral("12-1 File C:\\data\\c.exe"),
                                           QStringLiteral("9-1 File C:\\data\\b.dll")}));

    // New definitions: every file is checked in full.
    addition[QStringLiteral("Info.db")] = QStringLiteral("CoreVer=2\n");
    EXPECT_EQ(scanUnwanted(), (QStringList{QStringLiteral("11-1 File C:\\data\\a.exe"),
                                           QStringLiteral("11-2 File C:\\data\\d.exe"),
                                           QStringLiteral("12-1 File C:\\data\\c.exe"),
                                           QStringLiteral("9-1 File C:\\data\\b.dll")}));
}

TEST_F(FileAreasTest, AChangedFileMissesTheCache)
{
    withCache = true;
    const QString file = QStringLiteral("C:\\data\\e.exe");
    const QString hostFile =
        prefix.addFile(file, peImage({{QStringLiteral("ProductName"), QStringLiteral("QUIET")}}).bytes);
    options.targets = QStringLiteral("C:\\data\\;");
    core[QStringLiteral("Version.db")] = QStringLiteral("Ver.Echo,8,ECHO\n");
    EXPECT_TRUE(scanUnwanted().isEmpty());
    EXPECT_TRUE(scanUnwanted().isEmpty());

    prefix.addFile(file, peImage({{QStringLiteral("ProductName"), QStringLiteral("ECHO")}}).bytes);
    QFile changed(hostFile);
    ASSERT_TRUE(changed.open(QIODevice::ReadWrite));
    ASSERT_TRUE(changed.setFileTime(QDateTime::currentDateTimeUtc().addSecs(60),
                                    QFileDevice::FileModificationTime));
    changed.close();
    EXPECT_EQ(scanUnwanted(), QStringList{QStringLiteral("8-1 File C:\\data\\e.exe")});
}

} // namespace
} // namespace veridon
