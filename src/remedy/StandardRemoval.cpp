#include "remedy/StandardRemoval.h"

#include "platform/Environment.h"
#include "platform/ProcessTable.h"
#include "platform/RestartActions.h"
#include "platform/UrlCache.h"
#include "store/QuarantineStore.h"

#include <chrono>
#include <thread>

namespace veridon {

RemovalServices standardRemovalServices(Environment& environment)
{
    RemovalServices services;
    services.quarantine = [&environment](const QString& folder, const QString& path,
                                         const QString& threatName) {
        QuarantineStore(folder, environment).Quarantine(path, threatName);
    };
    services.endProcessByName = [&environment](const QString& exeName) {
        return TerminateProcessByName(environment.processes(), exeName);
    };
    services.deleteAtRestart = [&environment](const QString& path) {
        return ReplaceAtRestart(environment.registry(), path, QString(), RestartMode::Delete);
    };
    // A cookie row names the cookie's local file; the cache deletes by source
    // address, so the entry is looked up first (by either name).
    services.deleteCacheEntry = [&environment](const QString& object) {
        UrlCache& cache = environment.urlCache();
        for (const UrlCacheEntry& entry : cache.entries()) {
            if (entry.localFile.compare(object, Qt::CaseInsensitive) == 0 ||
                entry.sourceUrl == object)
                return cache.deleteEntry(entry.sourceUrl);
        }
        return true; // no such entry any more: nothing is left to delete
    };
    const auto sleep = [](int milliseconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    };
    services.progressPause = sleep;
    services.processWait = sleep;
    return services;
}

} // namespace veridon
