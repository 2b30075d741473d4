#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace veridon::test {

// Where a key written as "HKLM\...", "HKCR\...", "HKCU\..." or "HKU\<user>\..."
// lives in a Wine prefix: its .reg file and the header line Wine writes for it
// there (with a fixed timestamp). Nothing for another root.
struct WineRegistryKey
{
    QString file;      // "system.reg", "user.reg" or "userdef.reg"
    QByteArray header; // "\n[Software\\\\X] 1700000000\n#time=...\n"
};

std::optional<WineRegistryKey> wineRegistryKey(const QString& key);

} // namespace veridon::test
