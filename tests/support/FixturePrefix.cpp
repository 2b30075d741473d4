#include "support/FixturePrefix.h"

#include "support/RegistryKeyText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <unistd.h>

namespace veridon::test {
namespace {

QByteArray preamble(const char* relativeTo)
{
    return QByteArray("WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\") + relativeTo +
           "\n\n#arch=win64\n";
}

} // namespace

FixturePrefix::FixturePrefix()
{
    m_dir.mkdir(QStringLiteral("drive_c"));
    m_dir.mkdir(QStringLiteral("dosdevices"));
    addDrive(QLatin1Char('c'), QStringLiteral("../drive_c"));
    addDrive(QLatin1Char('z'), QStringLiteral("/"));
    m_dir.write(QStringLiteral("system.reg"), preamble("Machine"));
    m_dir.write(QStringLiteral("user.reg"), preamble("User\\\\S-1-5-21-0-0-0-1000"));
    m_dir.write(QStringLiteral("userdef.reg"), preamble("User\\\\.Default"));
}

QString FixturePrefix::hostPath(const QString& windowsPath) const
{
    QString relative = windowsPath;
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    EXPECT_TRUE(relative.startsWith(QLatin1String("C:"), Qt::CaseInsensitive))
        << windowsPath.toStdString();
    return m_dir.file(QStringLiteral("drive_c") + relative.mid(2));
}

QString FixturePrefix::addFile(const QString& windowsPath, const QByteArray& bytes)
{
    const QString host = hostPath(windowsPath);
    QDir().mkpath(QFileInfo(host).absolutePath());
    QFile out(host);
    EXPECT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate)) << host.toStdString();
    out.write(bytes);
    return host;
}

QString FixturePrefix::addFolder(const QString& windowsPath)
{
    const QString host = hostPath(windowsPath);
    QDir().mkpath(host);
    return host;
}

void FixturePrefix::addDrive(QChar letter, const QString& target)
{
    const QString link = m_dir.file(QStringLiteral("dosdevices/%1:").arg(letter.toLower()));
    QFile::remove(link);
    EXPECT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()),
              0);
}

void FixturePrefix::removeDrive(QChar letter)
{
    QFile::remove(m_dir.file(QStringLiteral("dosdevices/%1:").arg(letter.toLower())));
}

void FixturePrefix::appendToFile(const QString& fileName, const QByteArray& bytes)
{
    QFile out(m_dir.file(fileName));
    ASSERT_TRUE(out.open(QIODevice::Append));
    out.write(bytes);
}

void FixturePrefix::addRegistryText(const QString& text)
{
    QString file;
    for (const QString& rawLine : text.split(QLatin1Char('\n'))) {
        const QString line = rawLine.trimmed();
        if (line.isEmpty())
            continue;
        if (!line.startsWith(QLatin1Char('['))) {
            ASSERT_FALSE(file.isEmpty()) << "value line before any key: " << line.toStdString();
            appendToFile(file, line.toUtf8() + '\n');
            continue;
        }
        const std::optional<WineRegistryKey> key = wineRegistryKey(line.mid(1, line.size() - 2));
        ASSERT_TRUE(key) << "unknown root in " << line.toStdString();
        file = key->file;
        appendToFile(file, key->header);
    }
}

void FixturePrefix::addStandardLayout(const QString& user)
{
    const QString profile = QStringLiteral("C:\\users\\") + user;
    for (const char* folder :
         {"windows\\system32", "windows\\temp", "Program Files\\Common Files", "ProgramData",
          "users\\Public\\Desktop"})
        addFolder(QStringLiteral("C:\\") + QLatin1String(folder));
    for (const char* folder : {"Desktop", "Favorites", "AppData\\Roaming", "AppData\\Local\\Temp"})
        addFolder(profile + QLatin1Char('\\') + QLatin1String(folder));

    QString escapedProfile = profile;
    escapedProfile.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    const QString text = QStringLiteral(R"(
[HKLM\Software\Microsoft\Windows NT\CurrentVersion]
"CurrentVersion"="6.1"
"SystemRoot"="C:\\windows"
[HKLM\Software\Microsoft\Windows NT\CurrentVersion\ProfileList]
"ProfilesDirectory"=str(2):"C:\\users"
"ProgramData"=str(2):"C:\\ProgramData"
"Public"=str(2):"C:\\users\\Public"
[HKLM\Software\Microsoft\Windows NT\CurrentVersion\ProfileList\S-1-5-21-0-0-0-1000]
"ProfileImagePath"="@@PROFILE@@"
[HKLM\Software\Microsoft\Windows\CurrentVersion]
"CommonFilesDir"="C:\\Program Files\\Common Files"
"ProgramFilesDir"="C:\\Program Files"
[HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders]
"Common AppData"=str(2):"%ProgramData%"
"Common Desktop"=str(2):"%PUBLIC%\\Desktop"
"Common Favorites"=str(2):"%USERPROFILE%\\Favorites"
"Common Programs"=str(2):"%ProgramData%\\Microsoft\\Windows\\Start Menu\\Programs"
"Common Start Menu"=str(2):"%ProgramData%\\Microsoft\\Windows\\Start Menu"
"Common StartUp"=str(2):"%ProgramData%\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp"
[HKLM\System\CurrentControlSet\Control\Session Manager\Environment]
"TEMP"=str(2):"%SystemRoot%\\temp"
"windir"=str(2):"%SystemRoot%"
[HKCU\Environment]
"TEMP"=str(2):"%USERPROFILE%\\AppData\\Local\\Temp"
[HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders]
"AppData"="@@PROFILE@@\\AppData\\Roaming"
"Desktop"="@@PROFILE@@\\Desktop"
[HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders]
"AppData"=str(2):"%USERPROFILE%\\AppData\\Roaming"
"Cache"=str(2):"%USERPROFILE%\\AppData\\Local\\Microsoft\\Windows\\INetCache"
"Cookies"=str(2):"%USERPROFILE%\\AppData\\Local\\Microsoft\\Windows\\INetCookies"
"Desktop"=str(2):"%USERPROFILE%\\Desktop"
"Favorites"=str(2):"%USERPROFILE%\\Favorites"
"History"=str(2):"%USERPROFILE%\\AppData\\Local\\Microsoft\\Windows\\History"
"Local AppData"=str(2):"%USERPROFILE%\\AppData\\Local"
"Programs"=str(2):"%USERPROFILE%\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"
"Recent"=str(2):"%USERPROFILE%\\AppData\\Roaming\\Microsoft\\Windows\\Recent"
"Start Menu"=str(2):"%USERPROFILE%\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu"
"Startup"=str(2):"%USERPROFILE%\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp"
)");
    QString filled = text;
    filled.replace(QLatin1String("@@PROFILE@@"), escapedProfile);
    addRegistryText(filled);
}

std::unique_ptr<Environment> FixturePrefix::open() const
{
    return Environment::open(path());
}

} // namespace veridon::test
