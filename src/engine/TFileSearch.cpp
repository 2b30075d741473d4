#include "engine/TFileSearch.h"

#include "engine/FolderWalk.h"
#include "engine/WildcardMatch.h"
#include "platform/FileSystem.h"

#include <QElapsedTimer>

#include <algorithm>
#include <deque>
#include <exception>

namespace veridon {
namespace {

// A mask prepared once per run: "*.*" and "*.ext" are answered without the
// general matcher, which every file of a large tree would otherwise pay for.
struct Mask
{
    QString upper;
    enum class Kind { AnyDotted, Extension, General } kind = Kind::General;
    QString suffix; // ".EXT" for Extension

    explicit Mask(const QString& text) : upper(wildcardUpper(text))
    {
        if (upper == QLatin1String("*.*"))
            kind = Kind::AnyDotted;
        else if (upper.startsWith(QLatin1String("*.")) && upper.size() > 2 &&
                 !QStringView(upper).mid(1).contains(QLatin1Char('*')) &&
                 !upper.contains(QLatin1Char('?')) && !upper.contains(QLatin1Char('['))) {
            kind = Kind::Extension;
            suffix = upper.mid(1);
        }
    }

    bool matches(const QString& upperName) const
    {
        switch (kind) {
        case Kind::AnyDotted:
            return upperName.contains(QLatin1Char('.'));
        case Kind::Extension:
            return upperName.endsWith(suffix);
        case Kind::General:
            break;
        }
        return wildcardMatchUpper(upper, upperName);
    }
};

std::vector<Mask> prepare(const QStringList& masks)
{
    std::vector<Mask> prepared;
    for (const QString& m : masks)
        prepared.emplace_back(m);
    return prepared;
}

bool anyMatches(const std::vector<Mask>& masks, const QString& upperName)
{
    for (const Mask& m : masks)
        if (m.matches(upperName))
            return true;
    return false;
}

} // namespace

TFileSearch::TFileSearch(const FileSystem& files) : m_files(files)
{
}

bool TFileSearch::Execute()
{
    m_stop = false;
    QElapsedTimer timer;
    timer.start();
    TSearchStatistics stats;

    const std::vector<Mask> masks = prepare(FileNames);
    const std::vector<Mask> excluded = prepare(ExcludedFiles);
    const bool allNames = FileNames.contains(QStringLiteral("*.*"));
    // "*.*" alone asks only for a dot: no upper-cased copy of every name.
    const bool namesNeedUpper =
        !excluded.empty() || std::any_of(masks.begin(), masks.end(), [](const Mask& m) {
            return m.kind != Mask::Kind::AnyDotted;
        });
    const bool recursive = IncludeBits & Include::Recursive;
    const bool plainFiles = IncludeBits & Include::PlainFiles;
    std::uint32_t included = 0;
    if (IncludeBits & Include::ReadOnly)
        included |= FileAttribute::ReadOnly;
    if (IncludeBits & Include::Hidden)
        included |= FileAttribute::Hidden;
    if (IncludeBits & Include::System)
        included |= FileAttribute::System;
    if (IncludeBits & Include::Directory)
        included |= FileAttribute::Directory;
    if (IncludeBits & Include::Archive)
        included |= FileAttribute::Archive;

    // Found items wait here until reported, so that OnFoundAhead sees up to
    // kLookAhead of them first, across folder boundaries.
    std::deque<TFileInformations> found;
    const auto reportFirst = [&] {
        const TFileInformations info = std::move(found.front());
        found.pop_front();
        try {
            if (OnFound)
                OnFound(info);
        } catch (const std::exception&) {
            // One bad entry never ends the walk.
        }
    };

    FolderWalk walk(m_files, RootPath, recursive);
    bool folderHasFiles = false;
    TFileInformations info;
    while (!m_stop) {
        std::optional<FolderWalk::Part> part = walk.next();
        if (!part)
            break;
        if (part->first) {
            if (OnFolderChange)
                OnFolderChange(part->folder);
            info.Path = part->folder;
            if (!info.Path.endsWith(QLatin1Char('\\')))
                info.Path += QLatin1Char('\\');
            folderHasFiles = false;
        }
        for (const FileEntry& entry : part->entries) {
            if (m_stop)
                break;
            try {
                const bool isFolder = entry.isDirectory();
                info.Name = entry.name;
                info.Attributes = entry.attributes;
                info.Size = std::uint32_t(entry.size);
                info.WholeSize = entry.size;
                info.LastWriteTime = entry.lastWriteTime;

                bool accepted = (entry.attributes & included) != 0 || (plainFiles && !isFolder);
                if (accepted && SizeFilter) {
                    if (SizeFilterMode == 0)
                        accepted = info.Size <= SizeLimit;
                    else if (SizeFilterMode == 1)
                        accepted = info.Size >= SizeLimit;
                    else
                        accepted = false;
                }
                if (accepted) {
                    const QString upperName =
                        namesNeedUpper ? wildcardUpper(entry.name) : entry.name;
                    accepted = !anyMatches(excluded, upperName) &&
                               (anyMatches(masks, upperName) || (isFolder && allNames));
                }
                if (accepted && OnAccept)
                    accepted = OnAccept(info);
                if (!accepted)
                    continue;
                if (isFolder) {
                    ++stats.foldersFound;
                } else {
                    ++stats.filesFound;
                    if (!folderHasFiles)
                        ++stats.foldersWithFiles;
                    folderHasFiles = true;
                }
                if (OnFoundAhead)
                    OnFoundAhead(info);
                found.push_back(info);
            } catch (const std::exception&) {
                // One bad entry never ends the walk.
            }
            while (found.size() > std::size_t(kLookAhead) && !m_stop)
                reportFirst();
        }
    }
    while (!found.empty() && !m_stop)
        reportFirst();
    stats.elapsedMs = timer.elapsed();
    if (OnFinished)
        OnFinished(stats);
    return stats.foldersFound + stats.filesFound > 0;
}

} // namespace veridon
