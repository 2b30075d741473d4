#include "platform/Environment.h"
#include "support/FixturePrefix.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

using namespace veridon;
using veridon::test::FixturePrefix;

namespace {

QByteArray fileText(const FixturePrefix& prefix, const char* name)
{
    return test::readAll(prefix.path() + QLatin1Char('/') + QLatin1String(name));
}

} // namespace

TEST(WineRegistry, RootsMapToThePrefixFiles)
{
    FixturePrefix prefix;
    prefix.addRegistryText(QStringLiteral(R"(
[HKLM\Software\Classes\.txt]
@="txtfile"
[HKLM\Software\Vendor]
"Machine"=dword:00000001
[HKCU\Software\Vendor]
"User"="u"
[HKU\.Default\Software\Vendor]
"Default"="d"
)"));
    auto env = prefix.open();
    const Registry& reg = env->registry();
    EXPECT_EQ(reg.readString(RegRoot::ClassesRoot, QStringLiteral(".TXT"), QString()),
              QStringLiteral("txtfile"));
    EXPECT_EQ(reg.readDword(RegRoot::LocalMachine, QStringLiteral("software\\vendor"),
                            QStringLiteral("machine")),
              1u);
    EXPECT_EQ(reg.readString(RegRoot::CurrentUser, QStringLiteral("Software\\Vendor"),
                             QStringLiteral("User")),
              QStringLiteral("u"));
    EXPECT_EQ(reg.readString(RegRoot::Users,
                             QStringLiteral("S-1-5-21-0-0-0-1000\\Software\\Vendor"),
                             QStringLiteral("User")),
              QStringLiteral("u"));
    EXPECT_EQ(reg.readString(RegRoot::Users, QStringLiteral(".DEFAULT\\Software\\Vendor"),
                             QStringLiteral("Default")),
              QStringLiteral("d"));
    EXPECT_EQ(reg.subkeys(RegRoot::Users, QString()),
              (QStringList{QStringLiteral(".DEFAULT"), QStringLiteral("S-1-5-21-0-0-0-1000")}));
    EXPECT_TRUE(reg.keyExists(RegRoot::LocalMachine, QStringLiteral("Software\\Classes")));
    EXPECT_FALSE(reg.keyExists(RegRoot::Users, QStringLiteral("S-1-5-18")));
    EXPECT_FALSE(reg.value(RegRoot::CurrentUser, QStringLiteral("Software\\Vendor"),
                           QStringLiteral("Missing"))
                     .has_value());
    EXPECT_FALSE(reg.readString(RegRoot::LocalMachine, QStringLiteral("Software\\Vendor"),
                                QStringLiteral("Machine"))
                     .has_value()); // a dword is no string
}

TEST(WineRegistry, WritesAreSavedAtOnceAndSeenByTheNextReader)
{
    FixturePrefix prefix;
    prefix.addRegistryText(QStringLiteral("[HKCU\\Software\\Run]\n\"keep\"=\"1\"\n[HKCU\\Software\\Other]\n\"x\"=\"y\""));
    const QByteArray before = fileText(prefix, "user.reg");
    const QByteArray systemBefore = fileText(prefix, "system.reg");
    {
        auto env = prefix.open();
        Registry& reg = env->registry();
        reg.writeString(RegRoot::CurrentUser, QStringLiteral("Software\\Run"), QStringLiteral("evil"),
                        QStringLiteral("C:\\evil.exe"));
        reg.writeDword(RegRoot::CurrentUser, QStringLiteral("Software\\New\\Key"),
                       QStringLiteral("n"), 5);
        reg.writeMultiString(RegRoot::CurrentUser, QStringLiteral("Software\\New\\Key"),
                             QStringLiteral("m"), {QStringLiteral("a"), QStringLiteral("b")});
    }
    EXPECT_EQ(fileText(prefix, "system.reg"), systemBefore);
    const QByteArray after = fileText(prefix, "user.reg");
    EXPECT_TRUE(after.contains("[Software\\\\Other] 1700000000\n#time=1da1234567890ab\n\"x\"=\"y\"\n"));
    EXPECT_TRUE(after.contains("\"keep\"=\"1\"\n\"evil\"=\"C:\\\\evil.exe\"\n") ||
                after.contains("\"evil\"=\"C:\\\\evil.exe\"\n\"keep\"=\"1\"\n"));
    EXPECT_FALSE(QDir(prefix.path()).entryList({QStringLiteral("*.reg.*")}, QDir::Files | QDir::Hidden).size());

    auto env = prefix.open();
    Registry& reg = env->registry();
    EXPECT_EQ(reg.readString(RegRoot::CurrentUser, QStringLiteral("software\\run"), QStringLiteral("EVIL")),
              QStringLiteral("C:\\evil.exe"));
    EXPECT_EQ(reg.value(RegRoot::CurrentUser, QStringLiteral("Software\\New\\Key"), QStringLiteral("m"))
                  ->toMultiString(),
              (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_TRUE(reg.deleteValue(RegRoot::CurrentUser, QStringLiteral("Software\\Run"), QStringLiteral("evil")));
    EXPECT_FALSE(reg.deleteValue(RegRoot::CurrentUser, QStringLiteral("Software\\Run"), QStringLiteral("evil")));
    EXPECT_TRUE(reg.deleteKeyTree(RegRoot::CurrentUser, QStringLiteral("Software\\New")));
    EXPECT_FALSE(reg.deleteKeyTree(RegRoot::CurrentUser, QStringLiteral("Software\\New")));
    EXPECT_THROW(reg.deleteKeyTree(RegRoot::CurrentUser, QString()), RegistryError);
    EXPECT_THROW(reg.deleteKeyTree(RegRoot::ClassesRoot, QString()), RegistryError);
    EXPECT_THROW(reg.writeString(RegRoot::Users, QStringLiteral("S-1-5-18\\x"), QStringLiteral("v"),
                                 QStringLiteral("t")),
                 RegistryError);

    auto reread = prefix.open();
    EXPECT_FALSE(reread->registry().keyExists(RegRoot::CurrentUser, QStringLiteral("Software\\New")));
    EXPECT_EQ(reread->registry().values(RegRoot::CurrentUser, QStringLiteral("Software\\Run")).size(), 1);
}

TEST(WineRegistry, MissingFilesAreEmptyAndWrittenInWinesFormat)
{
    FixturePrefix prefix;
    QFile::remove(prefix.path() + QStringLiteral("/userdef.reg"));
    auto env = prefix.open();
    EXPECT_TRUE(env->registry().subkeys(RegRoot::Users, QStringLiteral(".Default")).isEmpty());
    env->registry().writeString(RegRoot::Users, QStringLiteral(".Default\\Control Panel"),
                                QStringLiteral("v"), QStringLiteral("1"));
    const QByteArray text = fileText(prefix, "userdef.reg");
    EXPECT_TRUE(text.startsWith("WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\User\\\\.Default\n"));
    EXPECT_TRUE(text.contains("\n\n[Control Panel] "));
    EXPECT_TRUE(text.endsWith("\"v\"=\"1\"\n"));
}

TEST(WineRegistry, WithoutAPrefixEverythingIsMissingAndWritesAreRefused)
{
    auto env = Environment::openEmpty();
    Registry& reg = env->registry();
    EXPECT_FALSE(reg.keyExists(RegRoot::LocalMachine, QStringLiteral("Software")));
    EXPECT_TRUE(reg.subkeys(RegRoot::Users, QString()).isEmpty());
    EXPECT_TRUE(reg.values(RegRoot::CurrentUser, QStringLiteral("Environment")).isEmpty());
    EXPECT_THROW(reg.writeDword(RegRoot::CurrentUser, QStringLiteral("Software"), QStringLiteral("x"), 1),
                 RegistryError);
    EXPECT_TRUE(env->shellFolders().windowsFolder().isEmpty());
    EXPECT_TRUE(env->shellFolders().specialFolder(Csidl::AppData).isEmpty());
    EXPECT_TRUE(env->prefixDir().isEmpty());
    EXPECT_THROW(Environment::open(QStringLiteral("/nonexistent/prefix")), std::runtime_error);
}

TEST(WineRegistry, WritesAreRefusedWhileTheWineserverRuns)
{
    const QString wineserver = QStandardPaths::findExecutable(QStringLiteral("wineserver"));
    if (wineserver.isEmpty())
        GTEST_SKIP() << "wine is not installed";
    FixturePrefix prefix;
    auto env = prefix.open();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WINEPREFIX"), prefix.path());
    environment.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    QProcess server;
    server.setProcessEnvironment(environment);
    server.start(wineserver, {QStringLiteral("-f"), QStringLiteral("-p")});
    ASSERT_TRUE(server.waitForStarted());
    // The server takes its lock shortly after starting (slowly on a busy machine).
    bool refused = false;
    std::string message;
    QByteArray before;
    for (int attempt = 0; attempt < 600 && !refused; ++attempt) {
        before = fileText(prefix, "user.reg");
        try {
            env->registry().writeString(RegRoot::CurrentUser, QStringLiteral("Software\\T"),
                                        QStringLiteral("v%1").arg(attempt), QStringLiteral("1"));
            QThread::msleep(50);
        } catch (const RegistryError& error) {
            refused = true;
            message = error.what();
        }
    }
    const QByteArray afterRefusal = fileText(prefix, "user.reg");
    QProcess kill;
    kill.setProcessEnvironment(environment);
    kill.start(wineserver, {QStringLiteral("-k")});
    kill.waitForFinished(10000);
    server.waitForFinished(10000);
    ASSERT_TRUE(refused);
    EXPECT_NE(message.find("wineserver"), std::string::npos) << message;
    EXPECT_NE(message.find("Close"), std::string::npos) << message;
    EXPECT_EQ(afterRefusal, before);
    // Once the server is gone, writing works again.
    EXPECT_NO_THROW(env->registry().writeString(RegRoot::CurrentUser, QStringLiteral("Software\\T"),
                                                QStringLiteral("after"), QStringLiteral("1")));
}
