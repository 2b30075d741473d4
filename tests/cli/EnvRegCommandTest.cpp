#include "support/FixturePrefix.h"

#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

using veridon::test::FixturePrefix;

namespace {

struct ScanResult
{
    int exitCode = -1;
    QString out;
    QString err;
};

ScanResult scan(const QStringList& args)
{
    QProcess process;
    process.start(VERIDON_SCAN_EXE, args);
    ScanResult run;
    if (!process.waitForFinished(30000))
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace

TEST(EnvCommand, ShowsPrefixDrivesVersionAndFolders)
{
    FixturePrefix prefix;
    prefix.addStandardLayout(QStringLiteral("ann"));
    const ScanResult run = scan({QStringLiteral("--prefix"), prefix.path(), QStringLiteral("env")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("Prefix: ") + prefix.path()));
    EXPECT_TRUE(run.out.contains(QStringLiteral("version 6.1")));
    EXPECT_TRUE(run.out.contains(QRegularExpression(QStringLiteral("\n  C:\\\\ +\\S+/drive_c +fixed"))))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QRegularExpression(QStringLiteral("\n  Z:\\\\ +/ "))));
    EXPECT_TRUE(run.out.contains(QRegularExpression(QStringLiteral("System folder +C:\\\\windows\\\\system32\n"))));
    EXPECT_TRUE(run.out.contains(
        QRegularExpression(QStringLiteral("Application Data \\(26\\) +C:\\\\users\\\\ann\\\\AppData\\\\Roaming\n"))));
    EXPECT_TRUE(run.out.contains(QRegularExpression(QStringLiteral("My Pictures \\(39\\) +-\n"))));

    EXPECT_NE(scan({QStringLiteral("--prefix"), prefix.path() + QStringLiteral("/missing"), QStringLiteral("env")})
                  .exitCode,
              0);
}

TEST(RegCommand, QueriesKeysAndValuesLikeRegExe)
{
    FixturePrefix prefix;
    prefix.addRegistryText(QStringLiteral(R"(
[HKLM\Software\Vendor]
@="default text"
"Path"=str(2):"%SystemRoot%\\x"
"Count"=dword:0000002a
"Blob"=hex:01,ab
"List"=str(7):"a\0b\0"
[HKLM\Software\Vendor\Sub One]
"x"="1"
)"));
    const ScanResult all = scan({QStringLiteral("--prefix"), prefix.path(), QStringLiteral("reg"),
                          QStringLiteral("query"), QStringLiteral("hklm\\software\\vendor")});
    ASSERT_EQ(all.exitCode, 0) << all.err.toStdString();
    EXPECT_EQ(all.out, QStringLiteral("\nHKEY_LOCAL_MACHINE\\software\\vendor\n"
                                      "    (Default)    REG_SZ    default text\n"
                                      "    Path    REG_EXPAND_SZ    %SystemRoot%\\x\n"
                                      "    Count    REG_DWORD    0x2a\n"
                                      "    Blob    REG_BINARY    01AB\n"
                                      "    List    REG_MULTI_SZ    a\\0b\n"
                                      "\n"
                                      "HKEY_LOCAL_MACHINE\\software\\vendor\\Sub One\n"));

    const ScanResult one = scan({QStringLiteral("--prefix"), prefix.path(), QStringLiteral("reg"), QStringLiteral("query"),
                          QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Vendor"), QStringLiteral("count")});
    ASSERT_EQ(one.exitCode, 0);
    EXPECT_EQ(one.out, QStringLiteral("\nHKEY_LOCAL_MACHINE\\Software\\Vendor\n    Count    REG_DWORD    0x2a\n\n"));

    for (const QStringList& missing :
         {QStringList{QStringLiteral("HKLM\\Software\\Nothing")},
          QStringList{QStringLiteral("HKLM\\Software\\Vendor"), QStringLiteral("nothing")}}) {
        const ScanResult run = scan(QStringList{QStringLiteral("--prefix"), prefix.path(), QStringLiteral("reg"),
                                         QStringLiteral("query")} +
                             missing);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains(QStringLiteral("unable to find the specified registry key or value")));
    }
    EXPECT_EQ(scan({QStringLiteral("--prefix"), prefix.path(), QStringLiteral("reg"), QStringLiteral("query"),
                    QStringLiteral("HKXX\\Software")})
                  .exitCode,
              2);
}
