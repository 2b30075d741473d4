#include "remedy/StandardScanAreas.h"
#include "support/AreaHarness.h"
#include "support/FixturePrefix.h"

#include <gtest/gtest.h>

using namespace veridon;

namespace {

// A whole scan thread over a prefix with one registry-side object per area:
// the rows come in the run order of the areas, each from its own table.
TEST(StandardScanAreas, RunsEveryAreaInOrderOverOnePrefix)
{
    test::FixturePrefix prefix;
    prefix.addStandardLayout();
    prefix.addRegistryText(QStringLiteral(R"(
[HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\Browser Helper Objects\{B1}]
[HKCR\CLSID\{B1}]
@="Evil Bar"
[HKCU\Software\Microsoft\Internet Explorer\Main]
"Start Page"="http://evil.example/"
[HKLM\Software\Classes\CLSID\{G1}]
[HKLM\Software\EvilCorp]
)"));
    test::DefinitionTables tables;
    tables.setCore(QStringLiteral("BHO.db"), {QStringLiteral("Adware.Bar,Evil Bar")});
    tables.setCore(QStringLiteral("Replace.db"),
                   {QStringLiteral("Hijack.Page,HKCU\\Software\\Microsoft\\Internet Explorer\\Main|"
                                   "Start Page=*evil*,about:blank,XP"),
                    QStringLiteral("Hijack.Page,HKCU\\Software\\Microsoft\\Internet Explorer\\Main|"
                                   "Start Page=*evil*,about:blank")});
    tables.setCore(QStringLiteral("HotKey.db"), {QStringLiteral("HKLM\\Software\\Classes\\CLSID")});
    tables.setCore(QStringLiteral("Guid.db"), {QStringLiteral("Spy.Guid,{G1}")});
    tables.setCore(QStringLiteral("Extra.db"), {QStringLiteral("Spy.Trace,HKLM\\Software\\EvilCorp"),
                                                QStringLiteral("Spy.File, %WINDIR%\\evil.txt")});
    prefix.addFile(QStringLiteral("C:\\windows\\evil.txt"), "planted");

    auto environment = prefix.open();
    const QString windowsFolder = environment->shellFolders().windowsFolder();
    test::RecordingScanHost host;
    bool removed = false;
    TSdScanThread::Parameters parameters;
    parameters.areasText = QStringLiteral("111111111");
    TSdScanThread thread(host, *environment, parameters,
                         standardScanAreas(QStringLiteral("Windows Vista"), [&] { removed = true; }),
                         tables.reader(), [](const QStringList& lines) { return lines; }, nullptr);
    thread.run();
    EXPECT_TRUE(thread.failure().isEmpty()) << thread.failure().toStdString();
    EXPECT_EQ(host.rowTexts(),
              QStringList({
                  "1-1 Registry Key HKEY_CLASSES_ROOT\\CLSID\\{B1}",
                  "1-1 Registry Key HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows"
                  "\\CurrentVersion\\Explorer\\Browser Helper Objects\\{B1}",
                  "6-2 Registry Data HKEY_CURRENT_USER\\Software\\Microsoft\\Internet "
                  "Explorer\\Main Value=Start Page",
                  "5-1 Registry Key HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{G1}",
                  "4-1 Registry Key HKEY_LOCAL_MACHINE\\Software\\EvilCorp",
                  "4-2 File " + windowsFolder + "\\evil.txt",
              }));
    EXPECT_FALSE(removed);

    // Removal runs the routine it was given, and nothing else.
    parameters.runMode = RunMode::Removal;
    test::RecordingScanHost removalHost;
    TSdScanThread removal(removalHost, *environment, parameters,
                          standardScanAreas(QString(), [&] { removed = true; }), tables.reader(),
                          [](const QStringList& lines) { return lines; }, nullptr);
    removal.run();
    EXPECT_TRUE(removed);
    EXPECT_TRUE(removalHost.commands.empty());
}

} // namespace
