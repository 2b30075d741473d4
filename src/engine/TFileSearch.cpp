#include "engine/TFileSearch.h"

#include "engine/WildcardMatch.h"
#include "platform/FileSystem.h"

#include <QElapsedTimer>

#include <deque>

namespace veridon {
namespace {

const QString kAllNames = QStringLiteral("*.*");

bool matchesAny(const QStringList& masks, const QString& name)
{
    for (const QString& mask : masks)
        if (WildcardMatch(mask, name))
            return true;
    return false;
}

} // namespace

TFileSearch::TFileSearch(const FileSystem& files) : m_files(files) {}

bool TFileSearch::accepts(const TFileInformations& item, bool isFolder) const
{
    quint32 included = 0;
    if (IncludeReadOnly)
        included |= FileAttribute::ReadOnly;
    if (IncludeHidden)
        included |= FileAttribute::Hidden;
    if (IncludeSystem)
        included |= FileAttribute::System;
    if (IncludeDirectory)
        included |= FileAttribute::Directory;
    if (IncludeArchive)
        included |= FileAttribute::Archive;
    if (!(item.Attributes & included) && !(IncludeFiles && !isFolder))
        return false;
    if (SizeFilterEnabled) {
        if (SizeFilterMode == 0 ? item.Size > SizeLimit
                                : (SizeFilterMode == 1 ? item.Size < SizeLimit : true))
            return false;
    }
    if (matchesAny(ExcludedMasks, item.Name))
        return false;
    if (!matchesAny(Masks, item.Name) && (!isFolder || !Masks.contains(kAllNames)))
        return false;
    return true;
}

bool TFileSearch::Search()
{
    m_stop = false;
    QElapsedTimer timer;
    timer.start();
    TSearchStatistics statistics;
    std::deque<QString> pending;
    QString folder = RootPath;
    for (;;) {
        if (OnChangeFolder)
            OnChangeFolder(folder);
        if (!folder.endsWith(QLatin1Char('\\')))
            folder += QLatin1Char('\\');
        bool folderHasFiles = false;
        TFileInformations item;
        item.Path = folder;
        m_files.list(folder, [&](const FileEntry& entry) {
            if (m_stop)
                return false;
            try {
                const bool isFolder = entry.isDirectory();
                // Linked folders lead out of the tree or round in circles.
                if (isFolder && Recursive && !entry.isLink)
                    pending.push_back(folder + entry.name);
                item.Name = entry.name;
                item.Attributes = entry.attributes;
                item.Size = quint32(entry.size & 0xffffffffU);
                if (accepts(item, isFolder) && (!OnAccept || OnAccept(item))) {
                    if (isFolder) {
                        ++statistics.FoldersFound;
                    } else {
                        ++statistics.FilesFound;
                        if (!folderHasFiles) {
                            folderHasFiles = true;
                            ++statistics.FoldersWithFiles;
                        }
                    }
                    if (OnFound)
                        OnFound(item);
                }
            } catch (...) {
                // One entry's failure ends that entry only.
            }
            return !m_stop;
        });
        if (m_stop || pending.empty())
            break;
        folder = std::move(pending.front());
        pending.pop_front();
    }
    statistics.ElapsedMs = timer.elapsed();
    if (OnFinished)
        OnFinished(statistics);
    return statistics.FoldersFound + statistics.FilesFound > 0;
}

} // namespace veridon
