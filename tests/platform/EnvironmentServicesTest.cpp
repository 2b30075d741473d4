#include "platform/Environment.h"
#include "platform/ExecutableFiles.h"
#include "platform/FileDigester.h"
#include "platform/RestartActions.h"
#include "support/FixturePrefix.h"
#include "support/PeWriter.h"
#include "support/QtPrinting.h"
#include "support/TestSigner.h"
#include "support/UrlCacheWriter.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace veridon;
using namespace veridon::test;

namespace {

const QString kCookies = "C:\\users\\ann\\AppData\\Local\\Microsoft\\Windows\\INetCookies";

QByteArray versionedImage()
{
    PeDescription description;
    description.is64 = true;
    description.version = versionWith({{"CompanyName", " Contoso Ltd. "}, {"WOW Version", "5"}});
    return writePe(description).bytes;
}

} // namespace

TEST(EnvironmentServices, ExecutableFilesByWindowsPath)
{
    FixturePrefix prefix;
    prefix.addStandardLayout();
    const QByteArray image = TestSigner("/O=Contoso/CN=Contoso Signing").sign(versionedImage());
    prefix.addFile("C:\\Program Files\\App\\App.exe", image);
    prefix.addFile("C:\\notes.txt", "plain text");
    const auto env = prefix.open();
    const FileSystem& files = env->files();

    // Letter case of the path does not matter, as on Windows.
    const QString app = "c:\\PROGRAM FILES\\app\\app.EXE";
    VersionInfo info;
    ASSERT_TRUE(GetVersionInfo(files, app, info, kWowVersion));
    EXPECT_EQ(info.companyName, " Contoso Ltd. ");
    EXPECT_EQ(GetVersionText(files, app, 1), " Contoso Ltd. ");
    EXPECT_EQ(GetVersionTexts(files, app).value(1), "CONTOSO LTD.");
    EXPECT_EQ(GetVersionTexts(files, app).value(10), "5");
    EXPECT_EQ(GetSignerName(files, app), "Contoso Signing");
    EXPECT_TRUE(IsExecutableImage(files, app));
    FileDigester digester;
    EXPECT_EQ(FileDigest(files, digester, app), digester.digest({reinterpret_cast<const std::uint8_t*>(image.constData()),
                                                                 std::size_t(image.size())}));

    for (const QString& other : {QString("C:\\notes.txt"), QString("C:\\missing.exe")}) {
        EXPECT_EQ(GetVersionText(files, other, 1), "Unknown") << other.toStdString();
        EXPECT_EQ(GetVersionTexts(files, other), QStringList(kVersionTextCount, "Unknown"));
        EXPECT_EQ(GetSignerName(files, other), "");
        EXPECT_FALSE(IsExecutableImage(files, other));
    }
    EXPECT_EQ(FileDigest(files, digester, "C:\\missing.exe"), FileDigester::emptyDigest());
}

TEST(EnvironmentServices, FileInUseWhenHeldOpen)
{
    FixturePrefix prefix;
    const QString held = prefix.addFile("C:\\held.dll", "x");
    prefix.addFile("C:\\loose.dll", "y");
    const auto env = prefix.open();
    QFile holder(held);
    ASSERT_TRUE(holder.open(QIODevice::ReadOnly));
    EXPECT_TRUE(IsFileInUse(env->files(), env->processes(), "C:\\held.dll"));
    EXPECT_FALSE(IsFileInUse(env->files(), env->processes(), "C:\\loose.dll"));
    EXPECT_FALSE(IsFileInUse(env->files(), env->processes(), "C:\\missing.dll"));
}

TEST(EnvironmentServices, RestartActionsLandInThePrefixRegistry)
{
    FixturePrefix prefix;
    prefix.addStandardLayout();
    {
        const auto env = prefix.open();
        ASSERT_TRUE(ReplaceAtRestart(env->registry(), "C:\\bad.exe", {}, RestartMode::Delete));
        ASSERT_TRUE(ReplaceAtRestart(env->registry(), "C:\\new.dll", "C:\\old.dll", RestartMode::Move));
    }
    // A fresh environment reads back what was saved in system.reg.
    const auto env = prefix.open();
    const auto value = env->registry().value(RegRoot::LocalMachine, QString::fromUtf16(kSessionManagerKey),
                                             QString::fromUtf16(kPendingRenames));
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, RegType::MultiString);
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(value->data.constData()),
                                            value->data.size() / 2);
    EXPECT_EQ(text, QString("\\??\\C:\\bad.exe") + QChar(0) + QChar(0) + "\\??\\C:\\new.dll" + QChar(0) +
                        "!\\??\\C:\\old.dll" + QChar(0) + QChar(0));
}

TEST(EnvironmentServices, CookieStoreOfTheUser)
{
    FixturePrefix prefix;
    prefix.addStandardLayout();
    CacheIndexPlan plan;
    plan.records = {{"Cookie:ann@www.tracker.example/", "GQU4JC5H.txt", 0x00100000, 75}};
    prefix.addFile(kCookies + "\\index.dat", writeCacheIndex(plan).bytes);
    const QString cookie =
        prefix.addFile(kCookies + "\\GQU4JC5H.txt", cookieFile({{"uid", "abc", "www.tracker.example/"}}));
    const auto env = prefix.open();

    const auto entries = env->urlCache().entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].sourceUrl, "Cookie:ann@www.tracker.example/");
    EXPECT_EQ(entries[0].localFile, kCookies + "\\GQU4JC5H.txt");
    EXPECT_TRUE(env->files().exists(entries[0].localFile));
    ASSERT_TRUE(env->urlCache().deleteEntry(entries[0].sourceUrl));
    EXPECT_FALSE(QFile::exists(cookie));
    EXPECT_TRUE(env->urlCache().entries().empty());
}
