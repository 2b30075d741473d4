#include "engine/FolderWalk.h"
#include "engine/TFileSearch.h"
#include "support/FixturePrefix.h"

#include <QFile>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace veridon;
using veridon::test::FixturePrefix;

namespace {

class FolderSearch : public ::testing::Test
{
protected:
    FolderSearch()
    {
        prefix.addFile(QStringLiteral("C:\\root\\a.exe"), "1");
        prefix.addFile(QStringLiteral("C:\\root\\B.EXE"), "12");
        prefix.addFile(QStringLiteral("C:\\root\\noext"), "123");
        prefix.addFile(QStringLiteral("C:\\root\\one\\c.exe"), "1234");
        prefix.addFile(QStringLiteral("C:\\root\\one\\deep\\d.exe"), "12345");
        prefix.addFile(QStringLiteral("C:\\root\\two\\e.txt"), "123456");
        prefix.addFolder(QStringLiteral("C:\\root\\two\\one"));
        env = prefix.open();
    }

    // Runs a search and returns "Path+Name" of every found item, in order.
    QStringList run(TFileSearch& search)
    {
        QStringList found;
        search.OnFound = [&](const TFileInformations& item) { found.append(item.Path + item.Name); };
        search.OnFinished = [&](const TSearchStatistics& statistics) { stats = statistics; ++finished; };
        search.Execute();
        return found;
    }

    TFileSearch make(const char* root, quint8 bits, QStringList masks)
    {
        TFileSearch search(env->files());
        search.RootPath = QString::fromLatin1(root);
        search.IncludeBits = bits;
        search.FileNames = std::move(masks);
        return search;
    }

    FixturePrefix prefix;
    std::unique_ptr<Environment> env;
    TSearchStatistics stats;
    int finished = 0;
};

[[maybe_unused]] QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

} // namespace

TEST_F(FolderSearch, ExcludedMasksSizeFilterAndAcceptCallback)
{
    TFileSearch search = make("C:\\root", 65, {QStringLiteral("*")});
    search.ExcludedFiles = {QStringLiteral("*.TXT"), QStringLiteral("b.*")};
    EXPECT_EQ(sorted(run(search)),
              (QStringList{QStringLiteral("C:\\root\\a.exe"), QStringLiteral("C:\\root\\noext"),
                           QStringLiteral("C:\\root\\one\\c.exe"), QStringLiteral("C:\\root\\one\\deep\\d.exe")}));

    TFileSearch small = make("C:\\root", 65, {QStringLiteral("*")});
    small.SizeFilter = true;
    small.SizeFilterMode = 0;
    small.SizeLimit = 2;
    EXPECT_EQ(sorted(run(small)), (QStringList{QStringLiteral("C:\\root\\B.EXE"), QStringLiteral("C:\\root\\a.exe")}));
    TFileSearch large = make("C:\\root", 65, {QStringLiteral("*")});
    large.SizeFilter = true;
    large.SizeFilterMode = 1;
    large.SizeLimit = 5;
    EXPECT_EQ(sorted(run(large)),
              (QStringList{QStringLiteral("C:\\root\\one\\deep\\d.exe"), QStringLiteral("C:\\root\\two\\e.txt")}));
    TFileSearch badMode = make("C:\\root", 65, {QStringLiteral("*")});
    badMode.SizeFilter = true;
    badMode.SizeFilterMode = 2;
    EXPECT_TRUE(run(badMode).isEmpty());

    TFileSearch accept = make("C:\\root", 65, {QStringLiteral("*.exe")});
    accept.OnAccept = [](const TFileInformations& item) {
        if (item.Name == QLatin1String("c.exe"))
            throw std::runtime_error("one bad entry");
        return item.Size >= 2;
    };
    EXPECT_EQ(sorted(run(accept)),
              (QStringList{QStringLiteral("C:\\root\\B.EXE"), QStringLiteral("C:\\root\\one\\deep\\d.exe")}));
}

TEST_F(FolderSearch, StopFromTheFoundCallback)
{
    TFileSearch search = make("C:\\root", 65, {QStringLiteral("*")});
    QStringList found;
    search.OnFound = [&](const TFileInformations& item) {
        found.append(item.Name);
        search.Stop();
    };
    search.OnFinished = [&](const TSearchStatistics&) { ++finished; };
    EXPECT_TRUE(search.Execute());
    EXPECT_EQ(found.size(), 1);
    EXPECT_EQ(finished, 1);
    // The flag is cleared by the next run.
    found.clear();
    search.OnFound = [&](const TFileInformations& item) { found.append(item.Name); };
    search.Execute();
    EXPECT_EQ(found.size(), 6);
}

