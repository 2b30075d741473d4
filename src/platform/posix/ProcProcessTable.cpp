#include "platform/posix/ProcProcessTable.h"

#include "platform/PeImage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <climits>
#include <csignal>
#include <map>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace veridon {
namespace {

constexpr qint64 kMaxProcFile = 1 << 20; // environ and maps of ordinary processes fit easily

QByteArray readProcFile(const QString& path, qint64 limit = kMaxProcFile)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return {};
    return file.read(limit);
}

QList<QByteArray> nulSeparated(const QByteArray& bytes)
{
    QList<QByteArray> parts = bytes.split('\0');
    while (!parts.isEmpty() && parts.last().isEmpty())
        parts.removeLast();
    return parts;
}

QString readLink(const QString& path)
{
    char target[PATH_MAX];
    const QByteArray name = QFile::encodeName(path);
    const ssize_t length = ::readlink(name.constData(), target, sizeof target - 1);
    if (length <= 0)
        return {};
    QString text = QFile::decodeName(QByteArray(target, length));
    // The kernel marks an executable that was deleted after it started.
    if (text.endsWith(QLatin1String(" (deleted)")))
        text.chop(10);
    return text;
}

bool isWindowsDrivePath(const QString& text)
{
    return text.size() >= 3 && text[0].isLetter() && text[1] == QLatin1Char(':') &&
           (text[2] == QLatin1Char('\\') || text[2] == QLatin1Char('/'));
}

bool isWineLoader(const QString& exe)
{
    const QString name = QFileInfo(exe).fileName();
    return name == QLatin1String("wine") || name == QLatin1String("wine64") ||
           name == QLatin1String("wine-preloader") || name == QLatin1String("wine64-preloader");
}

// The drive letters of one prefix: <prefix>/dosdevices/x: links, resolved.
class DriveMap
{
public:
    explicit DriveMap(const QString& prefix)
    {
        const QDir devices(prefix + QStringLiteral("/dosdevices"));
        for (const QFileInfo& link : devices.entryInfoList(QDir::AllEntries | QDir::System)) {
            const QString name = link.fileName();
            if (name.size() != 2 || !name[0].isLetter() || name[1] != QLatin1Char(':'))
                continue;
            const QString target = link.canonicalFilePath();
            if (!target.isEmpty())
                m_drives.push_back({name[0].toUpper(), target});
        }
    }

    // The drive path of a host path: the drive whose folder holds it most
    // closely; "/" is Z: in every Wine prefix, so the host root is the fallback.
    QString toWindows(const QString& hostPath, bool* onRootDrive = nullptr) const
    {
        const Drive* best = nullptr;
        for (const Drive& drive : m_drives) {
            if (!contains(drive.folder, hostPath))
                continue;
            if (!best || drive.folder.size() > best->folder.size())
                best = &drive;
        }
        const QChar letter = best ? best->letter : QLatin1Char('Z');
        const QString folder = best ? best->folder : QStringLiteral("/");
        if (onRootDrive)
            *onRootDrive = folder == QLatin1String("/");
        QString rest = hostPath.mid(folder == QLatin1String("/") ? 0 : folder.size());
        rest.replace(QLatin1Char('/'), QLatin1Char('\\'));
        if (!rest.startsWith(QLatin1Char('\\')))
            rest.prepend(QLatin1Char('\\'));
        return QString(letter) + QLatin1Char(':') + rest;
    }

private:
    struct Drive
    {
        QChar letter;
        QString folder;
    };
    static bool contains(const QString& folder, const QString& path)
    {
        if (folder == QLatin1String("/"))
            return path.startsWith(QLatin1Char('/'));
        return path == folder ||
               (path.startsWith(folder) && path.at(folder.size()) == QLatin1Char('/'));
    }
    std::vector<Drive> m_drives;
};

QString fileNameOfWindowsPath(const QString& path)
{
    const qsizetype slash =
        std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    return path.mid(slash + 1).left(259);
}

