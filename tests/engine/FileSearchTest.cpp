#include "engine/TEasyFileSearch.h"
#include "support/FixturePrefix.h"

#include <QFile>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace veridon;
using veridon::test::FixturePrefix;

namespace {

class FileSearch : public ::testing::Test
{
protected:
    FileSearch()
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
    QStringList run(TEasyFileSearch& search)
    {
        QStringList found;
        search.OnFound = [&](const TFileInformations& item) { found.append(item.Path + item.Name); };
        search.OnFinished = [&](const TSearchStatistics& statistics) { stats = statistics; ++finished; };
        search.Execute();
        return found;
    }

    TEasyFileSearch make(const char* root, quint8 bits, QStringList masks)
    {
        TEasyFileSearch search(env->files());
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

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

} // namespace

TEST_F(FileSearch, FilesOfTheRootOnly)
{
    TEasyFileSearch search = make("C:\\root", 64, {QStringLiteral("*.exe")});
    EXPECT_EQ(TEasyFileSearch::Version, std::string("TEasyFileSearch v1.02"));
    EXPECT_EQ(sorted(run(search)),
              (QStringList{QStringLiteral("C:\\root\\B.EXE"), QStringLiteral("C:\\root\\a.exe")}));
    EXPECT_EQ(stats.FilesFound, 2);
    EXPECT_EQ(stats.FoldersWithFiles, 1);
    EXPECT_EQ(finished, 1);
}

TEST_F(FileSearch, BreadthFirstWithSubfolders)
{
    TEasyFileSearch search = make("C:\\root\\", 65, {QStringLiteral("*.*")});
    const QStringList found = run(search);
    ASSERT_EQ(found.size(), 5) << found.join(QLatin1Char(' ')).toStdString();
    // Level by level: the root's files, then the first level, then the deeper one.
    EXPECT_EQ(sorted(found.mid(0, 2)),
              (QStringList{QStringLiteral("C:\\root\\B.EXE"), QStringLiteral("C:\\root\\a.exe")}));
    EXPECT_EQ(sorted(found.mid(2, 2)),
              (QStringList{QStringLiteral("C:\\root\\one\\c.exe"), QStringLiteral("C:\\root\\two\\e.txt")}));
    EXPECT_EQ(found[4], QStringLiteral("C:\\root\\one\\deep\\d.exe"));
    EXPECT_EQ(stats.FoldersWithFiles, 4);
}

TEST_F(FileSearch, FoldersOnlyByName)
{
    TEasyFileSearch search = make("C:\\root", 16, {QStringLiteral("ONE")});
    EXPECT_EQ(run(search), QStringList{QStringLiteral("C:\\root\\one")});
    EXPECT_EQ(stats.FoldersFound, 1);
    EXPECT_EQ(stats.FilesFound, 0);
    TEasyFileSearch deep = make("C:\\root", 17, {QStringLiteral("one")});
    EXPECT_EQ(sorted(run(deep)),
              (QStringList{QStringLiteral("C:\\root\\one"), QStringLiteral("C:\\root\\two\\one")}));
}

TEST_F(FileSearch, StarDotStarTakesFoldersButNotFilesWithoutADot)
{
    TEasyFileSearch search = make("C:\\root", 81, {QStringLiteral("*.*")});
    const QStringList found = run(search);
    EXPECT_FALSE(found.contains(QStringLiteral("C:\\root\\noext")));
    for (const char* item : {"C:\\root\\one", "C:\\root\\two", "C:\\root\\one\\deep", "C:\\root\\two\\one",
                             "C:\\root\\a.exe", "C:\\root\\one\\deep\\d.exe"})
        EXPECT_TRUE(found.contains(QString::fromLatin1(item))) << item;
    EXPECT_EQ(found.size(), 9);
}

TEST_F(FileSearch, ExcludedMasksSizeFilterAndAcceptCallback)
{
    TEasyFileSearch search = make("C:\\root", 65, {QStringLiteral("*")});
    search.ExcludedFiles = {QStringLiteral("*.TXT"), QStringLiteral("b.*")};
    EXPECT_EQ(sorted(run(search)),
              (QStringList{QStringLiteral("C:\\root\\a.exe"), QStringLiteral("C:\\root\\noext"),
                           QStringLiteral("C:\\root\\one\\c.exe"), QStringLiteral("C:\\root\\one\\deep\\d.exe")}));

    TEasyFileSearch small = make("C:\\root", 65, {QStringLiteral("*")});
    small.SizeFilterEnabled = true;
    small.SizeFilterMode = 0;
    small.SizeLimit = 2;
    EXPECT_EQ(sorted(run(small)), (QStringList{QStringLiteral("C:\\root\\B.EXE"), QStringLiteral("C:\\root\\a.exe")}));
    TEasyFileSearch large = make("C:\\root", 65, {QStringLiteral("*")});
    large.SizeFilterEnabled = true;
    large.SizeFilterMode = 1;
    large.SizeLimit = 5;
    EXPECT_EQ(sorted(run(large)),
              (QStringList{QStringLiteral("C:\\root\\one\\deep\\d.exe"), QStringLiteral("C:\\root\\two\\e.txt")}));
    TEasyFileSearch badMode = make("C:\\root", 65, {QStringLiteral("*")});
    badMode.SizeFilterEnabled = true;
    badMode.SizeFilterMode = 2;
    EXPECT_TRUE(run(badMode).isEmpty());

    TEasyFileSearch accept = make("C:\\root", 65, {QStringLiteral("*.exe")});
    accept.OnAccept = [](const TFileInformations& item) {
        if (item.Name == QLatin1String("c.exe"))
            throw std::runtime_error("one bad entry");
        return item.Size >= 2;
    };
    EXPECT_EQ(sorted(run(accept)),
              (QStringList{QStringLiteral("C:\\root\\B.EXE"), QStringLiteral("C:\\root\\one\\deep\\d.exe")}));
}

TEST_F(FileSearch, StopFromTheFoundCallback)
{
    TEasyFileSearch search = make("C:\\root", 65, {QStringLiteral("*")});
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

TEST_F(FileSearch, FolderChangesAndLinkedFoldersNotEntered)
{
    test::TempDir outside;
    outside.write(QStringLiteral("elsewhere.exe"), "x");
    const QString linkHost = prefix.hostPath(QStringLiteral("C:\\root\\linked"));
    ASSERT_EQ(::symlink(QFile::encodeName(outside.path()).constData(), QFile::encodeName(linkHost).constData()), 0);
    ASSERT_EQ(::symlink("..", QFile::encodeName(prefix.hostPath(QStringLiteral("C:\\root\\one\\up"))).constData()), 0);
    TEasyFileSearch search = make("C:\\root", 81, {QStringLiteral("*")});
    QStringList folders;
    search.OnChangeFolder = [&](const QString& folder) { folders.append(folder); };
    const QStringList found = run(search);
    EXPECT_TRUE(found.contains(QStringLiteral("C:\\root\\linked")));
    EXPECT_TRUE(found.contains(QStringLiteral("C:\\root\\one\\up")));
    EXPECT_FALSE(found.contains(QStringLiteral("C:\\root\\linked\\elsewhere.exe")));
    EXPECT_EQ(folders.first(), QStringLiteral("C:\\root"));
    EXPECT_FALSE(folders.contains(QStringLiteral("C:\\root\\linked")));
    EXPECT_EQ(folders.size(), 5);

    TEasyFileSearch missing = make("C:\\nowhere", 81, {QStringLiteral("*")});
    EXPECT_TRUE(run(missing).isEmpty());
    EXPECT_EQ(finished, 2);
}
