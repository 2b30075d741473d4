#pragma once

#include <QString>

#include <optional>

namespace veridon {

class ScanSession;

// One rule of Replace.db: ThreatName,ROOT\path|ValueName=BadData,GoodData[,OsTag].
struct ReplaceRule
{
    QString threatName; // not trimmed
    QString key;        // "HKLM\Software\X"
    QString valueName;
    QString badData;
    QString goodData;
    QString osTag; // empty: every system

    // Nothing for a line without "|", without "=", or without a comma after
    // the "=" part.
    static std::optional<ReplaceRule> parse(const QString& line);
};

// The system name a rule's OsTag is compared with: the Windows name, with
// "Windows XP" written "XP".
QString hijackSystemName(const QString& windowsName);

// The "System Hijacks" area: registry values whose data was changed to a known
// bad setting (check 6, "Registry Data"). The extra text tells removal what to
// write back: "current^good" for string values, "bad|good" for dword values.
// `windowsName` is the running system's name ("Windows XP", ...; empty when it
// has none), against which tagged rules are checked.
void scanSystemHijacks(ScanSession& session, const QString& windowsName);

} // namespace veridon