class Snapshot
{
public:
    explicit Snapshot(const QString& root) : m_root(root) {}

    std::optional<ProcessEntry> read(quint32 pid)
    {
        const QString dir = m_root + QLatin1Char('/') + QString::number(pid);
        const QByteArray stat = readProcFile(dir + QStringLiteral("/stat"), 4096);
        const qsizetype close = stat.lastIndexOf(')');
        if (close < 0 || close + 2 >= stat.size())
            return std::nullopt; // vanished or unreadable
        const char state = stat.at(close + 2);
        if (state == 'Z' || state == 'X')
            return std::nullopt;

        QString exe = readLink(dir + QStringLiteral("/exe"));
        // A program run from an anonymous memory file has no path to show.
        if (exe.startsWith(QLatin1String("/memfd:")))
            exe.clear();
        const QList<QByteArray> argv =
            nulSeparated(readProcFile(dir + QStringLiteral("/cmdline"), 65536));
        const QString argv0 = argv.isEmpty() ? QString() : QString::fromUtf8(argv.first());
        if (exe.isEmpty() && argv0.isEmpty())
            return std::nullopt; // a kernel thread, or gone meanwhile

        ProcessEntry entry;
        entry.pid = pid;
        if (isWineLoader(exe) || (exe.isEmpty() && isWindowsDrivePath(argv0))) {
            entry.imagePath = wineImage(dir, argv0);
            entry.exeName =
                fileNameOfWindowsPath(entry.imagePath.isEmpty() ? argv0 : entry.imagePath);
        } else if (!exe.isEmpty()) {
            // A native program is named as Wine names host files: through the
            // drive letters of its prefix, Z: for what lies outside every drive.
            entry.imagePath = drivesOf(dir).toWindows(exe);
            entry.exeName = QFileInfo(exe).fileName();
        } else {
            // Another user's process: its executable link is closed to us.
            entry.exeName = fileNameOfWindowsPath(argv0);
        }
        if (entry.exeName.isEmpty())
            return std::nullopt;
        return entry;
    }

private:
    QString wineImage(const QString& dir, const QString& argv0)
    {
        const DriveMap& drives = drivesOf(dir);
        const QString mapped = imageAtBase(dir);
        bool onRootDrive = true;
        QString fromMap = mapped.isEmpty() ? QString() : drives.toWindows(mapped, &onRootDrive);
        // A builtin program is mapped from Wine's own library folder, outside the
        // prefix; the name the program runs under (its argv[0]) is then the one
        // Windows tools show, and the one the prefix holds.
        if (!fromMap.isEmpty() && !onRootDrive)
            return fromMap;
        if (isWindowsDrivePath(argv0))
            return argv0;
        return fromMap;
    }

    const DriveMap& drivesOf(const QString& dir)
    {
        QString prefix, home;
        for (const QByteArray& variable :
             nulSeparated(readProcFile(dir + QStringLiteral("/environ")))) {
            if (variable.startsWith("WINEPREFIX=") && variable.size() > 11)
                prefix = QFile::decodeName(variable.mid(11));
            else if (variable.startsWith("HOME=") && variable.size() > 5)
                home = QFile::decodeName(variable.mid(5));
        }
        if (prefix.isEmpty()) {
            if (home.isEmpty()) {
                struct stat info
                {
                };
                if (::stat(QFile::encodeName(dir).constData(), &info) == 0)
                    if (const passwd* user = ::getpwuid(info.st_uid))
                        home = QFile::decodeName(user->pw_dir);
            }
            prefix = home + QStringLiteral("/.wine");
        }
        auto found = m_drives.find(prefix);
        if (found == m_drives.end())
            found = m_drives.emplace(prefix, DriveMap(prefix)).first;
        return found->second;
    }

