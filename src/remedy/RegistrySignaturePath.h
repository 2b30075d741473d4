#pragma once

#include "platform/Registry.h"

#include <QString>

#include <optional>

namespace veridon {

// "HKCR", "HKLM", "HKCU", "HKU" as the registry tables write them, compared
// exactly; nothing for any other text.
std::optional<RegRoot> shortRootExact(const QString& abbreviation);

// A "ROOT\path" line of a registry table: the abbreviation before the first
// backslash and the path from that backslash on (kept with its leading
// backslash, as reported object texts show it).
struct RegistrySignaturePath
{
    QString abbreviation;
    QString path; // "\Software\X"

    static RegistrySignaturePath parse(const QString& text);
    // The path as the registry service takes it: without leading backslashes.
    QString keyPath() const;
};

} // namespace veridon
