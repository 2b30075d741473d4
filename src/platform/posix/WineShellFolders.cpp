#include "platform/posix/WineShellFolders.h"

namespace veridon {
namespace {

const QString kCurrentVersion = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion");
const QString kNtCurrentVersion = QStringLiteral("Software\\Microsoft\\Windows NT\\CurrentVersion");
const QString kProfileList = kNtCurrentVersion + QStringLiteral("\\ProfileList");
const QString kShellFolders = kCurrentVersion + QStringLiteral("\\Explorer\\Shell Folders");
const QString kUserShellFolders = kCurrentVersion + QStringLiteral("\\Explorer\\User Shell Folders");
const QString kSystemEnvironment =
    QStringLiteral("System\\CurrentControlSet\\Control\\Session Manager\\Environment");

struct ShellFolderName
{
    int csidl;
    RegRoot root;
    const char* name;
};

// The value names Windows (and Wine) use for each CSIDL in the shell folder keys.
const ShellFolderName kShellFolderNames[] = {
    {Csidl::Desktop, RegRoot::CurrentUser, "Desktop"},
    {Csidl::Programs, RegRoot::CurrentUser, "Programs"},
    {Csidl::Personal, RegRoot::CurrentUser, "Personal"},
    {Csidl::Favorites, RegRoot::CurrentUser, "Favorites"},
    {Csidl::Startup, RegRoot::CurrentUser, "Startup"},
    {Csidl::Recent, RegRoot::CurrentUser, "Recent"},
    {Csidl::SendTo, RegRoot::CurrentUser, "SendTo"},
    {Csidl::StartMenu, RegRoot::CurrentUser, "Start Menu"},
    {13, RegRoot::CurrentUser, "My Music"},
    {14, RegRoot::CurrentUser, "My Videos"},
    {Csidl::DesktopDirectory, RegRoot::CurrentUser, "Desktop"},
    {19, RegRoot::CurrentUser, "NetHood"},
    {Csidl::Fonts, RegRoot::CurrentUser, "Fonts"},
    {Csidl::Templates, RegRoot::CurrentUser, "Templates"},
    {Csidl::CommonStartMenu, RegRoot::LocalMachine, "Common Start Menu"},
    {Csidl::CommonPrograms, RegRoot::LocalMachine, "Common Programs"},
    {Csidl::CommonStartup, RegRoot::LocalMachine, "Common Startup"},
    {Csidl::CommonDesktopDirectory, RegRoot::LocalMachine, "Common Desktop"},
    {Csidl::AppData, RegRoot::CurrentUser, "AppData"},
    {27, RegRoot::CurrentUser, "PrintHood"},
    {Csidl::LocalAppData, RegRoot::CurrentUser, "Local AppData"},
    {Csidl::CommonFavorites, RegRoot::LocalMachine, "Common Favorites"},
    {Csidl::InternetCache, RegRoot::CurrentUser, "Cache"},
    {Csidl::Cookies, RegRoot::CurrentUser, "Cookies"},
    {Csidl::History, RegRoot::CurrentUser, "History"},
    {Csidl::CommonAppData, RegRoot::LocalMachine, "Common AppData"},
    {Csidl::MyPictures, RegRoot::CurrentUser, "My Pictures"},
    {45, RegRoot::LocalMachine, "Common Templates"},
    {46, RegRoot::LocalMachine, "Common Documents"},
};

QString withoutTrailingSeparator(QString path)
{
    while (path.size() > 3 && path.endsWith(QLatin1Char('\\')))
        path.chop(1);
    return path;
}

} // namespace

QString WineShellFolders::userSid() const
{
    // HKU lists .DEFAULT and the prefix user's SID.
    for (const QString& name : m_registry.subkeys(RegRoot::Users, QString()))
        if (name.compare(QLatin1String(".Default"), Qt::CaseInsensitive) != 0)
            return name;
    return {};
}

QString WineShellFolders::windowsFolder() const
{
    QString root = m_registry.readString(RegRoot::LocalMachine, kNtCurrentVersion,
                                         QStringLiteral("SystemRoot"))
                       .value_or(QString());
    if (root.isEmpty())
        root = m_registry.readString(RegRoot::LocalMachine, kSystemEnvironment,
                                     QStringLiteral("windir"))
                   .value_or(QString());
    if (root.contains(QLatin1Char('%')))
        root.clear(); // "%SystemRoot%" without a SystemRoot says nothing
    return withoutTrailingSeparator(root);
}

QString WineShellFolders::systemFolder() const
{
    const QString windows = windowsFolder();
    return windows.isEmpty() ? QString() : windows + QStringLiteral("\\system32");
}

QString WineShellFolders::profileFolder() const
{
    const QString sid = userSid();
    QString profile;
    if (!sid.isEmpty())
        profile = m_registry
                      .readString(RegRoot::LocalMachine, kProfileList + QLatin1Char('\\') + sid,
                                  QStringLiteral("ProfileImagePath"))
                      .value_or(QString());
    if (profile.contains(QLatin1Char('%'))) {
        QHash<QString, QString> variables = environment();
        variables.remove(QStringLiteral("USERPROFILE"));
        profile = expandWith(profile, variables);
    }
    return withoutTrailingSeparator(profile);
}

QHash<QString, QString> WineShellFolders::environment() const
{
    QHash<QString, QString> variables;
    const QString windows = windowsFolder();
    if (!windows.isEmpty()) {
        variables.insert(QStringLiteral("SYSTEMROOT"), windows);
        variables.insert(QStringLiteral("WINDIR"), windows);
        variables.insert(QStringLiteral("SYSTEMDRIVE"), windows.left(2));
    }
    auto readExpanded = [&](RegRoot root, const QString& key, const char* name) {
        return expandWith(
            m_registry.readString(root, key, QLatin1String(name)).value_or(QString()), variables);
    };
    const QString programData = readExpanded(RegRoot::LocalMachine, kProfileList, "ProgramData");
    if (!programData.isEmpty()) {
        variables.insert(QStringLiteral("PROGRAMDATA"), programData);
        variables.insert(QStringLiteral("ALLUSERSPROFILE"), programData);
    }
    const QString publicFolder = readExpanded(RegRoot::LocalMachine, kProfileList, "Public");
    if (!publicFolder.isEmpty())
        variables.insert(QStringLiteral("PUBLIC"), publicFolder);
    const QString programFiles =
        readExpanded(RegRoot::LocalMachine, kCurrentVersion, "ProgramFilesDir");
    if (!programFiles.isEmpty())
        variables.insert(QStringLiteral("PROGRAMFILES"), programFiles);
    const QString commonFiles =
        readExpanded(RegRoot::LocalMachine, kCurrentVersion, "CommonFilesDir");
    if (!commonFiles.isEmpty())
        variables.insert(QStringLiteral("COMMONPROGRAMFILES"), commonFiles);

    // The system environment, then the user's, each entry expanded against what came before.
    for (const RegValue& value : m_registry.values(RegRoot::LocalMachine, kSystemEnvironment))
        if (value.isString() && !value.name.isEmpty())
            variables.insert(value.name.toUpper(), expandWith(value.toText(), variables));

    const QString sid = userSid();
    if (!sid.isEmpty()) {
        const QString profile =
            readExpanded(RegRoot::LocalMachine, kProfileList + QLatin1Char('\\') + sid,
                         "ProfileImagePath");
        if (!profile.isEmpty()) {
            variables.insert(QStringLiteral("USERPROFILE"), profile);
            variables.insert(QStringLiteral("HOMEDRIVE"), profile.left(2));
            variables.insert(QStringLiteral("HOMEPATH"), profile.mid(2));
            const qsizetype slash = profile.lastIndexOf(QLatin1Char('\\'));
            variables.insert(QStringLiteral("USERNAME"), profile.mid(slash + 1));
        }
    }
    const QString appData = m_registry
                                .readString(RegRoot::CurrentUser, kShellFolders,
                                            QStringLiteral("AppData"))
                                .value_or(QString());
    if (!appData.isEmpty())
        variables.insert(QStringLiteral("APPDATA"), appData);
    const QString localAppData = m_registry
                                     .readString(RegRoot::CurrentUser, kShellFolders,
                                                 QStringLiteral("Local AppData"))
                                     .value_or(QString());
    if (!localAppData.isEmpty())
        variables.insert(QStringLiteral("LOCALAPPDATA"), localAppData);
    for (const RegValue& value : m_registry.values(RegRoot::CurrentUser, QStringLiteral("Environment")))
        if (value.isString() && !value.name.isEmpty())
            variables.insert(value.name.toUpper(), expandWith(value.toText(), variables));
    return variables;
}

QString WineShellFolders::expandWith(const QString& text,
                                     const QHash<QString, QString>& variables) const
{
    QString result;
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype open = text.indexOf(QLatin1Char('%'), pos);
        if (open < 0)
            break;
        const qsizetype close = text.indexOf(QLatin1Char('%'), open + 1);
        if (close < 0)
            break;
        const auto found = variables.constFind(text.mid(open + 1, close - open - 1).toUpper());
        if (found == variables.constEnd()) {
            // Not a variable: keep the first "%" and look again from the second.
            result += text.mid(pos, close - pos);
            pos = close;
            continue;
        }
        result += text.mid(pos, open - pos);
        result += *found;
        pos = close + 1;
    }
    result += text.mid(pos);
    return result;
}

