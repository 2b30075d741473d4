#pragma once

#include <QString>

namespace veridon {

class ScanSession;

// Whether an Extra.db entry names a registry trace: the text before its first
// backslash is "HKLM", "HKCU" or "HKCR" in any letter case. Everything else,
// "HKU" included, is a file trace.
bool isRegistryTrace(const QString& entry);

// Checks one registry trace of "Recent Active Threats" (check 4):
//   ROOT\path                  the key (a pattern last component: every
//                              matching subkey of its parent),
//   ROOT\path|Value            the value (a pattern: every matching value),
//   ROOT\path|Value=Data       string values whose trimmed data equals or
//                              matches Data.
// The root is read in any letter case and checked under the hive it names.
void checkRegistryTrace(ScanSession& session, int signatureIndex, const QString& threatName,
                        const QString& entry);

} // namespace veridon
