#pragma once

#include "platform/FileSystem.h"

#include <QString>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace veridon {

// The folder listings of a breadth-first walk, made on a thread of its own
// ahead of the caller, who takes them in walk order. Listing a folder costs a
// system call for every entry; meanwhile the caller checks what was listed
// before. Folders that are symbolic links are never entered. A large folder
// comes in several parts, and the thread stays a bounded number of entries
// ahead, so memory stays small whatever the tree.
class FolderWalk
{
public:
    struct Part
    {
        QString folder;    // as queued: the root as given, else parent + "\" + name
        bool first = true; // the folder's first part
        std::vector<FileEntry> entries;
    };

    static constexpr std::size_t kPartSize = 512;
    static constexpr std::size_t kEntriesAhead = 8192;

    FolderWalk(const FileSystem& files, QString root, bool recursive);
    // Ends the walk where it stands.
    ~FolderWalk();
    FolderWalk(const FolderWalk&) = delete;
    FolderWalk& operator=(const FolderWalk&) = delete;

    // The next part in walk order; waits for it. Nothing once the walk is over.
    std::optional<Part> next();

private:
    void walk(QString root, bool recursive);
    void listAll(QString root, bool recursive);
    // Hands a part to the caller; false when the walk is to end.
    bool deliver(Part&& part);

    const FileSystem& m_files;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Part> m_parts;
    std::size_t m_entriesQueued = 0;
    bool m_done = false;   // the walk has delivered everything
    bool m_ending = false; // the caller wants no more
    std::thread m_thread;
};

} // namespace veridon
