#include "engine/VersionTable.h"

namespace veridon {

void VersionTable::load(const QStringList& lines)
{
    m_entries.clear();
    m_entries.reserve(std::size_t(lines.size()));
    for (const QString& line : lines) {
        const QStringList fields = line.split(QLatin1Char(','));
        const auto field = [&](int i) { return i < fields.size() ? fields[i].trimmed() : QString(); };
        m_entries.push_back(Entry{field(0), field(1), field(2), field(3)});
    }
}

} // namespace veridon
