#include "engine/FileSystemArea.h"

#include "engine/AreaSearch.h"
#include "engine/LineFields.h"
#include "engine/PathParts.h"
#include "engine/ScanSession.h"
#include "engine/TDetectionRecord.h"

namespace veridon {
namespace {

constexpr int kShare = 5;

// A detected folder and its whole content: every folder and every file whose
// name holds a dot, at any depth.
void reportFolders(ScanSession& session, int index, const QString& threatName,
                   const QString& path)
{
    const QString parent = folderPart(path);
    if (!folderExists(session, parent))
        return;
    searchFolder(session, parent, {namePart(path)}, SearchBits::kFolders,
                 [&](const FoundItem& folder) {
                     const QString folderPath = folder.fullPath();
                     session.handOver(Check::kFileSystem, index, threatName,
                                      ObjectType::kFolder, folderPath);
                     searchFolder(session, folderPath, {QStringLiteral("*.*")},
                                  SearchBits::kEverythingRecursive,
                                  [&](const FoundItem& item) {
                                      session.countObject();
                                      session.handOver(Check::kFileSystem, index, threatName,
                                                       hasExtension(item.name)
                                                           ? ObjectType::kFile
                                                           : ObjectType::kFolder,
                                                       item.fullPath());
                                      return true;
                                  });
                     return true;
                 });
}

} // namespace

void scanFileSystem(ScanSession& session)
{
    const QStringList lines = session.signatures().joined(QStringLiteral("Dir.db"));
    const int count = int(lines.size());
    for (int i = 0; i < count; ++i) {
        if (session.stopRequested())
            break;
        session.countObject();
        const LineFields fields = LineFields::split(lines[i]);
        const ExpandedPath expanded = expandPath(session.appFrame(), fields.rest, MacroOrder::E);
        reportFolders(session, i, fields.first, expanded.path);
        if (!expanded.allUsersPath.isEmpty())
            reportFolders(session, i, fields.first, expanded.allUsersPath);
        session.showObject(folderPart(expanded.allUsersPath.isEmpty() ? expanded.path
                                                                      : expanded.allUsersPath));
        session.areaStep(i, count, kShare);
    }
}

} // namespace veridon
