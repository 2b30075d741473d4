#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace veridon {

// File attribute bits, with the values of Windows' FILE_ATTRIBUTE_* constants.
namespace FileAttribute {
constexpr quint32 ReadOnly = 0x1;
constexpr quint32 Hidden = 0x2;
constexpr quint32 System = 0x4;
constexpr quint32 Directory = 0x10;
constexpr quint32 Archive = 0x20;
constexpr quint32 Normal = 0x80;
constexpr quint32 ReparsePoint = 0x400; // symbolic links (never descended, never deleted through)
} // namespace FileAttribute

// Windows' GetDriveType results.
enum class DriveType : int
{
    Unknown = 0,
    NoRootDir = 1,
    Removable = 2,
    Fixed = 3,
    Remote = 4,
    CdRom = 5,
    RamDisk = 6,
};

// One folder entry or one looked-up item (FindFirstFile / GetFileAttributesEx).
struct FileEntry
{
    QString name;              // the name as stored (its letter case), no folder part
    quint32 attributes = 0;    // FileAttribute bits
    quint64 size = 0;          // whole size; folders 0
    quint64 lastWriteTime = 0; // FILETIME: 100 ns ticks since 1601-01-01 UTC
    bool isLink = false;       // a symbolic link; attributes describe its target

    bool isDirectory() const { return attributes & FileAttribute::Directory; }
};

// Why a change to the file system failed; mirrors the Win32 errors callers act on.
enum class FileError
{
    None,
    NotFound,     // ERROR_FILE_NOT_FOUND / ERROR_PATH_NOT_FOUND
    AccessDenied, // ERROR_ACCESS_DENIED
    InUse,        // ERROR_SHARING_VIOLATION: the file is a running program's image
    NotEmpty,     // ERROR_DIR_NOT_EMPTY
    Exists,       // ERROR_ALREADY_EXISTS (a file where a folder is wanted)
    Other,
};

// A fixed English text for an error ("The file is in use." ...).
const char* describe(FileError error);

// A read-only view of a whole file, unmapped when destroyed. An empty file maps to
// data() == nullptr and size() == 0.
class MappedFile
{
public:
    virtual ~MappedFile() = default;
    virtual const uchar* data() const = 0;
    virtual quint64 size() const = 0;
};

// A sequential reader over one file (CreateFile + ReadFile); closed when destroyed.
// Hashing reads through this rather than a mapping: a mapped file that another
// program truncates would fault the reader.
class FileReader
{
public:
    virtual ~FileReader() = default;
    // Up to `capacity` bytes into `buffer`; 0 at the end, -1 on a read error.
    virtual qint64 read(char* buffer, qint64 capacity) = 0;
    // The size when the file was opened.
    virtual quint64 size() const = 0;
};

// Files and folders of the scanned environment, addressed by Windows paths
// ("C:\windows\system32\x.dll"; "\" and "/" are both separators, letter case is
// ignored as on Windows). Nothing here throws for a missing or unreadable item;
// each call reports failure in its result, as the Win32 calls it stands for do.
//
// Linux (Wine prefix): drive letters come from <prefix>/dosdevices; each path
// component is resolved case-insensitively (an exact-case match wins, as in
// Wine); Z: is the host root, whose pseudo file systems (/proc, /sys, /dev, /run)
// are never listed. Symbolic links are listed (isLink, with ReparsePoint and the
// attributes of their target) but callers must never descend into a linked folder;
// delete and removeFolder remove a link itself, never what it points to.
// Attributes are derived: ReadOnly from the write permission bits, Hidden for
// names starting with ".", Archive for every plain file; System never occurs.
// The const calls may run on several threads at once (a scan lists folders and
// hashes files on threads of its own).
class FileSystem
{
public:
    virtual ~FileSystem() = default;

    // GetFileAttributes != INVALID_FILE_ATTRIBUTES: a file or folder is there.
    virtual bool exists(const QString& path) const = 0;
    // GetFileAttributesEx / FindFirstFile on one name; nothing when missing.
    virtual std::optional<FileEntry> stat(const QString& path) const = 0;

    // FindFirstFile/FindNextFile over folder\*: calls visit once per entry
    // ("." and ".." left out) until it returns false. Returns false when the
    // folder cannot be listed (missing, not a folder, unreadable). The entry
    // passed to visit is reused between calls: copy what you keep.
    virtual bool list(const QString& folder,
                      const std::function<bool(const FileEntry&)>& visit) const = 0;

    // The whole file, at most maxBytes of it; nothing when it cannot be read.
    virtual std::optional<QByteArray> readFile(const QString& path,
                                               quint64 maxBytes = UINT64_MAX) const = 0;
    // Opens a plain file for sequential reading; nullptr when it cannot be opened
    // (missing, a folder, a device or pipe, unreadable). The default reads the whole
    // file through readFile(); real backends stream it.
    virtual std::unique_ptr<FileReader> openRead(const QString& path) const;
    // CreateFileMapping + MapViewOfFile, read-only; nullptr when it cannot be mapped.
    virtual std::unique_ptr<MappedFile> map(const QString& path) const = 0;

    // CreateFile(CREATE_ALWAYS) + WriteFile: replaces or creates the file (its
    // folder must exist).
    virtual FileError writeFile(const QString& path, const QByteArray& bytes) = 0;
    // DeleteFile. Fails with InUse when the file is the program image of a running
    // process, as on Windows (Linux itself would unlink it and leave the process
    // running). A symbolic link is removed itself.
    virtual FileError deleteFile(const QString& path) = 0;
    // RemoveDirectory: the folder must be empty. A link to a folder is removed
    // itself; its target is never touched.
    virtual FileError removeFolder(const QString& path) = 0;
    // SetFileAttributes. Linux keeps only ReadOnly (as the write permission bits);
    // the other bits are accepted and ignored.
    virtual FileError setAttributes(const QString& path, quint32 attributes) = 0;
    // SHCreateDirectoryEx: creates the folder and any missing parents.
    virtual FileError createFolders(const QString& path) = 0;

    // The host path a Windows path stands for (resolving case as Wine does;
    // components that do not exist are kept as given); empty when the drive is
    // unknown. On Windows the path itself.
    virtual QString toHostPath(const QString& windowsPath) const = 0;
    // The Windows path of a host path: inside a drive's folder that drive, else Z:.
    // Empty when no drive covers it.
    virtual QString toWindowsPath(const QString& hostPath) const = 0;

    // GetLogicalDriveStrings: "C:\", "Z:\" ... in letter order.
    virtual QStringList logicalDrives() const = 0;
    // GetDriveType of a root ("C:\" or "C:").
    virtual DriveType driveType(const QString& root) const = 0;
    // GetVolumeInformation's file-system name ("NTFS", "FAT32", "CDFS"...);
    // empty when the drive is unknown.
    virtual QString volumeFileSystem(const QString& root) const = 0;
};

} // namespace veridon
