#include "support/QtPrinting.h"

#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

// The scanner lists itself among the running processes, named and with its image
// as a Z: path.
TEST(PsCommand, ListsItselfWithItsImagePath)
{
    QProcess scan;
    scan.start(VERIDON_SCAN_EXE, {"ps"});
    ASSERT_TRUE(scan.waitForStarted());
    const QString own = QString::number(scan.processId());
    ASSERT_TRUE(scan.waitForFinished(30000));
    ASSERT_EQ(scan.exitCode(), 0) << scan.readAllStandardError().toStdString();
    const QStringList lines = QString::fromLocal8Bit(scan.readAllStandardOutput()).split('\n');
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines[0].contains("PID") && lines[0].contains("IMAGE"));
    QString image = "Z:" + QFileInfo(VERIDON_SCAN_EXE).canonicalFilePath();
    image.replace('/', '\\');
    bool found = false;
    for (const QString& line : lines) {
        const QStringList fields = line.simplified().split(' ');
        if (fields.size() >= 3 && fields[0] == own) {
            found = true;
            EXPECT_EQ(fields[1], "veridon-scan");
            EXPECT_EQ(line.section("veridon-scan", 1).trimmed(), image);
        }
    }
    EXPECT_TRUE(found) << "pid " << own.toStdString();
}

TEST(PsCommand, RejectsArguments)
{
    QProcess scan;
    scan.start(VERIDON_SCAN_EXE, {"ps", "extra"});
    ASSERT_TRUE(scan.waitForFinished(30000));
    EXPECT_NE(scan.exitCode(), 0);
}
