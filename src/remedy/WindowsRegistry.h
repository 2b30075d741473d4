#pragma once

namespace veridon {

class ScanSession;

// The "Windows Registry" area: every identifier of Guid.db is looked for as a
// subkey of each HotKey.db location and as a value name of each HotVal.db key
// that holds values (check 5).
void scanWindowsRegistry(ScanSession& session);

} // namespace veridon
