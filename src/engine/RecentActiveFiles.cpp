#include "engine/RecentActiveFiles.h"

#include "engine/AreaSearch.h"
#include "engine/LineFields.h"
#include "engine/PathParts.h"
#include "engine/ScanSession.h"
#include "engine/TDetectionRecord.h"
#include "engine/WildcardPattern.h"
#include "platform/Environment.h"
#include "platform/ExecutableFiles.h"

namespace veridon {
namespace {

bool isExeName(const QString& path)
{
    return extensionOf(path).compare(u".exe", Qt::CaseInsensitive) == 0;
}

// The flag table of file traces, for a file that exists.
bool passesFlag(ScanSession& session, const QString& path, const QString& flag)
{
    const FileSystem& files = session.environment().files();
    if (flag.isEmpty())
        return !isExeName(path) || IsExecutableImage(files, path);
    if (flag == u"MZ")
        return IsExecutableImage(files, path);
    if (flag == u"NV") {
        const QString vendor = GetVersionText(files, path, 1).trimmed();
        if (!vendor.isEmpty() && vendor.compare(u"unknown", Qt::CaseInsensitive) != 0)
            return false;
        return !isExeName(path) || IsExecutableImage(files, path);
    }
    return false;
}

void checkPath(ScanSession& session, int index, const QString& threatName, const QString& path,
               const QString& flag)
{
    if (isWildcardPattern(path)) {
        const QString folder = folderPart(path);
        if (folderExists(session, folder)) {
            searchFolder(session, folder, {namePart(path)}, SearchBits::kFiles,
                         [&](const FoundItem& item) {
                             const QString file = item.fullPath();
                             if (passesFlag(session, file, flag))
                                 session.handOver(Check::kRecentActive, index, threatName,
                                                  ObjectType::kFile, file);
                             return true;
                         });
            if (folder.size() > 4)
                session.showObject(folder);
        }
        return;
    }
    session.showObject(path);
    if (fileExists(session, path) && passesFlag(session, path, flag))
        session.handOver(Check::kRecentActive, index, threatName, ObjectType::kFile, path);
}

} // namespace

void checkFileTrace(ScanSession& session, int signatureIndex, const QString& threatName,
                    const QString& entry)
{
    const LineFields fields = LineFields::split(entry);
    const ExpandedPath expanded = expandPath(session.appFrame(), fields.first, MacroOrder::B);
    checkPath(session, signatureIndex, threatName, expanded.path, fields.rest);
    if (!expanded.allUsersPath.isEmpty())
        checkPath(session, signatureIndex, threatName, expanded.allUsersPath, fields.rest);
}

} // namespace veridon
