#include "engine/FileSystemArea.h"

#include "engine/AreaSearch.h"
#include "engine/PathLineArea.h"
#include "engine/PathParts.h"
#include "engine/ScanSession.h"
#include "engine/TDetectionRecord.h"

namespace veridon {
namespace {

constexpr int kShare = 5;

// A detected folder and its whole content: every folder and every file whose
// name holds a dot, at any depth.
void reportFolders(ScanSession& session, int index, const QString& threatName, const QString& path)
{
    const QString parent = folderPart(path);
    if (!folderExists(session, parent))
        return;
    searchFolder(
        session, parent, {namePart(path)}, SearchBits::kFolders, [&](const FoundItem& folder) {
            const QString folderPath = folder.fullPath();
            session.handOver(Check::kFileSystem, index, threatName, ObjectType::kFolder,
                             folderPath);
            searchFolder(session, folderPath, {QStringLiteral("*.*")},
                         SearchBits::kEverythingRecursive, [&](const FoundItem& item) {
                             session.countObject();
                             session.handOver(Check::kFileSystem, index, threatName,
                                              hasExtension(item.name) ? ObjectType::kFile
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
    scanPathLines(session, QStringLiteral("Dir.db"), MacroOrder::E, kShare,
                  [&](int index, const QString& threatName, const QString& path) {
                      reportFolders(session, index, threatName, path);
                  });
}

} // namespace veridon
