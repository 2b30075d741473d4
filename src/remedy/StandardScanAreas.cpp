#include "remedy/StandardScanAreas.h"

#include "engine/BrowserObjects.h"
#include "engine/CriticalAreas.h"
#include "engine/FileSystemArea.h"
#include "engine/RecentActiveFiles.h"
#include "engine/RunningProcesses.h"
#include "engine/TrackingCookies.h"
#include "engine/UnwantedPrograms.h"
#include "remedy/RecentActiveThreats.h"
#include "remedy/SystemHijacks.h"
#include "remedy/WindowsRegistry.h"

namespace veridon {

ScanAreas standardScanAreas(const QString& windowsName, std::function<void()> removal)
{
    ScanAreas set;
    set.areas = {
        scanRunningProcesses,
        scanCriticalAreas,
        scanFileSystem,
        scanBrowserObjects,
        [windowsName](ScanSession& session) { scanSystemHijacks(session, windowsName); },
        scanTrackingCookies,
        scanWindowsRegistry,
        [](ScanSession& session) { scanRecentActiveThreats(session, checkFileTrace); },
        scanUnwantedPrograms,
    };
    set.oneTarget = scanOneTarget;
    set.removal = std::move(removal);
    return set;
}

} // namespace veridon
