#include "remedy/StandardRemoval.h"
#include "remedy/ThreatRemover.h"

#include "engine/ScanHost.h"
#include "platform/ProcessTable.h"
#include "store/QuarantineStore.h"
#include "support/FixturePrefix.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace veridon;
using veridon::test::FixturePrefix;
using veridon::test::TempDir;

namespace {

// The window of these tests: it keeps what removal told it.
class RecordingRemovalHost : public RemovalHost
{
public:
    explicit RecordingRemovalHost(std::size_t rows) : captions(rows), images(rows, -1) {}

    std::vector<QString> captions;
    std::vector<int> images;
    std::vector<std::pair<int, int>> progress;
    std::vector<std::pair<int, int>> commands;
    QString status;

    void setStatus(const QString& text) override { status = text; }
    void setProgress(int position, int maximum) override { progress.emplace_back(position, maximum); }
    void setCaption(std::size_t row, const QString& caption) override { captions.at(row) = caption; }
    void setImageIndex(std::size_t row, int imageIndex) override { images.at(row) = imageIndex; }
    void postCommand(int code, int param) override { commands.emplace_back(code, param); }
};

ResultRow row(const QString& name, const QString& type, const QString& object,
              const QString& extra = {}, bool checked = true)
{
    ResultRow r;
    r.record = {name, type, object, extra, QStringLiteral("9-1"), 2};
    r.caption = name;
    r.imageIndex = 2;
    r.checked = checked;
    return r;
}

class ThreatRemoverTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        prefix.addStandardLayout();
        environment = prefix.open();
        useServices();
    }

    void useServices()
    {
        services = standardRemovalServices(*environment);
        services.progressPause = [this](int ms) { pauses.push_back(ms); };
    }

    QString quarantineFolder() const { return QuarantineStore::folderOf(program.path()); }
    std::vector<QuarantineEntry> quarantined()
    {
        return QuarantineStore(quarantineFolder(), *environment).List();
    }

    ThreatRemover remover(RemovalHost& host, bool withQuarantine = true)
    {
        ThreatRemover::Parameters p;
        p.quarantineFolder = withQuarantine ? quarantineFolder() : QStringLiteral("  ");
        p.removedImageIndex = 0;
        p.statusText = QStringLiteral("Removing");
        return ThreatRemover(*environment, services, host, p);
    }

    bool exists(const QString& windowsPath) { return environment->files().exists(windowsPath); }

    FixturePrefix prefix;
    TempDir program;
    std::unique_ptr<Environment> environment;
    RemovalServices services;
    std::vector<int> pauses;
};

} // namespace

TEST_F(ThreatRemoverTest, FilesAreQuarantinedReadOnlyClearedAndDeleted)
{
    const QString hostFile = prefix.addFile(QStringLiteral("C:\\evil\\a.exe"), "MZ evil");
    QFile::setPermissions(hostFile, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    prefix.addFile(QStringLiteral("C:\\evil\\kept.exe"), "MZ not ticked");
    const std::vector<ResultRow> rows{
        row(QStringLiteral("Trojan.A"), QStringLiteral("File"), QStringLiteral("C:\\evil\\a.exe")),
        row(QStringLiteral("Trojan.K"), QStringLiteral("File"), QStringLiteral("C:\\evil\\kept.exe"),
            {}, false),
        row(QStringLiteral("Trojan.Gone"), QStringLiteral("File"), QStringLiteral("C:\\evil\\never.exe")),
    };
    RecordingRemovalHost host(rows.size());
    ThreatRemover r = remover(host);
    r.run(rows);

    EXPECT_FALSE(exists(QStringLiteral("C:\\evil\\a.exe")));
    EXPECT_TRUE(exists(QStringLiteral("C:\\evil\\kept.exe")));
    const auto entries = quarantined();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].path, QStringLiteral("C:\\evil\\a.exe"));
    EXPECT_EQ(entries[0].virusName, QStringLiteral("Trojan.A"));
    EXPECT_TRUE(QFileInfo::exists(QuarantineStore(quarantineFolder(), *environment).objectPath(entries[0].id)));

    EXPECT_EQ(host.captions[0], QStringLiteral("Quarantined - Trojan.A"));
    EXPECT_EQ(host.captions[1], QString()); // unticked: untouched
    EXPECT_EQ(host.captions[2], QStringLiteral("Removed - Trojan.Gone"));
    EXPECT_EQ(host.images, (std::vector<int>{0, -1, 0}));
    EXPECT_TRUE(r.remainingRows().empty());
    EXPECT_EQ(host.commands, (std::vector<std::pair<int, int>>{{1, 0}}));
    EXPECT_EQ(host.status, QStringLiteral("Removing"));
}

