#include "remedy/SystemHijacks.h"

#include "engine/ScanSession.h"
#include "engine/SignatureFields.h"
#include "platform/Environment.h"
#include "remedy/RegistryPattern.h"
#include "remedy/RegistrySignaturePath.h"

namespace veridon {
namespace {

constexpr int kShare = 1;

// Hijack rules name only these three hives, exactly so written.
std::optional<RegRoot> hijackRoot(const QString& abbreviation)
{
    if (abbreviation == QLatin1String("HKLM"))
        return RegRoot::LocalMachine;
    if (abbreviation == QLatin1String("HKCU"))
        return RegRoot::CurrentUser;
    if (abbreviation == QLatin1String("HKCR"))
        return RegRoot::ClassesRoot;
    return std::nullopt;
}

} // namespace

std::optional<ReplaceRule> ReplaceRule::parse(const QString& line)
{
    const FieldSplit name = splitAtFirst(line, QLatin1Char(','));
    const QString rest = trimBlanks(name.tail);
    const FieldSplit bar = splitAtFirst(rest, QLatin1Char('|'));
    if (!bar.found)
        return std::nullopt;
    const FieldSplit equals = splitAtFirst(bar.tail, QLatin1Char('='));
    if (!equals.found)
        return std::nullopt;
    const FieldSplit bad = splitAtFirst(equals.tail, QLatin1Char(','));
    if (!bad.found)
        return std::nullopt;
    const FieldSplit good = splitAtFirst(trimBlanks(bad.tail), QLatin1Char(','));

    ReplaceRule rule;
    rule.threatName = name.head;
    rule.key = trimBlanks(bar.head);
    rule.valueName = trimBlanks(equals.head);
    rule.badData = trimBlanks(bad.head);
    rule.goodData = trimBlanks(good.found ? good.head : good.tail);
    rule.osTag = good.found ? trimBlanks(good.tail) : QString();
    return rule;
}

QString hijackSystemName(const QString& windowsName)
{
    return windowsName == QLatin1String("Windows XP") ? QStringLiteral("XP") : windowsName;
}

void scanSystemHijacks(ScanSession& session, const QString& windowsName)
{
    const QStringList lines = session.signatures().joined(QStringLiteral("Replace.db"));
    const QString systemName = hijackSystemName(windowsName);
    const Registry& registry = session.environment().registry();
    const int count = int(lines.size());
    for (int i = 0; i < count; ++i) {
        if (session.stopRequested())
            return;
        session.countObject();
        const std::optional<ReplaceRule> rule = ReplaceRule::parse(lines[i]);
        if (!rule || (!rule->osTag.isEmpty() && rule->osTag != systemName))
            continue;
        const RegistrySignaturePath key = RegistrySignaturePath::parse(rule->key);
        const std::optional<RegRoot> root = hijackRoot(key.abbreviation);
        if (!root)
            continue;

        const QString objectKey = rootLongName(*root) + key.path;
        const std::optional<RegValue> value =
            registry.value(*root, key.keyPath(), rule->valueName);
        if (value) {
            const QString objectText = objectKey + QStringLiteral(" Value=") + rule->valueName;
            if (value->isString()) {
                const QString current = trimBlanks(value->toText());
                if (matchesRegistryItem(rule->badData, current))
                    session.handOver(Check::kSystemHijack, i, rule->threatName,
                                     ObjectType::kRegistryData, objectText,
                                     current + QLatin1Char('^') + rule->goodData);
            } else if (value->type == RegType::Dword) {
                if (QString::number(value->toDword()) == rule->badData)
                    session.handOver(Check::kSystemHijack, i, rule->threatName,
                                     ObjectType::kRegistryData, objectText,
                                     rule->badData + QLatin1Char('|') + rule->goodData);
            }
        }
        session.showObject(objectKey);
        session.areaStep(i, count, kShare);
    }
}

} // namespace veridon
