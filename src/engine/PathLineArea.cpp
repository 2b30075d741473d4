#include "engine/PathLineArea.h"

#include "engine/AreaSearch.h"
#include "engine/LineFields.h"
#include "engine/PathParts.h"
#include "engine/ScanSession.h"

namespace veridon {

void scanPathLines(ScanSession& session, const QString& member, MacroOrder order, int share,
                   const PathReport& report)
{
    const QStringList lines = session.signatures().joined(member);
    const int count = int(lines.size());
    for (int i = 0; i < count; ++i) {
        if (session.stopRequested())
            break;
        session.countObject();
        const LineFields fields = LineFields::split(lines[i]);
        const ExpandedPath expanded = expandPath(session.appFrame(), fields.rest, order);
        report(i, fields.first, expanded.path);
        // The all-users variant is searched like the path itself: its folder
        // part must exist (the mask is its name part).
        if (!expanded.allUsersPath.isEmpty())
            report(i, fields.first, expanded.allUsersPath);
        session.showObject(
            folderPart(expanded.allUsersPath.isEmpty() ? expanded.path : expanded.allUsersPath));
        session.areaStep(i, count, share);
    }
}

} // namespace veridon
