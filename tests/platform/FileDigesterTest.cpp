#include "platform/FileDigester.h"

#include "support/PeWriter.h"
#include "support/TempDir.h"

#include <QCryptographicHash>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace veridon;
using namespace veridon::test;

TEST(FileDigester, DigestsContentAsLowerCaseHex)
{
    TempDir dir;
    FileDigester digester;
    EXPECT_EQ(digester.fileDigest(dir.write("abc.txt", "abc")), "900150983cd24fb0d6963f7d28e17f72");
    // Larger than one read chunk, so the pieces must join up.
    QByteArray big;
    for (int i = 0; big.size() < 3 * 1024 * 1024 + 17; ++i)
        big.append(QByteArray::number(qint64(i) * 7919));
    const QString expected =
        QString::fromLatin1(QCryptographicHash::hash(big, QCryptographicHash::Md5).toHex());
    EXPECT_EQ(digester.fileDigest(dir.write("big.bin", big)), expected);
    // The same object is reused for a second, smaller file.
    EXPECT_EQ(digester.fileDigest(dir.file("abc.txt")), "900150983cd24fb0d6963f7d28e17f72");
}

TEST(FileDigester, UnreadableFilesGiveTheDigestOfNothing)
{
    TempDir dir;
    const QString fifo = dir.file("pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    FileDigester digester;
    const QString nothing = "d41d8cd98f00b204e9800998ecf8427e";
    EXPECT_EQ(FileDigester::emptyDigest(), nothing);
    EXPECT_EQ(digester.fileDigest(dir.write("empty", {})), nothing);
    EXPECT_EQ(digester.fileDigest(dir.file("missing")), nothing);
    EXPECT_EQ(digester.fileDigest(dir.mkdir("folder")), nothing);
    EXPECT_EQ(digester.fileDigest(fifo), nothing); // must not wait for a writer
}

TEST(FileDigester, LoadsWholeFilesUpToALimit)
{
    TempDir dir;
    FileDigester digester;
    const QString path = dir.write("f", "0123456789");
    const auto bytes = digester.load(path, 10);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(bytes->data()), qsizetype(bytes->size())),
              "0123456789");
    EXPECT_EQ(digester.digest(*bytes), "781e5e245d69b566979b86e28d23f2c7");
    EXPECT_FALSE(digester.load(path, 9));
    EXPECT_FALSE(digester.load(dir.file("missing"), 100));
}

TEST(IsExecutableImage, ChecksTheHeadersOnDisk)
{
    TempDir dir;
    const QByteArray pe = writePe({}).bytes;
    EXPECT_TRUE(isExecutableImageFile(dir.write("a.exe", pe)));
    EXPECT_FALSE(isExecutableImageFile(dir.write("short.exe", pe.left(199))));
    EXPECT_FALSE(isExecutableImageFile(dir.write("text.exe", QByteArray(400, 'M'))));
    QByteArray dosOnly = pe;
    dosOnly[0x81] = 'X';
    EXPECT_FALSE(isExecutableImageFile(dir.write("dos.exe", dosOnly)));
    EXPECT_FALSE(isExecutableImageFile(dir.file("missing.exe")));
    EXPECT_FALSE(isExecutableImageFile(dir.mkdir("folder.exe")));
}
