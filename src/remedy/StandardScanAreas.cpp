#include "remedy/StandardScanAreas.h"

#include "engine/BrowserObjects.h"
#include "engine/RunningProcesses.h"
#include "engine/TrackingCookies.h"
#include "remedy/RecentActiveThreats.h"
#include "remedy/SystemHijacks.h"
#include "remedy/WindowsRegistry.h"

namespace veridon {
namespace {

// Slots of the file side (Critical Areas, File System, Unwanted Programs, the
// one-target scan and the file traces of Recent Active Threats): empty until
// the file areas are wired in; the scan thread skips an empty slot.
const ScanArea kFileAreaSlot;
const FileTraceCheck kFileTraceSlot;

} // namespace

ScanAreas standardScanAreas(const QString& windowsName, std::function<void()> removal)
{
    ScanAreas set;
    set.areas = {
        scanRunningProcesses,
        kFileAreaSlot, // Critical Areas
        kFileAreaSlot, // File System
        scanBrowserObjects,
        [windowsName](ScanSession& session) { scanSystemHijacks(session, windowsName); },
        scanTrackingCookies,
        scanWindowsRegistry,
        [](ScanSession& session) { scanRecentActiveThreats(session, kFileTraceSlot); },
        kFileAreaSlot, // Unwanted Programs
    };
    set.oneTarget = kFileAreaSlot;
    set.removal = std::move(removal);
    return set;
}

} // namespace veridon
