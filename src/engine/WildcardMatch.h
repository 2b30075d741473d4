#pragma once

#include <QString>
#include <QStringView>

namespace veridon {

// Matches "*", "?" and bracketed sets ("[a-c]", "[^a-c]") on 16-bit code units,
// ignoring letter case. A set that is empty, starts with "[" or "]" or is not
// closed makes the whole match fail.
bool WildcardMatch(const QString& pattern, const QString& text);

// Upper case as the matcher compares: one code unit for one code unit.
QString wildcardUpper(QStringView text);

// The same on texts already upper-cased by wildcardUpper, for callers that match
// many texts against one pattern.
bool wildcardMatchUpper(QStringView pattern, QStringView text);

} // namespace veridon
