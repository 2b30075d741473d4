#pragma once

namespace veridon {

class ScanSession;

// "Critical Areas": files named by Dda.db lines (folder and file mask) are
// reported where they exist (check 2).
void scanCriticalAreas(ScanSession& session);

} // namespace veridon
