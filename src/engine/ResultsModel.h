#pragma once

#include "engine/TDetectionRecord.h"

#include <QSet>
#include <QStringList>

#include <vector>

namespace veridon {

// One row of the results list: caption = threat name, then the record's texts.
struct ResultRow
{
    TDetectionRecord record;
    QString caption;
    int imageIndex = 0;
    bool checked = true;
};

// The results list without its widget: the window and the command line both
// keep their rows here, so the duplicate and white-list tests are the same.
class ResultsModel
{
public:
    // Forgets the objects seen in an earlier run and takes the run's white
    // list (lower-cased entries).
    void beginRun(QStringList whiteList);

    // The hand-over test: an object already reported in this run, or one whose
    // lower-cased object text or id code contains a white-list entry, adds no
    // row. Returns whether a row was added.
    bool add(const TDetectionRecord& record);

    const std::vector<ResultRow>& rows() const { return m_rows; }
    std::vector<ResultRow>& rows() { return m_rows; }
    void clear() { m_rows.clear(); }

    bool isWhiteListed(const TDetectionRecord& record) const;

private:
    QSet<QString> m_seen;
    QStringList m_whiteList;
    std::vector<ResultRow> m_rows;
};

} // namespace veridon
