#include "engine/UnwantedPrograms.h"

#include "engine/AreaSearch.h"
#include "engine/FileCheck.h"
#include "engine/LineFields.h"
#include "engine/PathParts.h"
#include "engine/ScanSession.h"

namespace veridon {
namespace {

constexpr int kHotSpotShare = 46;

const QStringList& executableMasks()
{
    static const QStringList masks = {
        QStringLiteral("*.exe"), QStringLiteral("*.dll"), QStringLiteral("*.ocx"),
        QStringLiteral("*.sys"), QStringLiteral("*.cpl"), QStringLiteral("*.bpl"),
        QStringLiteral("*.cmd"), QStringLiteral("*.vbs"), QStringLiteral("*.ser"),
        QStringLiteral("*.bin"), QStringLiteral("*.drv"), QStringLiteral("*.com"),
        QStringLiteral("*.bat"), QStringLiteral("*.vxd"),
    };
    return masks;
}

QStringList searchMasks(const ScanSession& session)
{
    return session.options().scanAllFiles ? QStringList{QStringLiteral("*.*")}
                                          : executableMasks();
}

void checkFiles(ScanSession& session, FileCheck& fileCheck, const QString& folder,
                const QStringList& masks, int includeBits)
{
    searchFolder(
        session, folder, masks, includeBits,
        [&](const FoundItem& item) {
            return fileCheck.check(item.folder, item.name, item.size, item.lastWriteTime);
        },
        [&](const FoundItem& item) {
            fileCheck.expect(item.folder, item.name, item.size, item.lastWriteTime);
        });
}

void scanHotSpots(ScanSession& session, FileCheck& fileCheck, const QStringList& masks)
{
    const QStringList lines = session.signatures().joined(QStringLiteral("HotSpot.db"));
    const int count = int(lines.size());
    for (int i = 0; i < count; ++i) {
        if (session.stopRequested())
            break;
        const LineFields fields = LineFields::split(lines[i].trimmed());
        const ExpandedPath expanded = expandPath(session.appFrame(), fields.first, MacroOrder::D);
        const int bits = fields.rest.contains(QLatin1String("REC"), Qt::CaseSensitive)
                             ? SearchBits::kFilesRecursive
                             : SearchBits::kFiles;
        if (folderExists(session, expanded.path))
            checkFiles(session, fileCheck, expanded.path, masks, bits);
        if (!expanded.allUsersPath.isEmpty() && folderExists(session, expanded.allUsersPath))
            checkFiles(session, fileCheck, expanded.allUsersPath, masks, bits);
        session.areaStep(i, count, kHotSpotShare);
    }
}

void scanTargets(ScanSession& session, FileCheck& fileCheck, const QStringList& masks)
{
    // Every folder of the targets text ends with ";": the text after the last
    // one is not a target.
    QStringList folders = session.options().targets.split(u';');
    folders.removeLast();
    session.areaStart();
    for (const QString& folder : folders) {
        if (session.stopRequested())
            break;
        if (folderExists(session, folder))
            checkFiles(session, fileCheck, folder, masks, SearchBits::kFilesRecursive);
    }
}

} // namespace

void scanUnwantedPrograms(ScanSession& session)
{
    const bool overTargets = !session.options().targets.isEmpty();
    FileCheck fileCheck(session,
                        overTargets ? FileCheck::Display::FileProgress : FileCheck::Display::Object);
    const QStringList masks = searchMasks(session);
    if (overTargets)
        scanTargets(session, fileCheck, masks);
    else
        scanHotSpots(session, fileCheck, masks);
}

void scanOneTarget(ScanSession& session)
{
    FileCheck fileCheck(session, FileCheck::Display::Growing);
    const QString& target = session.options().targets;
    if (fileExists(session, target))
        checkFiles(session, fileCheck, folderPart(target), {namePart(target)},
                   SearchBits::kFiles);
    else if (folderExists(session, target))
        checkFiles(session, fileCheck, target, {QStringLiteral("*.*")},
                   SearchBits::kFilesRecursive);
}

} // namespace veridon
