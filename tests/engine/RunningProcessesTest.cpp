#include "engine/RunningProcesses.h"
#include "platform/FileDigester.h"
#include "support/AreaHarness.h"
#include "support/FixturePrefix.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUuid>

#include <gtest/gtest.h>

using namespace veridon;

namespace {

// A real program running from the fixture's drive: a copy of sleep with a
// unique tail, so that its digest names this copy alone.
struct RunningCopy
{
    QString hostPath;
    QString md5;
    QProcess process;

    RunningCopy(test::FixturePrefix& prefix, const QString& windowsPath)
    {
        QFile sleep(QStringLiteral("/bin/sleep"));
        EXPECT_TRUE(sleep.open(QIODevice::ReadOnly));
        const QByteArray bytes =
            sleep.readAll() + QUuid::createUuid().toByteArray() + QByteArray("veridon test");
        hostPath = prefix.addFile(windowsPath, bytes);
        QFile::setPermissions(hostPath, QFile::permissions(hostPath) | QFile::ExeOwner);
        md5 = QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
        process.start(hostPath, {QStringLiteral("30")});
        EXPECT_TRUE(process.waitForStarted()) << process.errorString().toStdString();
    }
    ~RunningCopy()
    {
        process.kill();
        process.waitForFinished();
    }
};

QString zPath(const QString& hostPath)
{
    return QStringLiteral("Z:") +
           QFileInfo(hostPath).canonicalFilePath().replace(QLatin1Char('/'), QLatin1Char('\\'));
}

struct RunningProcessesArea : ::testing::Test
{
    test::FixturePrefix prefix;
    test::DefinitionTables tables;
};

TEST_F(RunningProcessesArea, ReportsTheFileAndTheProcessOfAListedProgram)
{
    RunningCopy core(prefix, QStringLiteral("C:\\evil\\evilsleep"));
    RunningCopy addition(prefix, QStringLiteral("C:\\evil\\othersleep"));
    tables.setCore(QStringLiteral("Hash.db"),
                   {QStringLiteral("Trojan.Sleeper,") + core.md5.toUpper()});
    // The addition table is looked at only for digests the core table lacks.
    // Its lines are sorted by digest, as the table requires.
    QStringList additionLines{QStringLiteral("Worm.Other,") + addition.md5,
                              QStringLiteral("Trojan.Twice,") + core.md5};
    const bool swap = core.md5 < addition.md5;
    if (swap)
        additionLines.swapItemsAt(0, 1);
    tables.setAddition(QStringLiteral("Hash_Add.db"), additionLines);
    const int otherIndex = swap ? 2 : 1;

    auto environment = prefix.open();
    // A native process's image is named as a path of drive Z:.
    const QString corePath = zPath(core.hostPath);
    const QString additionPath = zPath(addition.hostPath);
    test::AreaHarness harness(*environment, tables);
    scanRunningProcesses(harness.session());

    // Both hand-overs of each process happen; the second has the same object
    // text, so the results list keeps the "File" row.
    QStringList handed = harness.session().handedOverObjects();
    handed.sort();
    QStringList expectedHanded{corePath, corePath, additionPath, additionPath};
    expectedHanded.sort();
    EXPECT_EQ(handed, expectedHanded);
    QStringList rows = harness.rows();
    rows.sort();
    QStringList expectedRows{"9-1 File " + corePath,
                             "10-" + QString::number(otherIndex) + " File " + additionPath};
    expectedRows.sort();
    EXPECT_EQ(rows, expectedRows);
    EXPECT_GE(harness.session().objectsScanned(), 2);
}

TEST_F(RunningProcessesArea, UnlistedProgramsAreNotReported)
{
    RunningCopy clean(prefix, QStringLiteral("C:\\clean\\sleep"));
    tables.setCore(QStringLiteral("Hash.db"),
                   {QStringLiteral("Nothing,00000000000000000000000000000000")});
    auto environment = prefix.open();
    test::AreaHarness harness(*environment, tables);
    scanRunningProcesses(harness.session());
    EXPECT_TRUE(harness.rows().isEmpty());
}

} // namespace
