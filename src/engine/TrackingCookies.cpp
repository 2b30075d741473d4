#include "engine/TrackingCookies.h"

#include "engine/ScanSession.h"
#include "engine/SignatureFields.h"
#include "platform/Environment.h"

#include <vector>

namespace veridon {
namespace {

const QString kThreatName = QStringLiteral("Tracking Cookies");
const QString kCookieExtension = QStringLiteral(".txt");

// The upper-cased site of each line: the text before its first "=", empty for
// a line without one (such a line never matches).
QStringList sitesOf(const QStringList& lines)
{
    QStringList sites;
    sites.reserve(lines.size());
    for (const QString& line : lines) {
        const FieldSplit fields = splitAtFirst(line, QLatin1Char('='));
        sites.append(fields.found ? fields.head.toUpper() : QString());
    }
    return sites;
}

void checkCookie(ScanSession& session, const UrlCacheEntry& entry, const QStringList& sites)
{
    const QString extension = entry.localFile.right(4);
    session.showObject(entry.localFile);
    if (extension != kCookieExtension && extension != QLatin1String(".js"))
        return;
    const QString url = entry.sourceUrl.toUpper();
    for (int t = 0; t < sites.size(); ++t)
        if (!sites[t].isEmpty() && url.contains(sites[t]))
            session.handOver(Check::kTrackingCookie, t, kThreatName, ObjectType::kCookies,
                             entry.localFile, QString(), true);
}

} // namespace

void scanTrackingCookies(ScanSession& session)
{
    const QStringList sites =
        sitesOf(session.signatures().joined(QStringLiteral("TrackingCookie.db")));
    const std::vector<UrlCacheEntry> entries = session.environment().urlCache().entries();
    for (const UrlCacheEntry& entry : entries) {
        if (session.stopRequested())
            return;
        session.countObject();
        // Exactly ".txt": the cache names cookie files so, and an upper-case
        // extension is not one of its cookies.
        if (entry.localFile.endsWith(kCookieExtension, Qt::CaseSensitive))
            checkCookie(session, entry, sites);
    }
}

} // namespace veridon
