#include "platform/posix/PosixFileSystem.h"

#include "platform/WindowsPath.h"
#include "platform/posix/RunningImages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace veridon {
namespace {

constexpr qsizetype kResolvedCacheLimit = 8192;
constexpr qint64 kSecondsFrom1601To1970 = 11644473600LL;

struct DirCloser
{
    void operator()(DIR* dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

// Owns a file descriptor.
class Fd
{
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

FileError errorFromErrno(int error)
{
    switch (error) {
    case 0:
        return FileError::None;
    case ENOENT:
    case ENOTDIR:
    case ELOOP:
    case ENAMETOOLONG:
        return FileError::NotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return FileError::AccessDenied;
    case ENOTEMPTY:
        return FileError::NotEmpty;
    case ETXTBSY:
    case EBUSY:
        return FileError::InUse;
    case EEXIST:
        return FileError::Exists;
    default:
        return FileError::Other;
    }
}

quint64 fileTime(const struct timespec& time)
{
    const qint64 seconds = qint64(time.tv_sec) + kSecondsFrom1601To1970;
    if (seconds < 0)
        return 0;
    return quint64(seconds) * 10000000ULL + quint64(time.tv_nsec) / 100ULL;
}

// Fills `entry` from a stat of the item (the link's target for links).
void describeItem(const struct stat& st, bool isLink, const char* name, FileEntry& entry)
{
    quint32 attributes = 0;
    if (S_ISDIR(st.st_mode)) {
        attributes |= FileAttribute::Directory;
        entry.size = 0;
    } else {
        attributes |= FileAttribute::Archive;
        entry.size = quint64(st.st_size);
    }
    if (!(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)))
        attributes |= FileAttribute::ReadOnly;
    if (name[0] == '.' && name[1] != '\0' && !(name[1] == '.' && name[2] == '\0'))
        attributes |= FileAttribute::Hidden;
    if (isLink)
        attributes |= FileAttribute::ReparsePoint;
    entry.attributes = attributes;
    entry.isLink = isLink;
    entry.lastWriteTime = fileTime(st.st_mtim);
}

bool isListable(const struct stat& st)
{
    return S_ISDIR(st.st_mode) || S_ISREG(st.st_mode);
}

// Pseudo file systems of the host: never listed, whatever path leads there.
bool isPseudoFolder(const QByteArray& host)
{
    static const char* const kPseudo[] = {"/proc", "/sys", "/dev", "/run"};
    for (const char* pseudo : kPseudo) {
        const qsizetype length = qsizetype(std::strlen(pseudo));
        if (host.startsWith(pseudo) && (host.size() == length || host[length] == '/'))
            return true;
    }
    return false;
}

bool isPseudoRootEntry(const char* name)
{
    return !std::strcmp(name, "proc") || !std::strcmp(name, "sys") || !std::strcmp(name, "dev") ||
           !std::strcmp(name, "run");
}

QByteArray joinHost(const QByteArray& base, const QByteArray& name)
{
    QByteArray path;
    path.reserve(base.size() + name.size() + 1);
    path = base;
    if (!path.endsWith('/'))
        path += '/';
    path += name;
    return path;
}

// Opens a plain file for reading without blocking on pipes or devices.
int openPlainFile(const QByteArray& host, struct stat& st)
{
    Fd fd(::open(host.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0)
        return -1;
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags >= 0)
        ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
    return fd.release();
}

class PosixFileReader final : public FileReader
{
public:
    PosixFileReader(int fd, quint64 size) : m_fd(fd), m_size(size) {}
    qint64 read(char* buffer, qint64 capacity) override
    {
        for (;;) {
            const ssize_t got = ::read(m_fd.get(), buffer, size_t(capacity));
            if (got >= 0)
                return got;
            if (errno != EINTR)
                return -1;
        }
    }
    quint64 size() const override { return m_size; }

private:
    Fd m_fd;
    quint64 m_size;
};

class PosixMappedFile final : public MappedFile
{
public:
    PosixMappedFile(const uchar* data, quint64 size) : m_data(data), m_size(size) {}
    ~PosixMappedFile() override
    {
        if (m_data)
            ::munmap(const_cast<uchar*>(m_data), size_t(m_size));
    }
    const uchar* data() const override { return m_data; }
    quint64 size() const override { return m_size; }

private:
    const uchar* m_data;
    quint64 m_size;
};

QString canonicalOrEmpty(const QString& path)
{
    char resolved[PATH_MAX];
    if (!::realpath(QFile::encodeName(path).constData(), resolved))
        return {};
    return QFile::decodeName(resolved);
}

bool isUnder(const QString& path, const QString& root)
{
    if (root == QLatin1String("/"))
        return path.startsWith(QLatin1Char('/'));
    return path == root || (path.startsWith(root) && path[root.size()] == QLatin1Char('/'));
}

} // namespace

PosixFileSystem::PosixFileSystem(QList<Drive> drives) : m_drives(std::move(drives))
{
    std::sort(m_drives.begin(), m_drives.end(),
              [](const Drive& a, const Drive& b) { return a.letter < b.letter; });
}

QList<PosixFileSystem::Drive> PosixFileSystem::drivesOfPrefix(const QString& prefixDir)
{
    QList<Drive> drives;
    const QString dosdevices = prefixDir + QStringLiteral("/dosdevices");
    DirHandle dir(opendir(QFile::encodeName(dosdevices).constData()));
    if (!dir)
        return drives;
    while (const dirent* entry = readdir(dir.get())) {
        const char* name = entry->d_name;
        // "c:" is a drive; "c::" (raw device) and "com1" are not.
        if (std::strlen(name) != 2 || name[1] != ':')
            continue;
        const QChar letter = QChar(QLatin1Char(name[0])).toUpper();
        if (letter < QLatin1Char('A') || letter > QLatin1Char('Z'))
            continue;
        const QString root = canonicalOrEmpty(dosdevices + QLatin1Char('/') + QLatin1String(name));
        if (root.isEmpty() || !QFileInfo(root).isDir())
            continue;
        drives.append(Drive{letter, root, DriveType::Fixed});
    }
    return drives;
}

QList<PosixFileSystem::Drive> PosixFileSystem::hostOnlyDrives()
{
    return {Drive{QLatin1Char('Z'), QStringLiteral("/"), DriveType::Fixed}};
}

const PosixFileSystem::Drive* PosixFileSystem::findDrive(QChar letter) const
{
    letter = letter.toUpper();
    for (const Drive& drive : m_drives)
        if (drive.letter == letter)
            return &drive;
    return nullptr;
}

void PosixFileSystem::forgetResolved() const
{
    std::lock_guard lock(m_cacheMutex);
    m_resolved.clear();
}

QByteArray PosixFileSystem::resolve(const QString& windowsPath) const
{
    const WindowsPath path = WindowsPath::parse(windowsPath);
    if (!path.isValid())
        return {};
    const Drive* drive = findDrive(path.drive);
    if (!drive)
        return {};
    const QByteArray root = QFile::encodeName(drive->hostRoot);
    const qsizetype count = path.components.size();
    if (count == 0)
        return root;

    // The path as written usually exists with this very case: one lstat.
    QList<QByteArray> encoded;
    encoded.reserve(count);
    QByteArray exact = root;
    for (const QString& component : path.components) {
        encoded.append(QFile::encodeName(component));
        exact = joinHost(exact, encoded.last());
    }
    struct stat st{};
    if (::lstat(exact.constData(), &st) == 0)
        return exact;

    // Component by component, starting at the longest folder resolved before.
    QList<QString> keys;
    keys.reserve(count);
    QString key = QString(path.drive) + QLatin1Char(':');
    for (const QString& component : path.components) {
        key += QLatin1Char('\\');
        key += component.toUpper();
        keys.append(key);
    }
    QByteArray host = root;
    qsizetype next = 0;
    {
        std::lock_guard lock(m_cacheMutex);
        for (qsizetype i = count - 2; i >= 0; --i) {
            const auto found = m_resolved.constFind(keys[i]);
            if (found != m_resolved.constEnd()) {
                host = *found;
                next = i + 1;
                break;
            }
        }
    }
    for (qsizetype i = next; i < count; ++i) {
        QByteArray candidate = joinHost(host, encoded[i]);
        if (::lstat(candidate.constData(), &st) != 0) {
            candidate.clear();
            DirHandle dir(opendir(host.constData()));
            while (dir) {
                const dirent* entry = readdir(dir.get());
                if (!entry)
                    break;
                if (QString::compare(QFile::decodeName(entry->d_name), path.components[i],
                                     Qt::CaseInsensitive) == 0) {
                    candidate = joinHost(host, QByteArray(entry->d_name));
                    break;
                }
            }
            if (candidate.isEmpty()) {
                // Missing from here on: keep the rest as written.
                for (qsizetype j = i; j < count; ++j)
                    host = joinHost(host, encoded[j]);
                return host;
            }
        }
        host = std::move(candidate);
        if (i < count - 1) {
            std::lock_guard lock(m_cacheMutex);
            if (m_resolved.size() >= kResolvedCacheLimit)
                m_resolved.clear();
            m_resolved.insert(keys[i], host);
        }
    }
    return host;
}

bool PosixFileSystem::exists(const QString& path) const
{
    const QByteArray host = resolve(path);
    struct stat st{};
    return !host.isEmpty() && ::stat(host.constData(), &st) == 0;
}

std::optional<FileEntry> PosixFileSystem::stat(const QString& path) const
{
    const QByteArray host = resolve(path);
    if (host.isEmpty())
        return std::nullopt;
    struct stat st{};
    if (::lstat(host.constData(), &st) != 0)
        return std::nullopt;
    const bool isLink = S_ISLNK(st.st_mode);
    if (isLink && ::stat(host.constData(), &st) != 0)
        return std::nullopt;
    const qsizetype slash = host.lastIndexOf('/');
    const QByteArray name = WindowsPath::parse(path).components.isEmpty()
                                ? QByteArray()
                                : host.mid(slash + 1);
    FileEntry entry;
    entry.name = QFile::decodeName(name);
    describeItem(st, isLink, name.constData(), entry);
    return entry;
}

bool PosixFileSystem::list(const QString& folder,
                           const std::function<bool(const FileEntry&)>& visit) const
{
    const QByteArray host = resolve(folder);
    if (host.isEmpty() || isPseudoFolder(host))
        return false;
    const int fd = ::open(host.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    DirHandle dir(fdopendir(fd));
    if (!dir) {
        ::close(fd);
        return false;
    }
    const bool atHostRoot = host == "/";
    const int dirFd = dirfd(dir.get());
    FileEntry entry;
    while (const dirent* item = readdir(dir.get())) {
        const char* name = item->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        if (atHostRoot && isPseudoRootEntry(name))
            continue;
        struct stat st{};
        if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue; // vanished meanwhile
        const bool isLink = S_ISLNK(st.st_mode);
        if (isLink && ::fstatat(dirFd, name, &st, 0) != 0)
            continue; // dangling or looping link
        if (!isListable(st))
            continue; // devices, pipes and sockets are no files to scan
        entry.name = QFile::decodeName(name);
        describeItem(st, isLink, name, entry);
        if (!visit(entry))
            break;
    }
    return true;
}

std::unique_ptr<FileReader> PosixFileSystem::openRead(const QString& path) const
{
    const QByteArray host = resolve(path);
    if (host.isEmpty())
        return nullptr;
    struct stat st{};
    const int fd = openPlainFile(host, st);
    if (fd < 0)
        return nullptr;
    return std::make_unique<PosixFileReader>(fd, quint64(st.st_size));
}

std::optional<QByteArray> PosixFileSystem::readFile(const QString& path, quint64 maxBytes) const
{
    std::unique_ptr<FileReader> reader = openRead(path);
    if (!reader)
        return std::nullopt;
    QByteArray bytes;
    const quint64 expected = std::min<quint64>(reader->size(), maxBytes);
    bytes.resize(qsizetype(std::min<quint64>(expected, quint64(INT_MAX))));
    quint64 filled = 0;
    for (;;) {
        if (filled == quint64(bytes.size())) {
            if (filled >= maxBytes)
                break;
            // The file grew since it was opened.
            const quint64 more = std::min<quint64>(maxBytes - filled, 65536);
            bytes.resize(qsizetype(filled + more));
        }
        const qint64 got = reader->read(bytes.data() + filled, qint64(bytes.size() - filled));
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        filled += quint64(got);
    }
    bytes.resize(qsizetype(filled));
    return bytes;
}

std::unique_ptr<MappedFile> PosixFileSystem::map(const QString& path) const
{
    const QByteArray host = resolve(path);
    if (host.isEmpty())
        return nullptr;
    struct stat st{};
    Fd fd(openPlainFile(host, st));
    if (fd.get() < 0)
        return nullptr;
    if (st.st_size == 0)
        return std::make_unique<PosixMappedFile>(nullptr, 0);
    void* data = ::mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_PRIVATE, fd.get(), 0);
    if (data == MAP_FAILED)
        return nullptr;
    return std::make_unique<PosixMappedFile>(static_cast<const uchar*>(data),
                                             quint64(st.st_size));
}

FileError PosixFileSystem::writeFile(const QString& path, const QByteArray& bytes)
{
    const QByteArray host = resolve(path);
    if (host.isEmpty())
        return FileError::NotFound;
    Fd fd(::open(host.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0666));
    if (fd.get() < 0)
        return errorFromErrno(errno);
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t done = ::write(fd.get(), bytes.constData() + written,
                                     size_t(bytes.size() - written));
        if (done < 0) {
            if (errno == EINTR)
                continue;
            return errorFromErrno(errno);
        }
        written += done;
    }
    return ::close(fd.release()) == 0 ? FileError::None : errorFromErrno(errno);
}

FileError PosixFileSystem::deleteFile(const QString& path)
{
    const QByteArray host = resolve(path);
    if (host.isEmpty())
        return FileError::NotFound;
    struct stat st{};
    if (::lstat(host.constData(), &st) != 0)
        return errorFromErrno(errno);
    if (S_ISDIR(st.st_mode))
        return FileError::AccessDenied; // DeleteFile never removes folders
    if (S_ISLNK(st.st_mode)) {
        forgetResolved();
    } else {
        // Windows refuses to delete read-only files and files in use as images.
        if (!(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)))
            return FileError::AccessDenied;
        if (isMappedByRunningProcess(host))
            return FileError::InUse;
    }
    return ::unlink(host.constData()) == 0 ? FileError::None : errorFromErrno(errno);
}

