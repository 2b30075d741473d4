#pragma once

#include <QString>

#include <functional>

namespace veridon {

class ScanSession;

// The check of one file trace: (session, signature index, threat name, entry).
using FileTraceCheck =
    std::function<void(ScanSession&, int, const QString&, const QString&)>;

// The "Recent Active Threats" area: each Extra.db line counts one object and
// moves the bar (share 33) before it is checked; registry traces are checked
// here, every other entry by `fileTrace`.
void scanRecentActiveThreats(ScanSession& session, const FileTraceCheck& fileTrace);

} // namespace veridon
