#include "app/ScanServices.h"

#include "engine/DefinitionMembers.h"
#include "engine/TScanCache.h"
#include "engine/WhiteList.h"
#include "platform/TAppFrame.h"
#include "platform/Environment.h"
#include "remedy/StandardRemoval.h"
#include "remedy/StandardScanAreas.h"
#include "tools/WindowsName.h"

#include <QDir>

namespace veridon {

ScanServices makeScanServices(Environment& environment, const OwnPaths& paths)
{
    ScanServices services;
    services.readMember = definitionMemberReader(paths.programDir);
    auto frame = std::make_shared<TAppFrame>(environment, paths.programDir);
    services.keepAlive = frame;
    services.whiteList = [frame](const QStringList& lines) { return buildWhiteList(*frame, lines); };
    const QString database = QDir(paths.programDir).filePath(QStringLiteral("ORVELDataBase.db"));
    services.openCache = [database, &environment](const QString& version) {
        return std::unique_ptr<DigestCache>(
            std::make_unique<TScanCache>(database, version, environment.files()));
    };
    // Removal runs on its own thread object over the rows the scan produced.
    services.areas = standardScanAreas(GetWindowsName(environment.shellFolders()), nullptr);
    services.removal = standardRemovalServices(environment);
    return services;
}

} // namespace veridon
