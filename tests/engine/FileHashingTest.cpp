#include "engine/FileBytes.h"
#include "engine/FileHashers.h"
#include "platform/Environment.h"
#include "platform/FileDigester.h"
#include "support/FixturePrefix.h"

#include <QCryptographicHash>

#include <gtest/gtest.h>

#include <future>
#include <vector>

using namespace veridon;
using veridon::test::FixturePrefix;

namespace {

QString md5Of(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

// Bytes that differ at every position, so a piece read twice or skipped
// changes the digest.
QByteArray patterned(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char((i * 131 + i / 251) & 0xFF);
    return bytes;
}

QByteArray bytesOf(const FileBytes& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.bytes().data()),
                      qsizetype(bytes.bytes().size()));
}

constexpr std::uint64_t kMaxSize = 4 * 1024 * 1024;

class FileHashingTest : public ::testing::Test
{
protected:
    void SetUp() override { env = prefix.open(); }
    QString add(const char* name, const QByteArray& content)
    {
        const QString path = QStringLiteral("C:\\files\\") + QLatin1String(name);
        prefix.addFile(path, content);
        return path;
    }

    FixturePrefix prefix;
    std::unique_ptr<Environment> env;
    FileDigester digester;
};

} // namespace

TEST_F(FileHashingTest, DigestsAFileOfEverySizeAndKeepsWhatTheLaterTestsNeed)
{
    struct Case
    {
        const char* name;
        qsizetype size;
        FileBytes::State after;
    };
    // Small files stay loaded whole; larger ones keep their first part.
    const Case cases[] = {{"empty", 0, FileBytes::State::Whole},
                          {"tiny", 5, FileBytes::State::Whole},
                          {"head", 4096, FileBytes::State::Whole},
                          {"window", 256 * 1024, FileBytes::State::Whole},
                          {"window1", 256 * 1024 + 1, FileBytes::State::Head},
                          {"large", 3 * 1024 * 1024 + 17, FileBytes::State::Head}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray content = patterned(c.size);
        const QString path = add(c.name, content);
        FileBytes bytes(env->files(), kMaxSize);
        bytes.reset(path);
        EXPECT_EQ(bytes.digest(digester), md5Of(content));
        EXPECT_EQ(bytes.state(), c.after);
        EXPECT_EQ(bytes.fileSize(), std::uint64_t(c.size));
        // What stays loaded is the file's beginning, and the whole file can
        // still be had.
        EXPECT_TRUE(content.startsWith(bytesOf(bytes)));
        ASSERT_TRUE(bytes.loadWhole());
        EXPECT_EQ(bytesOf(bytes), content);
        // A digest of a file already loaded whole reads nothing again.
        EXPECT_EQ(bytes.digest(digester), md5Of(content));
    }
}

TEST_F(FileHashingTest, UnreadableAndTooLargeFiles)
{
    FileBytes bytes(env->files(), 1000);
    bytes.reset(QStringLiteral("C:\\files\\missing.bin"));
    // Cannot be opened: counts as empty, and no test sees any bytes.
    EXPECT_EQ(bytes.digest(digester), FileDigester::emptyDigest());
    EXPECT_EQ(bytes.state(), FileBytes::State::Failed);
    EXPECT_FALSE(bytes.loadHead(4096));
    EXPECT_FALSE(bytes.loadWhole());

    // It reached the maximum size after the listing: no digest at all.
    bytes.reset(add("grown.bin", patterned(1000)));
    EXPECT_EQ(bytes.digest(digester), std::nullopt);
    EXPECT_EQ(bytes.state(), FileBytes::State::TooLarge);
    EXPECT_FALSE(bytes.loadWhole());

    bytes.reset(add("fits.bin", patterned(999)));
    EXPECT_EQ(bytes.digest(digester), md5Of(patterned(999)));
}

