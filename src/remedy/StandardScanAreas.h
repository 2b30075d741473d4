#pragma once

#include "engine/TSdScanThread.h"

#include <QString>

#include <functional>

namespace veridon {

// The full set of areas a scan thread runs, in run order, with the scan of one
// target and the removal routine (given by the caller, which owns the results
// it removes). `windowsName` is the running system's name for the tagged rules
// of System Hijacks ("Windows XP" ...; empty when it has none).
ScanAreas standardScanAreas(const QString& windowsName, std::function<void()> removal);

} // namespace veridon
