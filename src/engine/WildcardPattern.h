#pragma once

#include <QString>

namespace veridon {

// Whether a signature text is meant as a wildcard pattern rather than a plain
// text: it holds "*" or "?", or its first "[" opens a range such as "[a-z]"
// (the second character after it is "-", the fourth "]").
bool isWildcardPattern(const QString& text);

} // namespace veridon