TEST_F(FileHashingTest, HeadFirstThenTheRest)
{
    const QByteArray content = patterned(10000);
    FileBytes bytes(env->files(), kMaxSize);
    bytes.reset(add("image.exe", content));
    ASSERT_TRUE(bytes.loadHead(4096));
    EXPECT_EQ(bytesOf(bytes), content.left(4096));
    // The digest goes on from the head instead of starting over.
    EXPECT_EQ(bytes.digest(digester), md5Of(content));
    EXPECT_EQ(bytesOf(bytes), content);
}

TEST_F(FileHashingTest, AnAdoptedHeadIsCompletedByReadingTheFileAgain)
{
    const QByteArray content = patterned(9000);
    FileBytes bytes(env->files(), kMaxSize);
    bytes.reset(add("adopted.exe", content));
    const QByteArray head = content.left(4096);
    bytes.adopt({reinterpret_cast<const std::uint8_t*>(head.constData()), std::size_t(head.size())},
                std::uint64_t(content.size()), FileBytes::State::Head);
    ASSERT_TRUE(bytes.loadHead(4096));
    EXPECT_EQ(bytesOf(bytes), head);
    ASSERT_TRUE(bytes.loadWhole());
    EXPECT_EQ(bytesOf(bytes), content);
}

TEST_F(FileHashingTest, WorkersHashEveryFileAndHandBackItsHead)
{
    std::vector<QByteArray> contents;
    std::vector<FileHashers::Ticket> tickets;
    FileHashers hashers(env->files(), kMaxSize, 3);
    for (int i = 0; i < 40; ++i) {
        contents.push_back(patterned(qsizetype(i) * 37 * 1024 + i));
        const QByteArray name = "f" + QByteArray::number(i);
        tickets.push_back(hashers.submit(add(name.constData(), contents.back())));
    }
    const FileHashers::Ticket missing = hashers.submit(QStringLiteral("C:\\files\\none"));
    for (std::size_t i = 0; i < contents.size(); ++i) {
        SCOPED_TRACE(i);
        const FileHashers::Result& result = tickets[i].get();
        EXPECT_EQ(result.md5, md5Of(contents[i]));
        EXPECT_EQ(result.fileSize, std::uint64_t(contents[i].size()));
        const QByteArray head(reinterpret_cast<const char*>(result.head.data()),
                              qsizetype(result.head.size()));
        EXPECT_EQ(head, contents[i].left(4096));
        EXPECT_EQ(result.headIsWhole, contents[i].size() <= 4096);
    }
    EXPECT_EQ(missing.get().md5, FileDigester::emptyDigest());
    EXPECT_EQ(missing.get().state, FileBytes::State::Failed);
}

TEST_F(FileHashingTest, DroppedFilesAreNeverHashedAndEndingDoesNotWait)
{
    // Each file takes the one worker milliseconds: queued ones are still
    // waiting when they are dropped.
    const QByteArray content = patterned(3 * 1024 * 1024);
    const QString path = add("big.bin", content);
    const QString md5 = md5Of(content);
    // Every ticket is either the file's true result or broken, never anything else.
    const auto countDropped = [&](const std::vector<FileHashers::Ticket>& tickets) {
        int dropped = 0;
        for (const FileHashers::Ticket& ticket : tickets) {
            try {
                EXPECT_EQ(ticket.get().md5, md5);
            } catch (const std::future_error& e) {
                EXPECT_EQ(e.code(), std::future_errc::broken_promise);
                ++dropped;
            }
        }
        return dropped;
    };

    std::vector<FileHashers::Ticket> dropped;
    std::vector<FileHashers::Ticket> unfinished;
    {
        FileHashers hashers(env->files(), kMaxSize, 1);
        for (int i = 0; i < 100; ++i)
            dropped.push_back(hashers.submit(path));
        hashers.dropQueued();
        // The queue is empty again: later files are hashed as usual.
        EXPECT_EQ(hashers.submit(path).get().md5, md5);
        for (int i = 0; i < 100; ++i)
            unfinished.push_back(hashers.submit(path));
    } // ends with files still queued, without hashing them first
    EXPECT_GT(countDropped(dropped), 0);
    EXPECT_GT(countDropped(unfinished), 0);
}
