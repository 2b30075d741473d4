// veridon-scan end to end: the demo environment, its formats and exit codes,
// removal with quarantine, the ignore list and broken definitions.
#include "support/DemoPrefixBuilder.h"
#include "support/QtPrinting.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using veridon::test::DemoPrefixBuilder;
using veridon::test::TempDir;

namespace {

struct Result
{
    int exitCode = -1;
    QString out;
    QString err;
};

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The demo environment in a temporary folder, with its own program and data
// folders, and the planted program running.
class DemoScan : public ::testing::Test
{
protected:
    void SetUp() override
    {
        prefix = dir.file(QStringLiteral("prefix"));
        program = dir.mkdir(QStringLiteral("program"));
        data = dir.file(QStringLiteral("data"));
        DemoPrefixBuilder(prefix).build(readText(QStringLiteral(VERIDON_DEMO_DESCRIPTION)));
        ASSERT_TRUE(QFile::copy(QStringLiteral(VERIDON_BUILT_PROGRAM_DIR "/Core.def"),
                                program + QStringLiteral("/Core.def")));
        installAddition(QStringLiteral(VERIDON_BUILT_PROGRAM_DIR "/Addition.def"));
        startWaiter();
    }

    void TearDown() override { stopWaiter(); }

    void installAddition(const QString& source)
    {
        QFile::remove(program + QStringLiteral("/Addition.def"));
        ASSERT_TRUE(QFile::copy(source, program + QStringLiteral("/Addition.def")));
    }

    void startWaiter()
    {
        const QByteArray image = QFile::encodeName(prefix + QStringLiteral("/drive_c/demo/demoproc.exe"));
        // A program of the demo prefix, as the demo script starts it.
        QByteArray environment = "WINEPREFIX=" + QFile::encodeName(prefix);
        char* const envp[] = {environment.data(), nullptr};
        waiter = ::fork();
        if (waiter == 0) {
            ::execle(image.constData(), "demoproc.exe", nullptr, envp);
            ::_exit(127);
        }
        for (int i = 0; i < 200; ++i) {
            if (QFileInfo(QStringLiteral("/proc/%1/exe").arg(waiter)).symLinkTarget() ==
                QString::fromLocal8Bit(image))
                return;
            ::usleep(10000);
        }
    }

    // True when the waiter has ended (reaped here).
    bool waiterEnded()
    {
        if (waiter <= 0)
            return true;
        for (int i = 0; i < 200; ++i) {
            if (::waitpid(waiter, nullptr, WNOHANG) == waiter) {
                waiter = 0;
                return true;
            }
            ::usleep(10000);
        }
        return false;
    }

    void stopWaiter()
    {
        if (waiter > 0) {
            ::kill(waiter, SIGKILL);
            ::waitpid(waiter, nullptr, 0);
            waiter = 0;
        }
    }

