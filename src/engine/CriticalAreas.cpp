#include "engine/CriticalAreas.h"

#include "engine/AreaSearch.h"
#include "engine/LineFields.h"
#include "engine/PathParts.h"
#include "engine/ScanSession.h"
#include "engine/TDetectionRecord.h"

namespace veridon {
namespace {

constexpr int kShare = 2;

void reportFiles(ScanSession& session, int index, const QString& threatName,
                 const QString& path)
{
    const QString folder = folderPart(path);
    if (!folderExists(session, folder))
        return;
    searchFolder(session, folder, {namePart(path)}, SearchBits::kFiles,
                 [&](const FoundItem& item) {
                     session.handOver(Check::kCriticalArea, index, threatName,
                                      ObjectType::kFile, item.fullPath());
                     return true;
                 });
}

} // namespace

void scanCriticalAreas(ScanSession& session)
{
    const QStringList lines = session.signatures().joined(QStringLiteral("Dda.db"));
    const int count = int(lines.size());
    for (int i = 0; i < count; ++i) {
        if (session.stopRequested())
            break;
        session.countObject();
        const LineFields fields = LineFields::split(lines[i]);
        const ExpandedPath expanded = expandPath(session.appFrame(), fields.rest, MacroOrder::C);
        reportFiles(session, i, fields.first, expanded.path);
        // The all-users variant is searched like the path itself: its folder
        // part must exist (the mask is its name part).
        if (!expanded.allUsersPath.isEmpty())
            reportFiles(session, i, fields.first, expanded.allUsersPath);
        session.showObject(folderPart(expanded.allUsersPath.isEmpty() ? expanded.path
                                                                      : expanded.allUsersPath));
        session.areaStep(i, count, kShare);
    }
}

} // namespace veridon
