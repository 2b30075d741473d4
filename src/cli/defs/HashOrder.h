#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace veridon::cli {

// The MD5 field of a hash-table line, as the engine reads it: the rest after
// the first comma, trimmed, up to a further comma.
QString hashField(const QString& line);

// Compares two digest texts the way the engine's bisection does: letters
// without regard to case, otherwise by code unit.
int compareHashText(const QString& a, const QString& b);

// The 1-based number of the first line whose digest sorts before the one
// above it, or nothing when the table is in order.
std::optional<qsizetype> firstLineOutOfOrder(const QStringList& lines);

} // namespace veridon::cli
