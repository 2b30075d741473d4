#pragma once

#include "engine/MacroExpander.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>

namespace veridon {

class ScanSession;
class TAppFrame;

// Include bits of the file-search component as the file areas use them.
namespace SearchBits {
constexpr int kFolders = 16;             // folders, not recursive
constexpr int kFiles = 64;               // files, not recursive
constexpr int kFilesRecursive = 65;      // files with subfolders
constexpr int kEverythingRecursive = 81; // files and folders with subfolders
} // namespace SearchBits

// One item a search found.
struct FoundItem
{
    const QString& folder; // ends with "\"
    const QString& name;
    std::uint64_t size;
    std::uint64_t lastWriteTime; // FILETIME

    QString fullPath() const { return folder + name; }
};

// Runs one search of the file areas from `root` with the file-search
// component. `visit` sees every item found; returning false stops the search,
// and so does a stop request of the session. `ahead`, when given, sees the
// items before `visit` does, a group at a time, in the same order.
void searchFolder(ScanSession& session, const QString& root, const QStringList& masks,
                  int includeBits, const std::function<bool(const FoundItem&)>& visit,
                  const std::function<void(const FoundItem&)>& ahead = {});

// The expansion of one signature path with one macro order.
struct ExpandedPath
{
    QString path;
    QString allUsersPath; // empty unless the macro has an all-users counterpart
};
ExpandedPath expandPath(const TAppFrame& frame, const QString& text, MacroOrder order);

// Whether a folder, or a file (not a folder), of that name exists.
bool folderExists(ScanSession& session, const QString& path);
bool fileExists(ScanSession& session, const QString& path);

} // namespace veridon
