#include "platform/posix/RunningImages.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace veridon {
namespace {

struct DirCloser
{
    void operator()(DIR* dir) const { closedir(dir); }
};
struct FileCloser
{
    void operator()(FILE* file) const { std::fclose(file); }
};

bool isPid(const char* name)
{
    if (!*name)
        return false;
    for (const char* p = name; *p; ++p)
        if (*p < '0' || *p > '9')
            return false;
    return true;
}

// A line of /proc/<pid>/maps: "start-end perms offset major:minor inode   path".
bool mapsLineNames(const char* line, dev_t dev, ino_t ino, const char* realPath)
{
    unsigned major = 0, minor = 0;
    unsigned long long inode = 0;
    int pathStart = 0;
    if (std::sscanf(line, "%*s %*s %*s %x:%x %llu %n", &major, &minor, &inode, &pathStart) < 3)
        return false;
    if (inode == 0)
        return false;
    if (inode == ino && makedev(major, minor) == dev)
        return true;
    // Overlay file systems show the underlying device in maps; the path still matches.
    if (inode != ino || pathStart <= 0)
        return false;
    const char* path = line + pathStart;
    const size_t length = std::strcspn(path, "\n");
    return length == std::strlen(realPath) && std::strncmp(path, realPath, length) == 0;
}

} // namespace

bool isMappedByRunningProcess(const QByteArray& hostPath)
{
    struct stat target{};
    if (::stat(hostPath.constData(), &target) != 0 || !S_ISREG(target.st_mode))
        return false;
    char realPath[PATH_MAX];
    if (!::realpath(hostPath.constData(), realPath))
        return false;

    std::unique_ptr<DIR, DirCloser> proc(opendir("/proc"));
    if (!proc)
        return false;
    char path[300];
    char* line = nullptr;
    size_t capacity = 0;
    bool found = false;
    while (!found) {
        const dirent* entry = readdir(proc.get());
        if (!entry)
            break;
        if (!isPid(entry->d_name))
            continue;
        std::snprintf(path, sizeof path, "/proc/%s/exe", entry->d_name);
        struct stat exe{};
        if (::stat(path, &exe) == 0 && exe.st_dev == target.st_dev && exe.st_ino == target.st_ino) {
            found = true;
            break;
        }
        std::snprintf(path, sizeof path, "/proc/%s/maps", entry->d_name);
        std::unique_ptr<FILE, FileCloser> maps(std::fopen(path, "re"));
        if (!maps)
            continue; // vanished or not ours to read
        while (getline(&line, &capacity, maps.get()) > 0) {
            if (mapsLineNames(line, target.st_dev, target.st_ino, realPath)) {
                found = true;
                break;
            }
        }
    }
    std::free(line);
    return found;
}

} // namespace veridon