    Result scan(QStringList arguments)
    {
        arguments = QStringList{QStringLiteral("--prefix"), prefix, QStringLiteral("--program-dir"),
                                program, QStringLiteral("--data-dir"), data} +
                    arguments;
        QProcess process;
        process.start(QStringLiteral(VERIDON_SCAN_EXE), arguments);
        EXPECT_TRUE(process.waitForFinished(120000));
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    // "id type object" of every tsv line.
    static QStringList rowsOf(const QString& tsv)
    {
        QStringList rows;
        for (const QString& line : tsv.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QStringList f = line.split(QLatin1Char('\t'));
            rows.append(f.value(4) + QLatin1Char(' ') + f.value(1) + QLatin1Char(' ') + f.value(2));
        }
        rows.sort();
        return rows;
    }

    // Named through the demo prefix's drive letters, the waiter's own prefix.
    static QString processObject() { return QStringLiteral("C:\\demo\\demoproc.exe"); }

    // One row per planted object (a detected folder brings its content, a
    // helper object its keys and file); none of the look-alikes.
    QStringList expectedRows(bool withUpdate) const
    {
        QStringList rows{
            QStringLiteral("1-2 Registry Key HKEY_CLASSES_ROOT\\CLSID\\{D3E0A1B2-0001-4C5D-9E8F-DE0000000001}"),
            QStringLiteral("1-2 Registry Key HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects\\{D3E0A1B2-0001-4C5D-9E8F-DE0000000001}"),
            QStringLiteral("1-2 File C:\\Program Files\\DemoBar\\demobar.dll"),
            QStringLiteral("2-3 File C:\\windows\\demodrop32.dll"),
            QStringLiteral("3-2 Folder C:\\Program Files\\DemoAdsSuite"),
            QStringLiteral("3-2 File C:\\Program Files\\DemoAdsSuite\\ads.cfg"),
            QStringLiteral("3-2 File C:\\Program Files\\DemoAdsSuite\\readme.txt"),
            QStringLiteral("3-2 Folder C:\\Program Files\\DemoAdsSuite\\cache"),
            QStringLiteral("3-2 File C:\\Program Files\\DemoAdsSuite\\cache\\offers.dat"),
            QStringLiteral("4-3 File C:\\users\\demo\\AppData\\Roaming\\demotrace.exe"),
            QStringLiteral("4-4 Registry Key HKEY_CURRENT_USER\\Software\\DemoTrace"),
            QStringLiteral("5-2 Registry Key HKEY_CURRENT_USER\\Software\\DemoGuidAds"),
            QStringLiteral("6-5 Registry Data HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main Value=Start Page"),
            QStringLiteral("7-9 Cookies C:\\users\\demo\\AppData\\Local\\Microsoft\\Windows\\INetCookies\\demo@demo-tracker.example[1].txt"),
            QStringLiteral("8-2 File C:\\Program Files\\DemoTools\\bin\\demover.exe"),
            QStringLiteral("9-2 File ") + processObject(),
            QStringLiteral("10-2 File C:\\Program Files\\DemoTools\\demohash.exe"),
            QStringLiteral("11-2 File C:\\Program Files\\DemoTools\\demobytes.exe"),
            QStringLiteral("12-1 File C:\\Program Files\\DemoTools\\demobytes2.exe"),
        };
        if (withUpdate)
            rows.append(QStringLiteral("13-1 File C:\\Program Files\\DemoTools\\demoupdate.exe"));
        rows.sort();
        return rows;
    }

    QString host(const QString& relative) const { return prefix + QStringLiteral("/drive_c/") + relative; }

    TempDir dir;
    QString prefix, program, data;
    pid_t waiter = 0;
};

} // namespace

TEST_F(DemoScan, FindsEveryPlantedObjectOncePerCheckAndNoLookAlike)
{
    // The scan before the update: the file only the update knows is clean
    // and enters the scan cache.
    installAddition(QStringLiteral(VERIDON_DEMO_DIR "/Addition-before.def"));
    const Result before = scan({QStringLiteral("--format"), QStringLiteral("tsv")});
    EXPECT_EQ(before.exitCode, 1) << before.err.toStdString();
    EXPECT_EQ(rowsOf(before.out), expectedRows(false));

    // After the update only its own checks run on that cached file: check 13.
    installAddition(QStringLiteral(VERIDON_BUILT_PROGRAM_DIR "/Addition.def"));
    const Result after = scan({QStringLiteral("--format"), QStringLiteral("tsv")});
    EXPECT_EQ(after.exitCode, 1) << after.err.toStdString();
    EXPECT_EQ(rowsOf(after.out), expectedRows(true));
    EXPECT_TRUE(after.err.isEmpty()) << after.err.toStdString(); // no progress line off a terminal
    for (const QString& line : after.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        ASSERT_EQ(fields.size(), 6) << line.toStdString();
        EXPECT_EQ(fields[5], fields[1] == QLatin1String("Cookies") ? QStringLiteral("1")
                                                                    : QStringLiteral("2"));
    }
}

TEST_F(DemoScan, JsonAndTextCarryTheSameRows)
{
    const Result tsv = scan({QStringLiteral("--format"), QStringLiteral("tsv")});
    const Result json = scan({QStringLiteral("--format"), QStringLiteral("json")});
    ASSERT_EQ(json.exitCode, 1) << json.err.toStdString();
    const QJsonArray array = QJsonDocument::fromJson(json.out.toUtf8()).array();
    QStringList rows;
    for (const QJsonValue& value : array) {
        const QJsonObject o = value.toObject();
        rows.append(o[QStringLiteral("id")].toString() + QLatin1Char(' ') +
                    o[QStringLiteral("type")].toString() + QLatin1Char(' ') +
                    o[QStringLiteral("object")].toString());
    }
    rows.sort();
    EXPECT_EQ(rows, rowsOf(tsv.out));

    const Result text = scan({});
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_TRUE(text.out.contains(QStringLiteral("%1 threats detected").arg(rows.size())))
        << text.out.toStdString();
    EXPECT_TRUE(text.out.contains(QStringLiteral("C:\\windows\\demodrop32.dll")));
}

TEST_F(DemoScan, IgnoredDetectionsAreDroppedUnlessAskedNotTo)
{
    QDir().mkpath(data);
    QFile ignore(data + QStringLiteral("/Ignore.ini"));
    ASSERT_TRUE(ignore.open(QIODevice::WriteOnly));
    ignore.write("File;c:\\WINDOWS\\demodrop32.dll\r\nbroken line\r\n");
    ignore.close();
    const Result dropped = scan({QStringLiteral("--format"), QStringLiteral("tsv")});
    EXPECT_FALSE(dropped.out.contains(QStringLiteral("demodrop32.dll")));
    EXPECT_TRUE(dropped.out.contains(QStringLiteral("demobytes.exe")));
    // The list was cleaned at load.
    EXPECT_EQ(readText(data + QStringLiteral("/Ignore.ini")), QStringLiteral("File;c:\\WINDOWS\\demodrop32.dll\r\n"));

    const Result kept = scan({QStringLiteral("--format"), QStringLiteral("tsv"), QStringLiteral("--no-ignore")});
    EXPECT_TRUE(kept.out.contains(QStringLiteral("C:\\windows\\demodrop32.dll")));
}

TEST_F(DemoScan, RemoveQuarantinesEndsTheProgramAndLeavesNothing)
{
    const Result removed = scan({QStringLiteral("--format"), QStringLiteral("tsv"), QStringLiteral("--remove")});
    EXPECT_EQ(removed.exitCode, 0) << removed.out.toStdString() << removed.err.toStdString();
    const QStringList lines = removed.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    for (const QString& line : lines) {
        const QStringList f = line.split(QLatin1Char('\t'));
        ASSERT_EQ(f.size(), 7) << line.toStdString();
        const QString expected = (f[1] == QLatin1String("File") ? QStringLiteral("Quarantined - ")
                                                                : QStringLiteral("Removed - ")) +
                                 f[0];
        EXPECT_EQ(f[6], expected) << line.toStdString();
    }

    EXPECT_TRUE(waiterEnded());
    EXPECT_FALSE(QFileInfo::exists(host(QStringLiteral("demo/demoproc.exe"))));
    EXPECT_FALSE(QFileInfo::exists(host(QStringLiteral("windows/demodrop32.dll"))));
    EXPECT_FALSE(QFileInfo::exists(host(QStringLiteral("Program Files/DemoAdsSuite"))));
    EXPECT_FALSE(QFileInfo::exists(host(QStringLiteral("users/demo/AppData/Local/Microsoft/Windows/INetCookies/demo@demo-tracker.example[1].txt"))));
    // Look-alikes stay.
    EXPECT_TRUE(QFileInfo::exists(host(QStringLiteral("windows/system32/demodrop32.dll"))));
    EXPECT_TRUE(QFileInfo::exists(host(QStringLiteral("Program Files/AdsDemoSuite/ads.cfg"))));
    EXPECT_TRUE(QFileInfo::exists(host(QStringLiteral("users/demo/AppData/Local/Microsoft/Windows/INetCookies/demo@news.example[1].txt"))));
    const QString userReg = readText(prefix + QStringLiteral("/user.reg"));
    EXPECT_FALSE(userReg.contains(QStringLiteral("[Software\\\\DemoTrace]")));
    EXPECT_TRUE(userReg.contains(QStringLiteral("[Software\\\\DemoTraceless]")));
    EXPECT_TRUE(userReg.contains(QStringLiteral("\"Start Page\"=\"about:blank\"")));

    // Every removed file has its quarantine copy, and the scan log lists every row.
    const QStringList objects =
        QDir(program + QStringLiteral("/Quarantine Zone")).entryList(QDir::Files);
    EXPECT_TRUE(objects.contains(QStringLiteral("info.db")));
    EXPECT_GE(objects.size(), 1 + 10); // the index and one archive per quarantined file
    const QStringList logs = QDir(program + QStringLiteral("/log/Scan")).entryList(QDir::Files);
    ASSERT_EQ(logs.size(), 1);
    EXPECT_TRUE(logs[0].contains(QRegularExpression(QStringLiteral("^\\d{4}-\\d{2}-\\d{2} \\d{1,2}-\\d{1,2}-\\d{1,2}\\.log$"))));
    const QString log = readText(program + QStringLiteral("/log/Scan/") + logs[0]);
    EXPECT_EQ(log.count(QStringLiteral("\r\n")), 8 + lines.size());

    const Result again = scan({QStringLiteral("--format"), QStringLiteral("tsv")});
    EXPECT_EQ(again.exitCode, 0) << again.out.toStdString();
    EXPECT_TRUE(again.out.isEmpty());
}

TEST_F(DemoScan, MissingOrDamagedAdditionDefEndsWithItsName)
{
    QFile::remove(program + QStringLiteral("/Addition.def"));
    const Result missing = scan({});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_TRUE(missing.out.isEmpty());
    EXPECT_EQ(missing.err.count(QLatin1Char('\n')), 1) << missing.err.toStdString();
    EXPECT_TRUE(missing.err.contains(QStringLiteral("Addition.def"))) << missing.err.toStdString();

    QFile damaged(program + QStringLiteral("/Addition.def"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray(300, 'x'));
    damaged.close();
    const Result corrupt = scan({});
    EXPECT_EQ(corrupt.exitCode, 2);
    EXPECT_EQ(corrupt.err.count(QLatin1Char('\n')), 1) << corrupt.err.toStdString();
    EXPECT_TRUE(corrupt.err.contains(QStringLiteral("Addition.def"))) << corrupt.err.toStdString();
}

TEST_F(DemoScan, CustomAndOneTargetScans)
{
    // A host folder turned into its Windows form: only Unwanted Programs runs.
    const Result custom = scan({QStringLiteral("--format"), QStringLiteral("tsv"),
                                host(QStringLiteral("Program Files/DemoTools"))});
    EXPECT_EQ(custom.exitCode, 1) << custom.err.toStdString();
    EXPECT_EQ(rowsOf(custom.out),
              (QStringList{QStringLiteral("10-2 File C:\\Program Files\\DemoTools\\demohash.exe"),
                           QStringLiteral("11-2 File C:\\Program Files\\DemoTools\\demobytes.exe"),
                           QStringLiteral("12-1 File C:\\Program Files\\DemoTools\\demobytes2.exe"),
                           QStringLiteral("8-2 File C:\\Program Files\\DemoTools\\bin\\demover.exe"),
                           QStringLiteral("8-3 File C:\\Program Files\\DemoTools\\demoupdate.exe")}));

    const Result one = scan({QStringLiteral("--format"), QStringLiteral("tsv"), QStringLiteral("--one"),
                             QStringLiteral("C:\\Program Files\\DemoTools\\demobytes.exe")});
    EXPECT_EQ(one.exitCode, 1) << one.err.toStdString();
    EXPECT_EQ(rowsOf(one.out),
              QStringList{QStringLiteral("11-2 File C:\\Program Files\\DemoTools\\demobytes.exe")});

    const Result clean = scan({QStringLiteral("--one"), QStringLiteral("C:\\Program Files\\DemoTools\\cleanver.exe")});
    EXPECT_EQ(clean.exitCode, 0) << clean.err.toStdString();
}

TEST(ScanCommand, BadOptionsEndWithStatusTwo)
{
    for (const QStringList& args : {QStringList{QStringLiteral("--format"), QStringLiteral("xml")},
                                    QStringList{QStringLiteral("--areas"), QStringLiteral("12")},
                                    QStringList{QStringLiteral("--frobnicate")}}) {
        QProcess process;
        process.start(QStringLiteral(VERIDON_SCAN_EXE), args);
        ASSERT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitCode(), 2) << args.join(' ').toStdString();
        EXPECT_EQ(QString::fromUtf8(process.readAllStandardError()).count(QLatin1Char('\n')), 1);
    }
}
