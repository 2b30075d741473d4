#include "engine/CriticalAreas.h"

#include "engine/AreaSearch.h"
#include "engine/PathLineArea.h"
#include "engine/PathParts.h"
#include "engine/ScanSession.h"
#include "engine/TDetectionRecord.h"

namespace veridon {
namespace {

constexpr int kShare = 2;

void reportFiles(ScanSession& session, int index, const QString& threatName, const QString& path)
{
    const QString folder = folderPart(path);
    if (!folderExists(session, folder))
        return;
    searchFolder(session, folder, {namePart(path)}, SearchBits::kFiles, [&](const FoundItem& item) {
        session.handOver(Check::kCriticalArea, index, threatName, ObjectType::kFile,
                         item.fullPath());
        return true;
    });
}

} // namespace

void scanCriticalAreas(ScanSession& session)
{
    scanPathLines(session, QStringLiteral("Dda.db"), MacroOrder::C, kShare,
                  [&](int index, const QString& threatName, const QString& path) {
                      reportFiles(session, index, threatName, path);
                  });
}

} // namespace veridon
