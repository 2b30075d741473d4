#include "engine/TSdScanThread.h"
#include "platform/Environment.h"
#include "support/RecordingScanHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>

using namespace veridon;

namespace {

// The thread's own rules need no prefix: the areas here are stand-ins that
// record what they were given.
Environment& noEnvironment()
{
    static const std::unique_ptr<Environment> environment = Environment::openEmpty();
    return *environment;
}

QByteArray emptyMember(const QString& archive, const QString& member)
{
    (void)archive;
    return member == QLatin1String("White.db") ? QByteArray("9-5\n") : QByteArray();
}

struct Fixture
{
    test::RecordingScanHost host;
    QStringList ran;
    std::vector<std::function<void(ScanSession&)>> bodies =
        std::vector<std::function<void(ScanSession&)>>(ScanAreas::kCount);

    ScanAreas areas()
    {
        ScanAreas set;
        for (int k = 0; k < ScanAreas::kCount; ++k)
            set.areas[std::size_t(k)] = [this, k](ScanSession& s) {
                ran.append(QString::number(k + 1));
                if (bodies[std::size_t(k)])
                    bodies[std::size_t(k)](s);
            };
        set.oneTarget = [this](ScanSession&) { ran.append(QStringLiteral("one")); };
        return set;
    }

    std::unique_ptr<TSdScanThread> thread(const QString& areasText,
                                          RunMode mode = RunMode::Scan,
                                          MemberReader reader = emptyMember)
    {
        TSdScanThread::Parameters p;
        p.areasText = areasText;
        p.runMode = mode;
        return std::make_unique<TSdScanThread>(
            host, noEnvironment(), p, areas(), std::move(reader),
            [](const QStringList& lines) { return lines; }, nullptr);
    }

    std::vector<std::pair<int, int>> expectedCommands()
    {
        std::vector<std::pair<int, int>> c;
        for (int k = 0; k < ScanAreas::kCount; ++k)
            c.emplace_back(ScanCommand::kAreaDone, k);
        c.emplace_back(ScanCommand::kScanEnded, 0);
        return c;
    }
};

TEST(TSdScanThread, AreasTextSwitchesOnlyExactOnes)
{
    const auto on = TSdScanThread::parseAreas(QStringLiteral("1x1 10"));
    EXPECT_TRUE(on[0]);
    EXPECT_FALSE(on[1]);
    EXPECT_TRUE(on[2]);
    EXPECT_FALSE(on[3]);
    EXPECT_TRUE(on[4]);
    EXPECT_FALSE(on[5]);
    EXPECT_FALSE(on[8]);
}

TEST(TSdScanThread, RunsEnabledAreasInOrderAndPostsEveryAreaMessage)
{
    Fixture f;
    auto t = f.thread(QStringLiteral("11111111111"));
    t->run();
    EXPECT_EQ(f.ran, QStringList({"1", "2", "3", "4", "5", "6", "7", "8", "9"}));
    EXPECT_EQ(f.host.commands, f.expectedCommands());
    EXPECT_EQ(f.host.areas.first(), "Scan For Running Processes");
    EXPECT_EQ(f.host.areas.last(), "Scan For Unwanted Programs");
    EXPECT_EQ(f.host.positions.back(), 100);
    EXPECT_TRUE(t->failure().isEmpty());

    Fixture custom;
    custom.thread(QStringLiteral("00000000111"))->run();
    EXPECT_EQ(custom.ran, QStringList({"9"}));
    EXPECT_EQ(custom.host.commands, custom.expectedCommands());
}

TEST(TSdScanThread, HandOverDropsDuplicatesAndWhiteListedObjects)
{
    Fixture f;
    f.bodies[1] = [](ScanSession& s) {
        s.handOver(Check::kCriticalArea, 0, "Spy", "File", "C:\\a.exe");
        s.handOver(Check::kHash, 3, "Spy", "File", "C:\\a.exe");
        s.handOver(Check::kHash, 4, "Other", "File", "C:\\b.exe"); // id 9-5 is white-listed
        s.handOver(Check::kTrackingCookie, 0, "Tracking Cookies", "Cookies", "C:\\c.txt", {}, true);
    };
    f.thread(QStringLiteral("01000000000"))->run();
    EXPECT_EQ(f.host.rowTexts(), QStringList({"2-1 File C:\\a.exe", "7-1 Cookies C:\\c.txt"}));
    EXPECT_EQ(f.host.results.rows()[0].imageIndex, 2);
    EXPECT_EQ(f.host.results.rows()[1].imageIndex, 1);
    EXPECT_EQ(f.host.lastInfected, 2);
}

TEST(TSdScanThread, StopSkipsTheRemainingAreasButKeepsTheirMessages)
{
    Fixture f;
    std::unique_ptr<TSdScanThread> t = f.thread(QStringLiteral("111111111"));
    f.bodies[2] = [&](ScanSession&) { t->requestStop(); };
    t->run();
    EXPECT_EQ(f.ran, QStringList({"1", "2", "3"}));
    EXPECT_EQ(f.host.commands, f.expectedCommands());
}

TEST(TSdScanThread, MissingArchiveEndsTheRunBeforeItsFirstArea)
{
    Fixture f;
    auto t = f.thread(QStringLiteral("111111111"), RunMode::Scan,
                      [](const QString& archive, const QString&) -> QByteArray {
                          if (archive == QLatin1String("Addition.def"))
                              throw std::runtime_error("Archive file not found");
                          return {};
                      });
    t->run();
    EXPECT_TRUE(f.ran.isEmpty());
    EXPECT_EQ(f.host.commands, (std::vector<std::pair<int, int>>{{ScanCommand::kScanEnded, 0}}));
    EXPECT_EQ(t->failure(), "Archive file not found");
}

TEST(TSdScanThread, OneTargetRunPostsNoAreaMessages)
{
    Fixture f;
    f.thread(QString(), RunMode::OneTarget)->run();
    EXPECT_EQ(f.ran, QStringList({"one"}));
    EXPECT_EQ(f.host.commands, (std::vector<std::pair<int, int>>{{ScanCommand::kScanEnded, 0}}));
}

TEST(TSdScanThread, PauseHoldsTheThreadAtItsNextPollUntilResumed)
{
    Fixture f;
    std::atomic<int> polled{0};
    std::unique_ptr<TSdScanThread> t = f.thread(QStringLiteral("11"));
    f.bodies[0] = [&](ScanSession& s) {
        for (int i = 0; i < 1000 && !s.stopRequested(); ++i)
            ++polled;
    };
    t->pause();
    t->start();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(polled.load(), 0);
    EXPECT_TRUE(f.ran.isEmpty() || f.ran == QStringList({"1"}));
    t->resume();
    t->wait();
    EXPECT_EQ(polled.load(), 1000);
    EXPECT_EQ(f.ran, QStringList({"1", "2"}));
}

} // namespace
