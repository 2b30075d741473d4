#pragma once

namespace veridon {

class ScanSession;

// The "Running Processes" area: the program file of every running process is
// digested directly (no scan cache, no size limit) and looked up in the core,
// then the addition hash table; a listed file is reported twice, as "File"
// and as "Memory Process" (checks 9 and 10).
void scanRunningProcesses(ScanSession& session);

} // namespace veridon
