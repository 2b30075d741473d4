#include "engine/AreaSearch.h"

#include "engine/ScanSession.h"
#include "platform/Environment.h"

namespace veridon {

bool folderExists(ScanSession& session, const QString& path)
{
    if (path.isEmpty())
        return false;
    const std::optional<FileEntry> entry = session.environment().files().stat(path);
    return entry && entry->isDirectory();
}

bool fileExists(ScanSession& session, const QString& path)
{
    if (path.isEmpty())
        return false;
    const std::optional<FileEntry> entry = session.environment().files().stat(path);
    return entry && !entry->isDirectory();
}

} // namespace veridon
