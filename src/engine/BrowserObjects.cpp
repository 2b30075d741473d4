#include "engine/BrowserObjects.h"

#include "engine/ScanSession.h"
#include "engine/SignatureFields.h"
#include "platform/Environment.h"

#include <QStringList>

namespace veridon {
namespace {

const QString kRegistrationKey =
    QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects");
constexpr int kShare = 1;

QString classKey(const QString& classId)
{
    return QStringLiteral("CLSID\\") + classId;
}

// The default value of a key as trimmed text, when it is a string; nothing
// when it is absent or of another type.
std::optional<QString> defaultString(const Registry& registry, RegRoot root, const QString& key)
{
    const std::optional<RegValue> value = registry.value(root, key, QString());
    if (!value || !value->isString())
        return std::nullopt;
    return trimBlanks(value->toText());
}

} // namespace

QString BhoProgramFile(const Registry& registry, const FileSystem& files, const QString& classId)
{
    const std::optional<QString> path = defaultString(
        registry, RegRoot::ClassesRoot, classKey(classId) + QStringLiteral("\\InprocServer32"));
    if (!path || path->isEmpty() || !files.exists(*path))
        return {};
    return *path;
}

void scanBrowserObjects(ScanSession& session)
{
    const Registry& registry = session.environment().registry();
    if (!registry.keyExists(RegRoot::LocalMachine, kRegistrationKey))
        return;

    const QStringList subkeys = registry.subkeys(RegRoot::LocalMachine, kRegistrationKey);
    const int itemCount = std::max<int>(2, int(subkeys.size()));
    int itemIndex = 1;
    session.areaStart();

    QStringList displayNames;
    QStringList classIds;
    for (const QString& name : subkeys) {
        if (session.stopRequested())
            break;
        session.countObject();
        if (name.startsWith(QLatin1Char('{')) &&
            registry.keyExists(RegRoot::ClassesRoot, classKey(name))) {
            const std::optional<QString> displayName =
                defaultString(registry, RegRoot::ClassesRoot, classKey(name));
            // A class without a readable name cannot be matched; it does not
            // move the bar either.
            if (!displayName)
                continue;
            if (!displayName->isEmpty()) {
                displayNames.append(*displayName);
                classIds.append(name);
            }
        }
        session.showObject(name);
        ++itemIndex;
        session.areaStep(itemIndex, itemCount, kShare);
    }
    if (displayNames.isEmpty())
        return;

    const QStringList lines = session.signatures().joined(QStringLiteral("BHO.db"));
    const FileSystem& files = session.environment().files();
    for (int j = 0; j < lines.size(); ++j) {
        if (session.stopRequested())
            break;
        const FieldSplit fields = splitAtFirst(lines[j], QLatin1Char(','));
        const QString bhoName = trimBlanks(fields.tail);
        const qsizetype at = displayNames.indexOf(bhoName);
        if (at < 0)
            continue;
        const QString& classId = classIds[at];
        session.handOver(Check::kBrowserObject, j, fields.head, ObjectType::kRegistryKey,
                         rootLongName(RegRoot::ClassesRoot) + QLatin1Char('\\') +
                             classKey(classId));
        session.handOver(Check::kBrowserObject, j, fields.head, ObjectType::kRegistryKey,
                         rootLongName(RegRoot::LocalMachine) + QLatin1Char('\\') +
                             kRegistrationKey + QLatin1Char('\\') + classId);
        const QString programFile = BhoProgramFile(registry, files, classId);
        if (!programFile.isEmpty())
            session.handOver(Check::kBrowserObject, j, fields.head, ObjectType::kFile,
                             programFile);
    }
}

} // namespace veridon