TEST_F(ThreatRemoverTest, WithoutQuarantineFolderNothingIsCopiedAndAFailedCopyStillDeletes)
{
    prefix.addFile(QStringLiteral("C:\\evil\\b.exe"), "MZ");
    {
        const std::vector<ResultRow> rows{
            row(QStringLiteral("Trojan.B"), QStringLiteral("File"), QStringLiteral("C:\\evil\\b.exe"))};
        RecordingRemovalHost host(rows.size());
        remover(host, false).run(rows);
        EXPECT_FALSE(QFileInfo::exists(quarantineFolder()));
        EXPECT_EQ(host.captions[0], QStringLiteral("Removed - Trojan.B"));
        EXPECT_FALSE(exists(QStringLiteral("C:\\evil\\b.exe")));
    }
    prefix.addFile(QStringLiteral("C:\\evil\\c.exe"), "MZ");
    // A quarantine folder that cannot be made (a file is in its place).
    test::TempDir blocked;
    blocked.write(QStringLiteral("Quarantine Zone"), "not a folder");
    const std::vector<ResultRow> rows{
        row(QStringLiteral("Trojan.C"), QStringLiteral("File"), QStringLiteral("C:\\evil\\c.exe"))};
    RecordingRemovalHost host(rows.size());
    ThreatRemover::Parameters p;
    p.quarantineFolder = QuarantineStore::folderOf(blocked.path());
    ThreatRemover(*environment, services, host, p).run(rows);
    EXPECT_FALSE(exists(QStringLiteral("C:\\evil\\c.exe")));
    // No copy was made, so the caption does not claim one.
    EXPECT_EQ(host.captions[0], QStringLiteral("Removed - Trojan.C"));
}

