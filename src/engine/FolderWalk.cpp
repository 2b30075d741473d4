#include "engine/FolderWalk.h"

#include <exception>

namespace veridon {

FolderWalk::FolderWalk(const FileSystem& files, QString root, bool recursive)
    : m_files(files), m_thread([this, root = std::move(root), recursive]() mutable {
          walk(std::move(root), recursive);
      })
{
}

FolderWalk::~FolderWalk()
{
    {
        std::lock_guard lock(m_mutex);
        m_ending = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

std::optional<FolderWalk::Part> FolderWalk::next()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_done || !m_parts.empty(); });
    if (m_parts.empty())
        return std::nullopt;
    Part part = std::move(m_parts.front());
    m_parts.pop_front();
    m_entriesQueued -= part.entries.size();
    lock.unlock();
    m_changed.notify_all();
    return part;
}

bool FolderWalk::deliver(Part&& part)
{
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_ending || m_entriesQueued < kEntriesAhead; });
        if (m_ending)
            return false;
        m_entriesQueued += part.entries.size();
        m_parts.push_back(std::move(part));
    }
    m_changed.notify_all();
    return true;
}

void FolderWalk::walk(QString root, bool recursive)
{
    try {
        listAll(std::move(root), recursive);
    } catch (const std::exception&) {
        // Out of memory for a listing: the walk ends with what it delivered.
    }
    {
        std::lock_guard lock(m_mutex);
        m_done = true;
    }
    m_changed.notify_all();
}

void FolderWalk::listAll(QString root, bool recursive)
{
    std::deque<QString> pending{std::move(root)};
    bool going = true;
    while (going && !pending.empty()) {
        Part part{std::move(pending.front()), true, {}};
        pending.pop_front();
        part.entries.reserve(kPartSize);
        QString parent = part.folder;
        if (!parent.endsWith(QLatin1Char('\\')))
            parent += QLatin1Char('\\');
        // A folder that cannot be listed is delivered empty.
        m_files.list(parent, [&](const FileEntry& entry) {
            if (recursive && entry.isDirectory() && !entry.isLink)
                pending.push_back(parent + entry.name);
            part.entries.push_back(entry);
            if (part.entries.size() < kPartSize)
                return true;
            const QString folder = part.folder;
            going = deliver(std::move(part));
            part = Part{folder, false, {}};
            part.entries.reserve(kPartSize);
            return going;
        });
        if (going && (part.first || !part.entries.empty()))
            going = deliver(std::move(part));
    }
}

} // namespace veridon
