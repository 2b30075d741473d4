#include "platform/posix/ProcSystemFigures.h"
#include "support/TempDir.h"

#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace veridon;
using namespace veridon::test;

namespace {

QByteArray stat(std::initializer_list<const char*> processors)
{
    QByteArray text = "cpu  999 0 999 999 0 0 0 0 0 0\n";
    int index = 0;
    for (const char* fields : processors)
        text += "cpu" + QByteArray::number(index++) + ' ' + fields + '\n';
    return text + "intr 12345 0 0\nctxt 99\n";
}

} // namespace

TEST(ProcSystemFigures, ProcessorLoadFollowsTheSamplingRule)
{
    TempDir dir;
    const QString path =
        dir.write("stat", stat({"100 0 100 800 0 0 0 0 0 0", "200 0 100 700 0 0 0 0 0 0"}));
    ProcSystemFigures figures(path);
    EXPECT_EQ(figures.GetTotalCpuUsage(), 25); // since start: 20 % and 30 %

    // 200 ticks each, 175 of them idle (I/O wait counts as idle): 12.5 % rounds to even.
    dir.write("stat", stat({"125 0 100 950 25 0 0 0 0 0", "225 0 100 875 0 0 0 0 0 0"}));
    EXPECT_EQ(figures.GetTotalCpuUsage(), 12);
    // No time passed: the previous result again.
    EXPECT_EQ(figures.GetTotalCpuUsage(), 12);
    // 13.5 % rounds up to the even 14: 27 busy ticks of 200 on one processor, 27 on the other.
    dir.write("stat", stat({"152 0 100 1123 25 0 0 0 0 0", "239 0 113 1048 0 0 0 0 0 0"}));
    EXPECT_EQ(figures.GetTotalCpuUsage(), 14);
}

TEST(ProcSystemFigures, UnreadableFiguresRaiseTheFixedTexts)
{
    TempDir dir;
    struct Case
    {
        QByteArray content;
        const char* message;
    };
    const Case cases[] = {
        {"cpu  1 2 3 4 5 6 7 8\n", "Unable to locate the \"Processor\" performance object"},
        {"cpu0 1 2 3\n", "Unable to locate the \"% of CPU usage\" performance counter"},
        {"cpu0 1 2 x 4 5\n", "Unable to locate the \"% of CPU usage\" performance counter"},
    };
    for (const Case& c : cases) {
        ProcSystemFigures figures(dir.write("stat", c.content));
        try {
            figures.GetTotalCpuUsage();
            ADD_FAILURE() << c.content.constData();
        } catch (const CpuUsageError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
    ProcSystemFigures missing(dir.file("missing"));
    EXPECT_THROW(missing.GetTotalCpuUsage(), CpuUsageError);
}

TEST(ProcSystemFigures, ReadsIdleTimeFromAnXDisplay)
{
    if (QStandardPaths::findExecutable("Xvfb").isEmpty())
        GTEST_SKIP() << "Xvfb is not installed";
    QProcess server;
    server.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "64x64x24"});
    ASSERT_TRUE(server.waitForStarted());
    QByteArray number;
    while (!number.contains('\n') && server.waitForReadyRead(10000))
        number += server.readAllStandardOutput();
    ASSERT_FALSE(number.trimmed().isEmpty());
    const QByteArray saved = qgetenv("DISPLAY");
    qputenv("DISPLAY", ":" + number.trimmed());
    const auto idle = ProcSystemFigures().idleMilliseconds();
    qputenv("DISPLAY", saved);
    server.terminate();
    server.waitForFinished();
    ASSERT_TRUE(idle);
    EXPECT_LT(*idle, 10u * 60 * 1000); // a display that just started has not been idle long
}
