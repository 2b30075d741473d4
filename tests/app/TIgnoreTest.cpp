#include "app/TIgnore.h"

#include "support/TempDir.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace veridon;
using veridon::test::TempDir;
using veridon::test::readAll;

TEST(TIgnore, MissingFileIsCreatedEmptyAtFirstLoad)
{
    TempDir dir;
    const QString data = dir.file(QStringLiteral("Teliq/Teliq Veridon"));
    TIgnore ignore(data);
    ignore.Load();
    EXPECT_TRUE(QFile::exists(data + QStringLiteral("/Ignore.ini")));
    EXPECT_TRUE(ignore.keys().isEmpty());
    EXPECT_EQ(readAll(ignore.filePath()), QByteArray());
}

TEST(TIgnore, LoadKeepsOnlyLinesWithExactlyOneSemicolon)
{
    TempDir dir;
    dir.write(QStringLiteral("Ignore.ini"),
              "File;C:\\A.EXE\r\n"
              "\r\n"
              "no separator\n"
              "Registry Value;HKEY_CURRENT_USER\\Run Value=a;b\r\n"
              "Folder;C:\\Bad\rCookies;user@ads.example/\r\n");
    TIgnore ignore(dir.path());
    ignore.Load();
    EXPECT_EQ(ignore.keys(), (QStringList{QStringLiteral("File;C:\\A.EXE"),
                                          QStringLiteral("Folder;C:\\Bad"),
                                          QStringLiteral("Cookies;user@ads.example/")}));
    // The file is rewritten without the dropped lines.
    EXPECT_EQ(readAll(ignore.filePath()),
              QByteArray("File;C:\\A.EXE\r\nFolder;C:\\Bad\r\nCookies;user@ads.example/\r\n"));
}

TEST(TIgnore, ContainsAndRemoveIgnoreCase)
{
    TempDir dir;
    dir.write(QStringLiteral("Ignore.ini"), "File;C:\\A.EXE\r\nFile;C:\\b.exe\r\nFile;c:\\a.exe\r\n");
    TIgnore ignore(dir.path());
    ignore.Load();
    EXPECT_TRUE(ignore.Contains(TIgnore::keyOf(QStringLiteral("File"), QStringLiteral("c:\\a.exe"))));
    EXPECT_TRUE(ignore.Contains(QStringLiteral("FILE;C:\\B.EXE")));
    EXPECT_FALSE(ignore.Contains(QStringLiteral("Folder;C:\\A.EXE")));

    ignore.Remove(QStringLiteral("file;c:\\A.exe")); // the first of the two
    EXPECT_EQ(ignore.keys(),
              (QStringList{QStringLiteral("File;C:\\b.exe"), QStringLiteral("File;c:\\a.exe")}));
    ignore.Remove(QStringLiteral("File;C:\\never.exe")); // absent: nothing happens
    EXPECT_EQ(ignore.keys().size(), 2);
}

TEST(TIgnore, SaveWritesSystemCodePageAndKeepsOtherNamesIntact)
{
    TempDir dir;
    {
        TIgnore ignore(dir.path());
        ignore.Load();
        ignore.Add(QStringLiteral("File;C:\\Caf\u00e9.exe"));
        ignore.Save();
        // Windows-1252: one byte per character, é = 0xE9.
        EXPECT_EQ(readAll(ignore.filePath()), QByteArray("File;C:\\Caf\xE9.exe\r\n"));
        // A name the code page cannot hold must not turn into "?".
        ignore.Add(QStringLiteral("File;C:\\\u0432\u0438\u0440\u0443\u0441.exe"));
        ignore.Save();
    }
    TIgnore again(dir.path());
    again.Load();
    EXPECT_TRUE(again.Contains(QStringLiteral("File;C:\\Caf\u00c9.EXE")));
    EXPECT_TRUE(again.Contains(QStringLiteral("file;c:\\\u0412\u0418\u0420\u0423\u0421.exe")));
}

TEST(TIgnore, UnreadableFileReachesTheCaller)
{
    TempDir dir;
    dir.mkdir(QStringLiteral("Ignore.ini")); // a folder where the file should be
    TIgnore ignore(dir.path());
    EXPECT_THROW(ignore.Load(), std::runtime_error);
}
