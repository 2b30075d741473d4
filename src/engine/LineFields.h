#pragma once

#include <QString>

namespace veridon {

// A signature line split at its first comma, both sides trimmed; the second is
// empty when the line has no comma.
struct LineFields
{
    QString first;
    QString rest;

    static LineFields split(const QString& line)
    {
        const qsizetype comma = line.indexOf(u',');
        if (comma < 0)
            return {line.trimmed(), {}};
        return {line.left(comma).trimmed(), line.mid(comma + 1).trimmed()};
    }
};

} // namespace veridon
