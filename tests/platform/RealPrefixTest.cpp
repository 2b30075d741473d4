#include "platform/Environment.h"
#include "platform/posix/WineRegistryFile.h"
#include "support/RealWinePrefix.h"

#include <QFile>

#include <gtest/gtest.h>

#include <vector>

using namespace veridon;
using veridon::test::RealWinePrefix;

namespace {

QByteArray fileBytes(const QString& path)
{
    return test::readAll(path);
}

// Every value line (with its continuation lines) of a registry file.
std::vector<QByteArray> valueTexts(const QByteArray& text)
{
    std::vector<QByteArray> values;
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!lines[i].startsWith('"') && !lines[i].startsWith('@'))
            continue;
        QByteArray value = lines[i] + '\n';
        while (lines[i].endsWith('\\') && i + 1 < lines.size())
            value += lines[++i] + '\n';
        values.push_back(value);
    }
    return values;
}

} // namespace

static void checkRoundTrip(const RealWinePrefix& s_prefix)
{
    for (const char* name : {"system.reg", "user.reg", "userdef.reg"}) {
        const QByteArray text = fileBytes(s_prefix.path() + QLatin1Char('/') + QLatin1String(name));
        ASSERT_FALSE(text.isEmpty()) << name;
        EXPECT_TRUE(WineRegistryFile::parse(text).serialize() == text) << name;
        // Our writer formats every value exactly as the wineserver wrote it.
        int mismatches = 0;
        for (const QByteArray& raw : valueTexts(text)) {
            const WineRegistryFile one = WineRegistryFile::parse("[K] 1\n" + raw);
            const QList<RegValue> values = one.values({QStringLiteral("K")});
            if (values.size() != 1 || WineRegistryFile::formatValue(values.first()) != raw) {
                if (++mismatches < 5)
                    ADD_FAILURE() << name << ": " << raw.toStdString();
            }
        }
        EXPECT_EQ(mismatches, 0) << name;
    }
}

static void checkWhatWineMade(const RealWinePrefix& s_prefix)
{
    auto env = Environment::open(s_prefix.path());
    const Registry& reg = env->registry();
    const std::optional<QString> version =
        reg.readString(RegRoot::LocalMachine,
                       QStringLiteral("Software\\Microsoft\\Windows NT\\CurrentVersion"),
                       QStringLiteral("CurrentVersion"));
    ASSERT_TRUE(version.has_value());
    EXPECT_FALSE(version->isEmpty());
    EXPECT_TRUE(reg.keyExists(RegRoot::ClassesRoot, QStringLiteral("CLSID")));
    EXPECT_TRUE(reg.keyExists(RegRoot::Users, QStringLiteral(".DEFAULT\\Software")));

    const ShellFolders& folders = env->shellFolders();
    EXPECT_EQ(folders.windowsFolder().toLower(), QStringLiteral("c:\\windows"));
    EXPECT_EQ(folders.systemFolder().toLower(), QStringLiteral("c:\\windows\\system32"));
    EXPECT_TRUE(folders.profileFolder().startsWith(QLatin1String("C:\\users\\"), Qt::CaseInsensitive));
    for (int csidl : {Csidl::Desktop, Csidl::AppData, Csidl::LocalAppData, Csidl::CommonAppData,
                      Csidl::ProgramFiles, Csidl::Cookies, Csidl::Startup, Csidl::CommonPrograms})
        EXPECT_TRUE(folders.specialFolder(csidl).startsWith(QLatin1String("C:\\"), Qt::CaseInsensitive))
            << csidl;

    const FileSystem& files = env->files();
    EXPECT_TRUE(files.exists(QStringLiteral("C:\\WINDOWS\\SYSTEM32\\KERNEL32.DLL")));
    EXPECT_TRUE(files.exists(folders.specialFolder(Csidl::ProgramFiles)));
    EXPECT_TRUE(files.logicalDrives().contains(QStringLiteral("C:\\")));
    EXPECT_TRUE(files.logicalDrives().contains(QStringLiteral("Z:\\")));
}

static void checkWineReadsOurWrites(const RealWinePrefix& s_prefix)
{
    {
        auto env = Environment::open(s_prefix.path());
        env->registry().writeString(RegRoot::CurrentUser, QStringLiteral("Software\\Veridon Test"),
                                    QStringLiteral("Probe"), QStringLiteral("caf\u00e9 \"42\""));
        env->registry().writeDword(RegRoot::LocalMachine, QStringLiteral("Software\\Veridon Test"),
                                   QStringLiteral("Count"), 42);
    }
    QByteArray output;
    ASSERT_EQ(s_prefix.runWine({QStringLiteral("reg"), QStringLiteral("query"),
                                 QStringLiteral("HKCU\\Software\\Veridon Test")},
                                &output),
              0);
    EXPECT_TRUE(output.contains("Probe")) << output.toStdString();
    ASSERT_EQ(s_prefix.runWine({QStringLiteral("reg"), QStringLiteral("query"),
                                 QStringLiteral("HKLM\\Software\\Veridon Test")},
                                &output),
              0);
    EXPECT_TRUE(output.contains("0x2a")) << output.toStdString();
    s_prefix.stopServer();
    // Wine saved the files again; they still read and round-trip.
    auto env = Environment::open(s_prefix.path());
    EXPECT_EQ(env->registry().readString(RegRoot::CurrentUser, QStringLiteral("Software\\Veridon Test"),
                                         QStringLiteral("Probe")),
              QStringLiteral("caf\u00e9 \"42\""));
}

// One test, so that the slow wineboot runs once.
TEST(RealPrefix, WinebootPrefixIsReadRoundTrippedAndTakesOurWrites)
{
    if (!RealWinePrefix::wineInstalled())
        GTEST_SKIP() << "wine is not installed";
    const RealWinePrefix prefix;
    ASSERT_TRUE(prefix.isReady()) << "wineboot failed";
    {
        SCOPED_TRACE("registry files round-trip");
        checkRoundTrip(prefix);
    }
    {
        SCOPED_TRACE("the environment sees what wineboot made");
        checkWhatWineMade(prefix);
    }
    {
        SCOPED_TRACE("Wine reads what we write");
        checkWineReadsOurWrites(prefix);
    }
}
