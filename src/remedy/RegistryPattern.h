#pragma once

#include <QString>

namespace veridon {

// Whether a key name, value name or data text of a registry signature is a
// wildcard pattern: it holds "*" or "?", or a one-character range such as
// "[a-f]" right after its first "[". Anything else is compared exactly.
bool isRegistryPattern(const QString& item);

// The item matched against a text: by the wildcard matcher when it is a
// pattern, otherwise by exact, case-sensitive equality.
bool matchesRegistryItem(const QString& item, const QString& text);

} // namespace veridon
