#pragma once

#include <QString>

namespace veridon {

// Signature-table pattern match: "*" any run of characters, "?" one character,
// "[...]" one character of a set ("a-c" ranges, "^" first negates). Letter case is
// ignored; characters compare as UTF-16 code units. A malformed set ("[]", "[[",
// unclosed) makes the whole match fail.
bool WildcardMatch(const QString& pattern, const QString& text);

} // namespace veridon
