#include "platform/Environment.h"
#include "platform/ProcessTable.h"
#include "platform/RestartActions.h"
#include "support/PeWriter.h"
#include "support/QtPrinting.h"
#include "support/RealWinePrefix.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

using namespace veridon;
using veridon::test::RealWinePrefix;

// The services against Wine itself: a program Wine runs, and the restart actions
// Wine carries out when the prefix starts again. One prefix for the suite.
class RealWineServices : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (RealWinePrefix::wineInstalled())
            s_prefix = std::make_unique<RealWinePrefix>();
    }
    static void TearDownTestSuite() { s_prefix.reset(); }
    void SetUp() override
    {
        if (!RealWinePrefix::wineInstalled())
            GTEST_SKIP() << "wine is not installed";
        ASSERT_TRUE(s_prefix->isReady()) << "wineboot failed";
    }
    static QString driveC(const QString& relative)
    {
        return s_prefix->path() + QStringLiteral("/drive_c/") + relative;
    }

    static std::unique_ptr<RealWinePrefix> s_prefix;
};

std::unique_ptr<RealWinePrefix> RealWineServices::s_prefix;

TEST_F(RealWineServices, SeesAWineProgramByItsWindowsPathAndEndsIt)
{
    // A program that only loops, under a name no other process has.
    const QString name = QStringLiteral("spin%1.exe").arg(QCoreApplication::applicationPid());
    test::PeDescription description;
    description.is64 = true;
    {
        QFile image(driveC(name));
        ASSERT_TRUE(image.open(QIODevice::WriteOnly));
        image.write(test::writePe(description).bytes);
    }
    QProcess wine;
    wine.setProcessEnvironment(s_prefix->environment());
    wine.start(QStringLiteral("wine"), {QStringLiteral("C:\\") + name});
    ASSERT_TRUE(wine.waitForStarted());

    const std::unique_ptr<ProcessTable> processes = createProcessTable();
    std::optional<ProcessEntry> found;
    for (int attempt = 0; attempt < 300 && !found; ++attempt) {
        for (const ProcessEntry& entry : processes->snapshot())
            if (entry.exeName == name)
                found = entry;
        if (!found)
            QThread::msleep(100);
    }
    ASSERT_TRUE(found) << "the program did not show up";
    EXPECT_EQ(found->imagePath, QStringLiteral("C:\\") + name);

    EXPECT_TRUE(TerminateProcessByName(*processes, name));
    EXPECT_TRUE(wine.waitForFinished(20000));
    s_prefix->stopServer();
}

TEST_F(RealWineServices, WineCarriesOutPendingDeletesAndMoves)
{
    s_prefix->stopServer(); // registry files are written only while Wine is down
    auto write = [](const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    write(driveC("victim.txt"), "to be deleted");
    write(driveC("newer.txt"), "new content");
    write(driveC("target.txt"), "old content");
    {
        const auto env = Environment::open(s_prefix->path());
        ASSERT_TRUE(ReplaceAtRestart(env->registry(), "C:\\victim.txt", {}, RestartMode::Delete));
        ASSERT_TRUE(ReplaceAtRestart(env->registry(), "C:\\newer.txt", "C:\\target.txt", RestartMode::Move));
    }
    EXPECT_EQ(s_prefix->runWine({QStringLiteral("wineboot"), QStringLiteral("-r")}), 0);
    s_prefix->stopServer();

    EXPECT_FALSE(QFile::exists(driveC("victim.txt")));
    EXPECT_FALSE(QFile::exists(driveC("newer.txt")));
    EXPECT_EQ(test::readAll(driveC("target.txt")), "new content");
    const auto env = Environment::open(s_prefix->path());
    EXPECT_FALSE(env->registry().value(RegRoot::LocalMachine, QString::fromUtf16(kSessionManagerKey),
                                       QString::fromUtf16(kPendingRenames)));
}