TEST_F(FolderSearch, FolderChangesAndLinkedFoldersNotEntered)
{
    test::TempDir outside;
    outside.write(QStringLiteral("elsewhere.exe"), "x");
    const QString linkHost = prefix.hostPath(QStringLiteral("C:\\root\\linked"));
    ASSERT_EQ(::symlink(QFile::encodeName(outside.path()).constData(), QFile::encodeName(linkHost).constData()), 0);
    ASSERT_EQ(::symlink("..", QFile::encodeName(prefix.hostPath(QStringLiteral("C:\\root\\one\\up"))).constData()), 0);
    TFileSearch search = make("C:\\root", 81, {QStringLiteral("*")});
    QStringList folders;
    search.OnFolderChange = [&](const QString& folder) { folders.append(folder); };
    const QStringList found = run(search);
    EXPECT_TRUE(found.contains(QStringLiteral("C:\\root\\linked")));
    EXPECT_TRUE(found.contains(QStringLiteral("C:\\root\\one\\up")));
    EXPECT_FALSE(found.contains(QStringLiteral("C:\\root\\linked\\elsewhere.exe")));
    EXPECT_EQ(folders.first(), QStringLiteral("C:\\root"));
    EXPECT_FALSE(folders.contains(QStringLiteral("C:\\root\\linked")));
    EXPECT_EQ(folders.size(), 5);

    TFileSearch missing = make("C:\\nowhere", 81, {QStringLiteral("*")});
    EXPECT_TRUE(run(missing).isEmpty());
    EXPECT_EQ(finished, 2);
}

// Folders larger than one listing part and a look-ahead that spans folders.
TEST(FolderSearchAhead, SeesEveryItemBeforeItIsReportedAndInTheSameOrder)
{
    FixturePrefix prefix;
    const int bigCount = int(FolderWalk::kPartSize) * 2 + 7;
    for (int i = 0; i < bigCount; ++i)
        prefix.addFile(QStringLiteral("C:\\tree\\big\\f%1.dat").arg(i), "x");
    for (int folder = 0; folder < 30; ++folder)
        for (int i = 0; i < 20; ++i)
            prefix.addFile(QStringLiteral("C:\\tree\\small%1\\g%2.dat").arg(folder).arg(i), "x");
    const std::unique_ptr<Environment> env = prefix.open();

    TFileSearch search(env->files());
    search.RootPath = QStringLiteral("C:\\tree");
    search.IncludeBits = Include::Recursive | Include::PlainFiles;
    QStringList announced;
    QStringList reported;
    qsizetype mostAhead = 0;
    search.OnFoundAhead = [&](const TFileInformations& item) {
        announced.append(item.Path + item.Name);
    };
    search.OnFound = [&](const TFileInformations& item) {
        reported.append(item.Path + item.Name);
        // Announced first, and never more than the look-ahead in front.
        ASSERT_GE(announced.size(), reported.size());
        EXPECT_EQ(announced[reported.size() - 1], reported.last());
        mostAhead = std::max(mostAhead, announced.size() - reported.size());
    };
    search.Execute();
    EXPECT_EQ(reported.size(), bigCount + 30 * 20);
    EXPECT_EQ(announced, reported);
    EXPECT_LE(mostAhead, TFileSearch::kLookAhead);
    // The look-ahead is used, also across folder boundaries.
    EXPECT_GE(mostAhead, TFileSearch::kLookAhead - 1);
    // Folder by folder: each folder's files come together, the big one's
    // parts included.
    QStringList folders;
    for (const QString& path : reported) {
        const QString folder = path.left(path.lastIndexOf(QLatin1Char('\\')));
        if (folders.isEmpty() || folders.last() != folder)
            folders.append(folder);
    }
    EXPECT_EQ(folders.size(), 31);

    // A stop ends the reports at once, whatever was announced.
    reported.clear();
    search.OnFound = [&](const TFileInformations& item) {
        reported.append(item.Name);
        if (reported.size() == 3)
            search.Stop();
    };
    search.Execute();
    EXPECT_EQ(reported.size(), 3);
}
