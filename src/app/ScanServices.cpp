#include "app/ScanServices.h"

#include "engine/DefinitionMembers.h"
#include "engine/WhiteList.h"
#include "platform/TAppFrame.h"
#include "platform/Environment.h"
#include "remedy/StandardRemoval.h"
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
    services.removal = standardRemovalServices(environment);
    return services;
}

} // namespace veridon