QString WineShellFolders::expandEnvironment(const QString& text) const
{
    if (!text.contains(QLatin1Char('%')))
        return text;
    return expandWith(text, environment());
}

QString WineShellFolders::tempFolder() const
{
    const QHash<QString, QString> variables = environment();
    for (const char* name : {"TEMP", "TMP"}) {
        const QString value = variables.value(QLatin1String(name));
        if (!value.isEmpty())
            return withoutTrailingSeparator(value);
    }
    return {};
}

QString WineShellFolders::specialFolder(int csidl) const
{
    switch (csidl) {
    case Csidl::Windows:
        return windowsFolder();
    case Csidl::System:
        return systemFolder();
    case Csidl::Profile:
        return profileFolder();
    case Csidl::ProgramFiles:
        return withoutTrailingSeparator(expandEnvironment(
            m_registry.readString(RegRoot::LocalMachine, kCurrentVersion,
                                  QStringLiteral("ProgramFilesDir"))
                .value_or(QString())));
    case Csidl::ProgramFilesCommon:
        return withoutTrailingSeparator(expandEnvironment(
            m_registry.readString(RegRoot::LocalMachine, kCurrentVersion,
                                  QStringLiteral("CommonFilesDir"))
                .value_or(QString())));
    default:
        break;
    }
    for (const ShellFolderName& entry : kShellFolderNames) {
        if (entry.csidl != csidl)
            continue;
        const QString name = QLatin1String(entry.name);
        // "User Shell Folders" is what Windows itself consults; "Shell Folders"
        // is its older, already expanded copy.
        QString path = m_registry.readString(entry.root, kUserShellFolders, name).value_or(QString());
        if (!path.isEmpty())
            path = expandEnvironment(path);
        if (path.isEmpty() || path.contains(QLatin1Char('%')))
            path = m_registry.readString(entry.root, kShellFolders, name).value_or(QString());
        return withoutTrailingSeparator(path);
    }
    return {};
}

QString WineShellFolders::windowsVersion() const
{
    const std::optional<quint32> major = m_registry.readDword(
        RegRoot::LocalMachine, kNtCurrentVersion, QStringLiteral("CurrentMajorVersionNumber"));
    const std::optional<quint32> minor = m_registry.readDword(
        RegRoot::LocalMachine, kNtCurrentVersion, QStringLiteral("CurrentMinorVersionNumber"));
    if (major && minor)
        return QStringLiteral("%1.%2").arg(*major).arg(*minor);
    return m_registry
        .readString(RegRoot::LocalMachine, kNtCurrentVersion, QStringLiteral("CurrentVersion"))
        .value_or(QString());
}

} // namespace veridon