FileError PosixFileSystem::removeFolder(const QString& path)
{
    const QByteArray host = resolve(path);
    if (host.isEmpty() || WindowsPath::parse(path).components.isEmpty())
        return host.isEmpty() ? FileError::NotFound : FileError::AccessDenied;
    struct stat st{};
    if (::lstat(host.constData(), &st) != 0)
        return errorFromErrno(errno);
    forgetResolved();
    if (S_ISLNK(st.st_mode)) {
        struct stat target{};
        if (::stat(host.constData(), &target) != 0 || !S_ISDIR(target.st_mode))
            return FileError::Other; // ERROR_DIRECTORY: not a folder
        // The link goes; what it points to stays untouched.
        return ::unlink(host.constData()) == 0 ? FileError::None : errorFromErrno(errno);
    }
    if (!S_ISDIR(st.st_mode))
        return FileError::Other;
    if (::rmdir(host.constData()) == 0)
        return FileError::None;
    return errno == EEXIST ? FileError::NotEmpty : errorFromErrno(errno);
}

FileError PosixFileSystem::setAttributes(const QString& path, quint32 attributes)
{
    const QByteArray host = resolve(path);
    if (host.isEmpty())
        return FileError::NotFound;
    struct stat st{};
    if (::lstat(host.constData(), &st) != 0)
        return errorFromErrno(errno);
    if (S_ISLNK(st.st_mode))
        return FileError::None; // a link has no permissions of its own; its target is not ours
    mode_t mode = st.st_mode & 07777;
    if (attributes & FileAttribute::ReadOnly)
        mode &= ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH);
    else if (!(mode & (S_IWUSR | S_IWGRP | S_IWOTH)))
        mode |= S_IWUSR;
    if (mode == (st.st_mode & 07777))
        return FileError::None;
    return ::chmod(host.constData(), mode) == 0 ? FileError::None : errorFromErrno(errno);
}

