#include "engine/ResultsModel.h"

namespace veridon {

void ResultsModel::beginRun(QStringList whiteList)
{
    m_seen.clear();
    m_whiteList = std::move(whiteList);
}

bool ResultsModel::isWhiteListed(const TDetectionRecord& record) const
{
    const QString object = record.objectText.toLower();
    const QString id = record.idCode.toLower();
    // An empty entry (a blank table line) names nothing, so it never matches.
    for (const QString& entry : m_whiteList)
        if (!entry.isEmpty() && (object.contains(entry) || id.contains(entry)))
            return true;
    return false;
}

bool ResultsModel::add(const TDetectionRecord& record)
{
    // Windows names ignore case, and so does the seen list.
    const QString seenKey = record.objectText.toLower();
    if (m_seen.contains(seenKey))
        return false;
    m_seen.insert(seenKey);
    if (isWhiteListed(record))
        return false;
    m_rows.push_back(ResultRow{record, record.threatName, record.riskLevel, true});
    return true;
}

} // namespace veridon