TEST_F(ThreatRemoverTest, RegistryKeysValuesAndHijackedData)
{
    prefix.addRegistryText(QStringLiteral(R"(
[HKLM\Software\Run]
"x"="evil.exe"
"y"="good.exe"
[HKCU\Software\EvilCorp\Sub]
"a"="1"
[HKCU\Software\Main]
"Start Page"="http://bad.example/"
"NoTaskMgr"=dword:00000001
"Other"=dword:00000001
)"));
    environment = prefix.open();
    useServices();
    const std::vector<ResultRow> rows{
        row(QStringLiteral("V"), QStringLiteral("Registry Value"),
            QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Run Value=x")),
        row(QStringLiteral("K"), QStringLiteral("Registry Key"),
            QStringLiteral("HKEY_CURRENT_USER\\Software\\EvilCorp")),
        row(QStringLiteral("S"), QStringLiteral("Registry Data"),
            QStringLiteral("HKEY_CURRENT_USER\\Software\\Main Value=Start Page"),
            QStringLiteral("http://bad.example/^about:blank")),
        row(QStringLiteral("D"), QStringLiteral("Registry Data"),
            QStringLiteral("HKEY_CURRENT_USER\\Software\\Main Value=NoTaskMgr"), QStringLiteral("1|0")),
        row(QStringLiteral("N"), QStringLiteral("Registry Data"),
            QStringLiteral("HKEY_CURRENT_USER\\Software\\Main Value=Other"), QStringLiteral("1|zero")),
        row(QStringLiteral("R"), QStringLiteral("Registry Key"), QStringLiteral("HKEY_CURRENT_USER")),
    };
    RecordingRemovalHost host(rows.size());
    ThreatRemover r = remover(host);
    r.run(rows);

    Registry& reg = environment->registry();
    EXPECT_FALSE(reg.value(RegRoot::LocalMachine, QStringLiteral("Software\\Run"), QStringLiteral("x")));
    EXPECT_TRUE(reg.value(RegRoot::LocalMachine, QStringLiteral("Software\\Run"), QStringLiteral("y")));
    EXPECT_TRUE(reg.keyExists(RegRoot::LocalMachine, QStringLiteral("Software\\Run")));
    EXPECT_FALSE(reg.keyExists(RegRoot::CurrentUser, QStringLiteral("Software\\EvilCorp")));
    EXPECT_EQ(reg.readString(RegRoot::CurrentUser, QStringLiteral("Software\\Main"),
                             QStringLiteral("Start Page")),
              QStringLiteral("about:blank"));
    EXPECT_EQ(reg.readDword(RegRoot::CurrentUser, QStringLiteral("Software\\Main"),
                            QStringLiteral("NoTaskMgr")),
              0u);
    EXPECT_EQ(reg.readDword(RegRoot::CurrentUser, QStringLiteral("Software\\Main"),
                            QStringLiteral("Other")),
              1u);
    // A whole hive is never deleted.
    EXPECT_TRUE(reg.keyExists(RegRoot::CurrentUser, QStringLiteral("Software\\Main")));
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(host.captions[i], QStringLiteral("Removed - ") + rows[i].record.threatName);
    // The rows that failed keep their image and are reported as remaining.
    EXPECT_EQ(r.remainingRows(), (std::vector<std::size_t>{4, 5}));
    EXPECT_EQ(host.images, (std::vector<int>{0, 0, 0, 0, -1, -1}));
}

TEST_F(ThreatRemoverTest, FoldersGoLastDepthFirstAndLinksAreRemovedAsLinks)
{
    TempDir outside;
    const QString target = outside.write(QStringLiteral("keep/precious.txt"), "keep me");
    prefix.addFile(QStringLiteral("C:\\ads\\one\\a.dat"), "a");
    prefix.addFile(QStringLiteral("C:\\ads\\one\\deep\\b.dat"), "b");
    prefix.addFile(QStringLiteral("C:\\ads\\two\\c.dat"), "c");
    const QString linkInside = prefix.hostPath(QStringLiteral("C:\\ads\\one\\outside"));
    ASSERT_EQ(::symlink(QFile::encodeName(outside.file(QStringLiteral("keep"))).constData(),
                        QFile::encodeName(linkInside).constData()),
              0);
    const QString linkedFile = prefix.hostPath(QStringLiteral("C:\\ads\\one\\file-link.txt"));
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(linkedFile).constData()),
              0);
    prefix.addFile(QStringLiteral("C:\\ads\\late.exe"), "MZ");

    std::vector<QString> order;
    services.quarantine = [&order, quarantine = services.quarantine](
                              const QString& folder, const QString& path, const QString& name) {
        order.push_back(name + QLatin1Char(':') + path);
        quarantine(folder, path, name);
    };
    const std::vector<ResultRow> rows{
        row(QStringLiteral("F1"), QStringLiteral("Folder"), QStringLiteral("C:\\ads\\one")),
        row(QStringLiteral("F2"), QStringLiteral("Folder"), QStringLiteral("C:\\ads\\two")),
        row(QStringLiteral("L"), QStringLiteral("File"), QStringLiteral("C:\\ads\\late.exe")),
    };
    RecordingRemovalHost host(rows.size());
    ThreatRemover r = remover(host);
    r.run(rows);

    EXPECT_FALSE(exists(QStringLiteral("C:\\ads\\one")));
    EXPECT_FALSE(exists(QStringLiteral("C:\\ads\\two")));
    EXPECT_TRUE(exists(QStringLiteral("C:\\ads")));
    EXPECT_EQ(test::readAll(target), QByteArray("keep me"));
    EXPECT_TRUE(QFileInfo::exists(outside.file(QStringLiteral("keep"))));
    // The file row went first although it came last; folder files carry the
    // folder's threat name; linked content is never copied.
    ASSERT_GE(order.size(), 4u);
    EXPECT_EQ(order[0], QStringLiteral("L:C:\\ads\\late.exe"));
    QStringList rest;
    for (std::size_t i = 1; i < order.size(); ++i)
        rest.append(order[i]);
    rest.sort(Qt::CaseInsensitive);
    EXPECT_EQ(rest, (QStringList{QStringLiteral("F1:C:\\ads\\one\\a.dat"),
                                 QStringLiteral("F1:C:\\ads\\one\\deep\\b.dat"),
                                 QStringLiteral("F2:C:\\ads\\two\\c.dat")}));
    EXPECT_EQ(quarantined().size(), 4u);
    EXPECT_EQ(host.images, (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(host.captions[0], QStringLiteral("Removed - F1"));
    EXPECT_TRUE(r.remainingRows().empty());
}

TEST_F(ThreatRemoverTest, RunningProgramIsEndedAndItsFileDeleted)
{
    const QString sleepBinary = QStandardPaths::findExecutable(QStringLiteral("sleep"));
    ASSERT_FALSE(sleepBinary.isEmpty());
    const QString host = prefix.hostPath(QStringLiteral("C:\\run\\sleeper.exe"));
    QDir().mkpath(QFileInfo(host).absolutePath());
    ASSERT_TRUE(QFile::copy(sleepBinary, host));
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::execl(QFile::encodeName(host).constData(), "sleeper.exe", "60", nullptr);
        ::_exit(127);
    }
    // Wait until the program runs from its file.
    for (int i = 0; i < 200 && QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget() != host; ++i)
        ::usleep(10000);
    ASSERT_EQ(QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget(), host);
    const QString object = environment->files().toWindowsPath(host);
    ASSERT_FALSE(object.isEmpty());

    const std::vector<ResultRow> rows{
        row(QStringLiteral("Trojan.Sleeper"), QStringLiteral("Memory Process"), object)};
    RecordingRemovalHost recording(rows.size());
    ThreatRemover r = remover(recording);
    r.run(rows);

    int status = 0;
    pid_t ended = 0;
    for (int i = 0; i < 300 && ended == 0; ++i) {
        ended = ::waitpid(pid, &status, WNOHANG);
        if (ended == 0)
            ::usleep(10000);
    }
    if (ended != pid) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    EXPECT_EQ(ended, pid);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_FALSE(QFileInfo::exists(host));
    EXPECT_EQ(recording.captions[0], QStringLiteral("Quarantined - Trojan.Sleeper"));
    EXPECT_TRUE(r.remainingRows().empty());
}

TEST_F(ThreatRemoverTest, ProgressRunsThroughItsStepsAndEndsFull)
{
    std::vector<ResultRow> rows;
    for (int i = 0; i < 10; ++i)
        rows.push_back(row(QStringLiteral("T%1").arg(i), QStringLiteral("Other"), QStringLiteral("x%1").arg(i)));
    RecordingRemovalHost host(rows.size());
    remover(host).run(rows);
    // n = 10: maximum 10 + Round(5.5) + 100 = 116; 100 single steps first.
    ASSERT_GE(host.progress.size(), 101u);
    EXPECT_EQ(host.progress[0], std::make_pair(0, 116));
    EXPECT_EQ(host.progress[100], std::make_pair(100, 116));
    EXPECT_EQ(host.progress.back(), std::make_pair(100, 100));
    // Row 9: 100 + 9 * 10 / 115.
    EXPECT_EQ(host.progress[host.progress.size() - 2], std::make_pair(100, 116));
    EXPECT_EQ(std::count(pauses.begin(), pauses.end(), 20), 100);
    EXPECT_EQ(std::count(pauses.begin(), pauses.end(), 10), 10);
    for (const QString& caption : host.captions)
        EXPECT_TRUE(caption.startsWith(QStringLiteral("Removed - T")));
}
