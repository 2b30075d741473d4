#pragma once

namespace veridon {

class ScanSession;

// "File System": folders named by Dir.db lines (parent folder and folder-name
// mask) are reported together with everything inside them (check 3).
void scanFileSystem(ScanSession& session);

} // namespace veridon
