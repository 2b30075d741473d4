#pragma once

#include <QString>

namespace veridon {

class ScanSession;

// The file side of "Recent Active Threats": one Extra.db entry "Path[,Flag]"
// (the trimmed text after the line's first comma) that names a file or a file
// pattern. Expands its macros, tests every file it names with the flag ("",
// "MZ" or "NV") and reports those that pass (check 4).
void checkFileTrace(ScanSession& session, int signatureIndex, const QString& threatName,
                    const QString& entry);

} // namespace veridon
