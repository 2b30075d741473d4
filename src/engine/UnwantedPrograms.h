#pragma once

namespace veridon {

class ScanSession;

// "Unwanted Programs": every executable (or, with scan-all-files, every file)
// of the hot spots of HotSpot.db, or of the targets when there are any, goes
// through the file check (checks 8 to 13).
void scanUnwantedPrograms(ScanSession& session);

// The scan of one target (run mode 3): the file the targets text names, or
// every file of the folder it names with all its subfolders.
void scanOneTarget(ScanSession& session);

} // namespace veridon
