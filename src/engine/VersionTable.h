#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace veridon {

// Version-information patterns ("ThreatName,Index,Pattern[,Publisher]"), all
// fields trimmed. The index stays text: a line whose index is not a number
// fails only when it is used.
class VersionTable
{
public:
    struct Entry
    {
        QString threatName;
        QString index;
        QString pattern;
        QString publisher;
    };

    void load(const QStringList& lines);
    const std::vector<Entry>& entries() const { return m_entries; }

private:
    std::vector<Entry> m_entries;
};

} // namespace veridon
