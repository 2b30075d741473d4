#include "remedy/WindowsRegistry.h"

#include "engine/ScanSession.h"
#include "engine/SignatureFields.h"
#include "platform/Environment.h"
#include "remedy/RegistrySignaturePath.h"

#include <vector>

namespace veridon {
namespace {

constexpr int kShare = 7;

struct Location
{
    RegRoot root;
    QString path;    // "\Software\X", for object texts
    QString keyPath; // "Software\X", for the registry
};

// The lines of a location table with their roots. An unknown abbreviation
// keeps the root of the line before (the current-user hive for the first).
std::vector<Location> locations(const QStringList& lines)
{
    std::vector<Location> result;
    result.reserve(std::size_t(lines.size()));
    RegRoot root = RegRoot::CurrentUser;
    for (const QString& line : lines) {
        const RegistrySignaturePath parsed = RegistrySignaturePath::parse(line);
        if (const std::optional<RegRoot> named = shortRootExact(parsed.abbreviation))
            root = *named;
        result.push_back({root, parsed.path, parsed.keyPath()});
    }
    return result;
}

// The second field of a Guid.db line: up to the next comma, trimmed.
QString identifierOf(const QString& fieldsAfterName)
{
    return trimBlanks(fieldsAfterName.section(QLatin1Char(','), 0, 0));
}

} // namespace

void scanWindowsRegistry(ScanSession& session)
{
    SignatureSets& sets = session.signatures();
    const std::vector<Location> keyLocations = locations(sets.joined(QStringLiteral("HotKey.db")));
    const std::vector<Location> valueCandidates =
        locations(sets.joined(QStringLiteral("HotVal.db")));
    const QStringList guids = sets.joined(QStringLiteral("Guid.db"));
    const Registry& registry = session.environment().registry();

    // Value-key pre-pass: only keys that hold values are looked into again.
    std::vector<Location> valueKeys;
    for (const Location& location : valueCandidates) {
        if (session.stopRequested())
            return;
        if (registry.keyExists(location.root, location.keyPath) &&
            !registry.values(location.root, location.keyPath).isEmpty())
            valueKeys.push_back(location);
    }

    const int stepCount = int(guids.size());
    for (int i = 0; i < stepCount; ++i) {
        if (session.stopRequested())
            return;
        session.countObject();
        const FieldSplit fields = splitAtFirst(guids[i], QLatin1Char(','));
        const QString identifier = identifierOf(fields.tail);
        // An empty identifier would name each location itself (its key, its
        // default value), and removal would delete those: never report it.
        if (!identifier.isEmpty()) {
            for (const Location& location : keyLocations) {
                const QString keyPath = location.keyPath + QLatin1Char('\\') + identifier;
                if (registry.keyExists(location.root, keyPath))
                    session.handOver(Check::kWindowsRegistry, i, fields.head,
                                     ObjectType::kRegistryKey,
                                     rootLongName(location.root) + location.path +
                                         QLatin1Char('\\') + identifier);
            }
            for (const Location& location : valueKeys) {
                if (registry.value(location.root, location.keyPath, identifier))
                    session.handOver(Check::kWindowsRegistry, i, fields.head,
                                     ObjectType::kRegistryValue,
                                     rootLongName(location.root) + location.path +
                                         QStringLiteral(" Value=") + identifier);
            }
        }
        session.showObject(identifier);
        session.areaStep(i, stepCount, kShare);
    }
}

} // namespace veridon
