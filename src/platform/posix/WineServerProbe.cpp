#include "platform/posix/WineServerProbe.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace veridon {
namespace {

bool lockIsHeld(const QByteArray& lockPath)
{
    const int fd = ::open(lockPath.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock probe{};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    const bool held = ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
    ::close(fd);
    return held;
}

QStringList serverParents()
{
    QStringList parents;
    parents.append(QStringLiteral("/tmp/.wine-%1").arg(getuid()));
    QStringList temporaries{QStringLiteral("/tmp")};
    if (const char* tmp = std::getenv("TMPDIR"); tmp && *tmp)
        temporaries.append(QFile::decodeName(tmp));
    for (const QString& temporary : temporaries) {
        const QStringList names = QDir(temporary).entryList(
            {QStringLiteral("wine-*"), QStringLiteral(".wine-*")},
            QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
        for (const QString& name : names)
            parents.append(temporary + QLatin1Char('/') + name);
    }
    return parents;
}

// A wineserver works inside its server folder: find one whose working folder has our name.
bool serverProcessServes(const char* serverName)
{
    DIR* proc = opendir("/proc");
    if (!proc)
        return false;
    bool found = false;
    char path[300];
    char target[PATH_MAX];
    char comm[64];
    while (const dirent* entry = readdir(proc)) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9')
            continue;
        std::snprintf(path, sizeof path, "/proc/%s/comm", entry->d_name);
        FILE* file = std::fopen(path, "re");
        if (!file)
            continue;
        const bool named = std::fgets(comm, sizeof comm, file) && std::strncmp(comm, "wineserver", 10) == 0;
        std::fclose(file);
        if (!named)
            continue;
        std::snprintf(path, sizeof path, "/proc/%s/cwd", entry->d_name);
        const ssize_t length = ::readlink(path, target, sizeof target - 1);
        if (length <= 0)
            continue;
        target[length] = '\0';
        const char* base = std::strrchr(target, '/');
        if (base && std::strcmp(base + 1, serverName) == 0) {
            found = true;
            break;
        }
    }
    closedir(proc);
    return found;
}

} // namespace

bool isWineServerRunning(const QString& prefixDir)
{
    struct stat st{};
    if (prefixDir.isEmpty() || ::stat(QFile::encodeName(prefixDir).constData(), &st) != 0)
        return false;
    char serverName[64];
    std::snprintf(serverName, sizeof serverName, "server-%llx-%llx",
                  static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    for (const QString& parent : serverParents()) {
        const QByteArray lock =
            QFile::encodeName(parent) + '/' + QByteArray(serverName) + QByteArrayLiteral("/lock");
        if (lockIsHeld(lock))
            return true;
    }
    return serverProcessServes(serverName);
}

} // namespace veridon
