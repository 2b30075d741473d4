#include "engine/AreaSearch.h"

#include "engine/ScanSession.h"
#include "engine/TFileSearch.h"
#include "platform/Environment.h"

namespace veridon {

void searchFolder(ScanSession& session, const QString& root, const QStringList& masks,
                  int includeBits, const std::function<bool(const FoundItem&)>& visit,
                  const std::function<void(const FoundItem&)>& ahead)
{
    TEasyFileSearch search(session.environment().files());
    search.RootPath = root;
    search.FileNames = masks;
    search.IncludeBits = std::uint8_t(includeBits);
    if (ahead)
        search.OnFoundAhead = [&](const TFileInformations& info) {
            ahead(FoundItem{info.Path, info.Name, info.WholeSize, info.LastWriteTime});
        };
    search.OnFound = [&](const TFileInformations& info) {
        if (session.stopRequested()) {
            search.Stop();
            return;
        }
        if (!visit(FoundItem{info.Path, info.Name, info.WholeSize, info.LastWriteTime}))
            search.Stop();
    };
    search.Execute();
}

ExpandedPath expandPath(const TAppFrame& frame, const QString& text, MacroOrder order)
{
    ExpandedPath expanded{text, {}};
    ExpandMacros(frame, order, expanded.path, expanded.allUsersPath);
    return expanded;
}

bool folderExists(ScanSession& session, const QString& path)
{
    if (path.isEmpty())
        return false;
    const std::optional<FileEntry> entry = session.environment().files().stat(path);
    return entry && entry->isDirectory();
}

bool fileExists(ScanSession& session, const QString& path)
{
    if (path.isEmpty())
        return false;
    const std::optional<FileEntry> entry = session.environment().files().stat(path);
    return entry && !entry->isDirectory();
}

} // namespace veridon