    // The file mapped from its start at the address its PE header names as image
    // base, and not a library: the program image.
    QString imageAtBase(const QString& dir)
    {
        const QByteArray maps = readProcFile(dir + QStringLiteral("/maps"), 16 * kMaxProcFile);
        for (const QByteArray& line : maps.split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() < 6 || fields[2] != "00000000" || !fields[5].startsWith('/'))
                continue;
            bool ok = false;
            const quint64 start = fields[0].left(fields[0].indexOf('-')).toULongLong(&ok, 16);
            if (!ok)
                continue;
            // A path may hold blanks: it is everything from the sixth field on.
            const QString path = QFile::decodeName(line.mid(line.indexOf('/')));
            const auto header = peHeader(path);
            if (header && header->first == start && !header->second)
                return path;
        }
        return {};
    }

    // Image base and "is a library" of a PE file, remembered per path.
    std::optional<std::pair<quint64, bool>> peHeader(const QString& path)
    {
        auto found = m_headers.find(path);
        if (found != m_headers.end())
            return found->second;
        std::optional<std::pair<quint64, bool>> result;
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray head = file.read(4096);
            const PeImage image({reinterpret_cast<const std::uint8_t*>(head.constData()),
                                 static_cast<std::size_t>(head.size())});
            if (image.isValid())
                result = std::make_pair(quint64(image.imageBase()), image.isDll());
        }
        m_headers.emplace(path, result);
        return result;
    }

    QString m_root;
    std::map<QString, DriveMap> m_drives;
    std::map<QString, std::optional<std::pair<quint64, bool>>> m_headers;
};

std::vector<quint32> processIds(const QString& root)
{
    std::vector<quint32> ids;
    for (const QString& name : QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool ok = false;
        const quint32 pid = name.toUInt(&ok);
        if (ok && pid > 0)
            ids.push_back(pid);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

} // namespace

ProcProcessTable::ProcProcessTable(QString procRoot) : m_root(std::move(procRoot)) {}

std::vector<ProcessEntry> ProcProcessTable::snapshot() const
{
    Snapshot snapshot(m_root);
    std::vector<ProcessEntry> entries;
    for (quint32 pid : processIds(m_root)) {
        if (auto entry = snapshot.read(pid))
            entries.push_back(std::move(*entry));
    }
    return entries;
}

bool ProcProcessTable::terminate(quint32 pid)
{
    // kill() reads 0 as "my process group" and negative ids as groups too.
    if (pid == 0 || pid > quint32(INT_MAX))
        return false;
    return ::kill(static_cast<pid_t>(pid), SIGKILL) == 0;
}

bool ProcProcessTable::isFileOpen(const QString& hostPath) const
{
    struct stat wanted
    {
    };
    if (::stat(QFile::encodeName(hostPath).constData(), &wanted) != 0)
        return false;
    const QString target = QFileInfo(hostPath).canonicalFilePath();
    for (quint32 pid : processIds(m_root)) {
        const QString dir = m_root + QLatin1Char('/') + QString::number(pid);
        // Open descriptors: compare the files themselves, not their names.
        const QDir fds(dir + QStringLiteral("/fd"));
        for (const QString& fd : fds.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
            struct stat info
            {
            };
            if (::stat(QFile::encodeName(fds.filePath(fd)).constData(), &info) == 0 &&
                info.st_dev == wanted.st_dev && info.st_ino == wanted.st_ino)
                return true;
        }
        // Mapped images and libraries.
        const QByteArray maps = readProcFile(dir + QStringLiteral("/maps"), 16 * kMaxProcFile);
        const QByteArray needle = QFile::encodeName(target);
        for (const QByteArray& line : maps.split('\n')) {
            const qsizetype slash = line.indexOf('/');
            if (slash >= 0 && line.mid(slash) == needle)
                return true;
        }
    }
    return false;
}

std::unique_ptr<ProcessTable> createProcessTable()
{
    return std::make_unique<ProcProcessTable>();
}

} // namespace veridon
