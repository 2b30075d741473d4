#include "remedy/RegistryTrace.h"

#include "engine/ScanSession.h"
#include "engine/SignatureFields.h"
#include "engine/WildcardMatch.h"
#include "platform/Environment.h"
#include "remedy/RegistryPattern.h"
#include "remedy/RegistrySignaturePath.h"

namespace veridon {
namespace {

std::optional<RegRoot> traceRoot(const QString& abbreviation)
{
    if (abbreviation.size() != 4)
        return std::nullopt;
    const QString upper = abbreviation.toUpper();
    if (upper == QLatin1String("HKLM"))
        return RegRoot::LocalMachine;
    if (upper == QLatin1String("HKCU"))
        return RegRoot::CurrentUser;
    if (upper == QLatin1String("HKCR"))
        return RegRoot::ClassesRoot;
    return std::nullopt;
}

QString abbreviationOf(const QString& entry)
{
    const qsizetype slash = entry.indexOf(QLatin1Char('\\'));
    return slash < 0 ? QString() : entry.left(slash);
}


void checkKey(ScanSession& session, int index, const QString& threatName, RegRoot root,
              const RegistrySignaturePath& key)
{
    const Registry& registry = session.environment().registry();
    const QString keyPath = key.keyPath();
    const qsizetype lastSlash = keyPath.lastIndexOf(QLatin1Char('\\'));
    const QString name = keyPath.mid(lastSlash + 1);
    if (!isRegistryPattern(name)) {
        if (registry.keyExists(root, keyPath))
            session.handOver(Check::kRecentActive, index, threatName, ObjectType::kRegistryKey,
                             rootLongName(root) + key.path);
        return;
    }
    const QString parentKey = lastSlash < 0 ? QString() : keyPath.left(lastSlash);
    const QString parentText = key.path.left(key.path.size() - name.size());
    for (const QString& subkey : registry.subkeys(root, parentKey))
        if (WildcardMatch(name, subkey))
            session.handOver(Check::kRecentActive, index, threatName, ObjectType::kRegistryKey,
                             rootLongName(root) + parentText + subkey);
}

} // namespace

bool isRegistryTrace(const QString& entry)
{
    return traceRoot(abbreviationOf(entry)).has_value();
}

void checkRegistryTrace(ScanSession& session, int signatureIndex, const QString& threatName,
                        const QString& entry)
{
    const std::optional<RegRoot> root = traceRoot(abbreviationOf(entry));
    if (!root)
        return;
    const FieldSplit bar = splitAtFirst(entry, QLatin1Char('|'));
    const RegistrySignaturePath key = RegistrySignaturePath::parse(bar.found ? bar.head : entry);
    // A trace must name a key below the root: an empty or broken path would
    // otherwise report (and removal delete) the hive itself.
    if (key.keyPath().isEmpty())
        return;
    session.showObject(entry);
    if (!bar.found) {
        checkKey(session, signatureIndex, threatName, *root, key);
        return;
    }

    const Registry& registry = session.environment().registry();
    const QString keyPath = key.keyPath();
    const FieldSplit equals = splitAtFirst(bar.tail, QLatin1Char('='));
    const QString valueName = equals.found ? equals.head : bar.tail;
    const bool namePattern = isRegistryPattern(valueName);
    const auto report = [&](const QString& name) {
        session.handOver(Check::kRecentActive, signatureIndex, threatName,
                         ObjectType::kRegistryValue,
                         rootLongName(*root) + key.path + QStringLiteral(" Value=") + name);
    };

    if (!equals.found) {
        if (!namePattern) {
            if (registry.value(*root, keyPath, valueName))
                report(valueName);
            return;
        }
        for (const RegValue& value : registry.values(*root, keyPath))
            if (WildcardMatch(valueName, value.name))
                report(value.name);
        return;
    }

    const QString data = trimBlanks(equals.tail);
    const auto dataMatches = [&](const RegValue& value) {
        return value.isString() && matchesRegistryItem(data, trimBlanks(value.toText()));
    };
    if (!namePattern) {
        if (const std::optional<RegValue> value = registry.value(*root, keyPath, valueName);
            value && dataMatches(*value))
            report(valueName);
        return;
    }
    for (const RegValue& value : registry.values(*root, keyPath))
        if (WildcardMatch(valueName, value.name) && dataMatches(value))
            report(value.name);
}

} // namespace veridon
