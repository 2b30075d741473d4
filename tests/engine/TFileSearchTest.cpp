#include "engine/TFileSearch.h"
#include "support/FixturePrefix.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace veridon;

namespace {

class FileSearch : public testing::Test
{
protected:
    void SetUp() override
    {
        prefix.addFile("C:\\root\\a.exe", "1");
        prefix.addFile("C:\\root\\B.EXE", "22");
        prefix.addFile("C:\\root\\readme", "3");
        prefix.addFile("C:\\root\\sub\\c.exe", "4");
        prefix.addFile("C:\\root\\sub\\deeper\\d.exe", "5");
        prefix.addFile("C:\\root\\dotted.dir\\e.txt", "6");
        prefix.addFile("C:\\outside\\secret.exe", "7");
        QFile::link(prefix.hostPath("C:\\outside"), prefix.hostPath("C:\\root\\link"));
        environment = prefix.open();
    }

    QStringList run(std::uint8_t bits, QStringList masks, QString root = "C:\\root")
    {
        TFileSearch search(environment->files());
        search.RootPath = root;
        search.IncludeBits = bits;
        search.FileNames = masks;
        QStringList found;
        search.OnFound = [&](const TFileInformations& info) { found.append(info.Path + info.Name); };
        search.Execute();
        found.sort(Qt::CaseInsensitive); // entries of one folder come in the file system's order
        return found;
    }

    test::FixturePrefix prefix;
    std::unique_ptr<Environment> environment;
};

TEST_F(FileSearch, FilesOfTheRootOnly)
{
    EXPECT_EQ(run(64, {"*.exe"}), QStringList({"C:\\root\\a.exe", "C:\\root\\B.EXE"}));
}

TEST_F(FileSearch, RecursiveFilesNeverEnterALinkedFolder)
{
    EXPECT_EQ(run(65, {"*.exe"}),
              QStringList({"C:\\root\\a.exe", "C:\\root\\B.EXE", "C:\\root\\sub\\c.exe",
                           "C:\\root\\sub\\deeper\\d.exe"}));
}

TEST_F(FileSearch, BreadthFirstLevelByLevel)
{
    TFileSearch search(environment->files());
    search.RootPath = "C:\\root\\";
    search.IncludeBits = 65;
    search.FileNames = {"*.exe"};
    QStringList folders;
    search.OnFolderChange = [&](const QString& folder) { folders.append(folder); };
    search.Execute();
    ASSERT_GE(folders.size(), 3);
    EXPECT_EQ(folders.first(), "C:\\root\\");
    EXPECT_EQ(folders.last(), "C:\\root\\sub\\deeper");
}

TEST_F(FileSearch, FoldersOnlyByName)
{
    EXPECT_EQ(run(16, {"sub"}), QStringList({"C:\\root\\sub"}));
}

TEST_F(FileSearch, FilesAndFoldersWithDotsAndEveryFolder)
{
    EXPECT_EQ(run(81, {"*.*"}),
              QStringList({"C:\\root\\a.exe", "C:\\root\\B.EXE", "C:\\root\\dotted.dir",
                           "C:\\root\\dotted.dir\\e.txt", "C:\\root\\link", "C:\\root\\sub",
                           "C:\\root\\sub\\c.exe", "C:\\root\\sub\\deeper",
                           "C:\\root\\sub\\deeper\\d.exe"}));
}

TEST_F(FileSearch, StopFromTheCallbackEndsTheSearchAndStillFinishes)
{
    TFileSearch search(environment->files());
    search.RootPath = "C:\\root";
    search.IncludeBits = 65;
    int found = 0;
    bool finished = false;
    search.OnFound = [&](const TFileInformations&) {
        ++found;
        search.Stop();
    };
    search.OnFinished = [&](const TSearchStatistics&) { finished = true; };
    EXPECT_TRUE(search.Execute());
    EXPECT_EQ(found, 1);
    EXPECT_TRUE(finished);
}

TEST_F(FileSearch, MissingRootFindsNothing)
{
    EXPECT_TRUE(run(65, {"*.*"}, "C:\\nowhere").isEmpty());
}

} // namespace
