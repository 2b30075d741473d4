#include "remedy/RecentActiveThreats.h"

#include "engine/ScanSession.h"
#include "engine/SignatureFields.h"
#include "remedy/RegistryTrace.h"

namespace veridon {
namespace {

constexpr int kShare = 33;

} // namespace

void scanRecentActiveThreats(ScanSession& session, const FileTraceCheck& fileTrace)
{
    const QStringList lines = session.signatures().joined(QStringLiteral("Extra.db"));
    const int count = int(lines.size());
    for (int i = 0; i < count; ++i) {
        if (session.stopRequested())
            return;
        const FieldSplit fields = splitAtFirst(lines[i], QLatin1Char(','));
        const QString entry = trimBlanks(fields.tail);
        session.countObject();
        session.areaStep(i, count, kShare);
        if (isRegistryTrace(entry))
            checkRegistryTrace(session, i, fields.head, entry);
        else if (fileTrace)
            fileTrace(session, i, fields.head, entry);
    }
}

} // namespace veridon
