#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

namespace veridon {

class FileSystem;

// One item found by a search.
struct TFileInformations
{
    QString Name;
    QString Path; // the folder searched, ending in "\"; full path = Path + Name
    std::uint32_t Attributes = 0;
    std::uint32_t Size = 0; // low 32 bits
    std::uint64_t WholeSize = 0;     // the whole size, for files of 4 GiB and more
    std::uint64_t LastWriteTime = 0; // FILETIME, as the listing saw it
};

struct TSearchStatistics
{
    int foldersFound = 0;
    int filesFound = 0;
    int foldersWithFiles = 0;
    qint64 elapsedMs = 0;
};

// Include bits of a search.
namespace Include {
constexpr std::uint8_t Recursive = 1;
constexpr std::uint8_t ReadOnly = 2;
constexpr std::uint8_t Hidden = 4;
constexpr std::uint8_t System = 8;
constexpr std::uint8_t Directory = 16;
constexpr std::uint8_t Archive = 32;
constexpr std::uint8_t PlainFiles = 64;
constexpr std::uint8_t All = 127;
} // namespace Include

// A breadth-first walk of a folder tree of the scanned environment that
// reports matching files and folders through callbacks. Folders that are
// symbolic links are reported but never entered, so a walk neither leaves its
// tree nor loops; folders that cannot be listed are skipped.
class TFileSearch
{
public:
    enum class SizeMode
    {
        AtMost = 0,
        AtLeast = 1,
    };

    explicit TFileSearch(const FileSystem& files);

    QString RootPath = QStringLiteral(".\\");
    QStringList FileNames = {QStringLiteral("*.*")};
    QStringList ExcludedFiles;
    std::uint8_t IncludeBits = Include::All;
    bool SizeFilter = false;
    int SizeFilterMode = 0; // 0: at most the limit, 1: at least; others reject
    std::uint32_t SizeLimit = 0;

    std::function<void(const TFileInformations&)> OnFound;
    // Sees, before the first of them is reported, the items that the next
    // OnFound calls will report, in the same order (up to kLookAhead at a time).
    std::function<void(const TFileInformations&)> OnFoundAhead;
    std::function<bool(const TFileInformations&)> OnAccept;
    std::function<void(const QString& folder)> OnFolderChange;
    std::function<void(const TSearchStatistics&)> OnFinished;

    static constexpr const char* Version = "TEasyFileSearch v1.02";
    static constexpr int kLookAhead = 256;

    // Runs the search; true when anything was found.
    bool Execute();
    // Ends the search before its next folder entry (call from a callback).
    void Stop() { m_stop = true; }

private:
    const FileSystem& m_files;
    bool m_stop = false;
};

// The component name the engine uses for its searches.
using TEasyFileSearch = TFileSearch;

} // namespace veridon
