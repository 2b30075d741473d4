#pragma once

#include "engine/TSdScanThread.h"
#include "platform/OwnPaths.h"
#include "remedy/ThreatRemover.h"

#include <memory>

namespace veridon {

class Environment;

// Everything a scan or removal run needs besides its host: the definition
// archives of the program folder, the white list, the scan cache, the nine
// areas and the services removal uses. The window and the command line build
// their runs from the same set.
struct ScanServices
{
    MemberReader readMember;
    WhiteListBuilder whiteList;
    ScanCacheFactory openCache;
    ScanAreas areas;
    RemovalServices removal;
    // Keeps alive whatever the functions above refer to (process table and the like).
    std::shared_ptr<void> keepAlive;
};

// The standard set over an environment and the program's own folders. A
// missing archive or member is reported when a run reads it, naming the archive.
ScanServices makeScanServices(Environment& environment, const OwnPaths& paths);

} // namespace veridon