FileError PosixFileSystem::createFolders(const QString& path)
{
    const WindowsPath parsed = WindowsPath::parse(path);
    const QByteArray host = resolve(path);
    if (host.isEmpty())
        return FileError::NotFound;
    const Drive* drive = findDrive(parsed.drive);
    const qsizetype rootLength = QFile::encodeName(drive->hostRoot).size();
    forgetResolved();
    for (qsizetype slash = host.indexOf('/', rootLength); ; slash = host.indexOf('/', slash + 1)) {
        const QByteArray part = slash < 0 ? host : host.left(slash);
        if (part.size() > rootLength || (slash < 0 && part.size() == rootLength)) {
            struct stat st{};
            if (::stat(part.constData(), &st) == 0) {
                if (!S_ISDIR(st.st_mode))
                    return FileError::Exists;
            } else if (::mkdir(part.constData(), 0777) != 0 && errno != EEXIST) {
                return errorFromErrno(errno);
            }
        }
        if (slash < 0)
            break;
    }
    return FileError::None;
}

QString PosixFileSystem::toHostPath(const QString& windowsPath) const
{
    return QFile::decodeName(resolve(windowsPath));
}

QString PosixFileSystem::toWindowsPath(const QString& hostPath) const
{
    const QString absolute = QDir::cleanPath(QFileInfo(hostPath).absoluteFilePath());
    const QString candidates[] = {absolute, canonicalOrEmpty(absolute)};
    const Drive* hostRootDrive = nullptr;
    for (const QString& candidate : candidates) {
        if (candidate.isEmpty())
            continue;
        const Drive* best = nullptr;
        for (const Drive& drive : m_drives) {
            if (drive.hostRoot == QLatin1String("/")) {
                if (!hostRootDrive)
                    hostRootDrive = &drive;
                continue;
            }
            if (isUnder(candidate, drive.hostRoot) &&
                (!best || drive.hostRoot.size() > best->hostRoot.size()))
                best = &drive;
        }
        if (best) {
            QString rest = candidate.mid(best->hostRoot.size());
            rest.replace(QLatin1Char('/'), QLatin1Char('\\'));
            if (rest.startsWith(QLatin1Char('\\')))
                rest.remove(0, 1);
            return QString(best->letter) + QLatin1String(":\\") + rest;
        }
    }
    if (!hostRootDrive)
        return {};
    QString rest = absolute.mid(1);
    rest.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return QString(hostRootDrive->letter) + QLatin1String(":\\") + rest;
}

QStringList PosixFileSystem::logicalDrives() const
{
    QStringList roots;
    for (const Drive& drive : m_drives)
        roots.append(QString(drive.letter) + QLatin1String(":\\"));
    return roots;
}

DriveType PosixFileSystem::driveType(const QString& root) const
{
    if (root.isEmpty())
        return DriveType::NoRootDir;
    const Drive* drive = findDrive(root[0]);
    return drive ? drive->type : DriveType::NoRootDir;
}

QString PosixFileSystem::volumeFileSystem(const QString& root) const
{
    if (root.isEmpty())
        return {};
    const Drive* drive = findDrive(root[0]);
    if (!drive)
        return {};
    struct statfs info{};
    if (::statfs(QFile::encodeName(drive->hostRoot).constData(), &info) != 0)
        return {};
    // As Wine reports them: FAT and optical media by name, everything else as NTFS.
    switch (static_cast<unsigned long>(info.f_type)) {
    case 0x4d44UL: // msdos / vfat
        return QStringLiteral("FAT32");
    case 0x9660UL: // iso9660
        return QStringLiteral("CDFS");
    case 0x15013346UL:
        return QStringLiteral("UDF");
    default:
        return QStringLiteral("NTFS");
    }
}

} // namespace veridon
