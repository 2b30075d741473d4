#include "cli/scan/RegCommand.h"

#include "cli/scan/EnvCommand.h"
#include "platform/Environment.h"

#include <QtEndian>

#include <cstdio>
#include <stdexcept>

namespace veridon::cli {
namespace {

QString typeName(quint32 type)
{
    static const char* const kNames[] = {
        "REG_NONE",          "REG_SZ",           "REG_EXPAND_SZ",
        "REG_BINARY",        "REG_DWORD",        "REG_DWORD_BIG_ENDIAN",
        "REG_LINK",          "REG_MULTI_SZ",     "REG_RESOURCE_LIST",
        "REG_FULL_RESOURCE_DESCRIPTOR", "REG_RESOURCE_REQUIREMENTS_LIST", "REG_QWORD",
    };
    if (type < std::size(kNames))
        return QLatin1String(kNames[type]);
    return QStringLiteral("0x%1").arg(type, 0, 16);
}

QString dataText(const RegValue& value)
{
    switch (value.type) {
    case RegType::String:
    case RegType::ExpandString:
        return value.toText();
    case RegType::MultiString:
        return value.toMultiString().join(QLatin1String("\\0"));
    case RegType::Dword:
    case RegType::DwordBigEndian:
        if (value.data.size() == 4)
            return QStringLiteral("0x%1").arg(value.toDword(), 0, 16);
        break;
    case RegType::Qword:
        if (value.data.size() == 8)
            return QStringLiteral("0x%1").arg(qFromLittleEndian<quint64>(value.data.constData()), 0, 16);
        break;
    default:
        break;
    }
    return QString::fromLatin1(value.data.toHex().toUpper());
}

void printValue(const RegValue& value)
{
    const QString name = value.name.isEmpty() ? QStringLiteral("(Default)") : value.name;
    std::printf("    %s    %s    %s\n", name.toLocal8Bit().constData(),
                typeName(value.type).toLocal8Bit().constData(),
                dataText(value).toLocal8Bit().constData());
}

constexpr const char* kNotFound =
    "ERROR: The system was unable to find the specified registry key or value.\n";

} // namespace

int runReg(CommandContext& context)
{
    QStringList& words = context.line.words;
    if (words.isEmpty() || words.first() != QLatin1String("query") || words.size() < 2 ||
        words.size() > 3)
        throw std::runtime_error("usage: reg query KEY [VALUE]");
    RegRoot root{};
    QString key;
    if (!parseRegistryPath(words[1], root, key))
        throw std::runtime_error("unknown root key in " + words[1].toStdString() +
                                 " (use HKLM, HKCU, HKCR or HKU)");
    const std::unique_ptr<Environment> environment = openInspectedEnvironment(context.line);
    const Registry& registry = environment->registry();
    const QString fullName = key.isEmpty() ? rootLongName(root) : rootLongName(root) + QLatin1Char('\\') + key;

    if (!registry.keyExists(root, key)) {
        std::fputs(kNotFound, stderr);
        return 1; // as reg.exe does
    }
    if (words.size() == 3) {
        const QString name = words[2] == QLatin1String("/ve") ? QString() : words[2];
        const std::optional<RegValue> value = registry.value(root, key, name);
        if (!value) {
            std::fputs(kNotFound, stderr);
            return 1; // as reg.exe does
        }
        std::printf("\n%s\n", fullName.toLocal8Bit().constData());
        printValue(*value);
        std::printf("\n");
        return kExitClean;
    }
    std::printf("\n%s\n", fullName.toLocal8Bit().constData());
    for (const RegValue& value : registry.values(root, key))
        printValue(value);
    std::printf("\n");
    for (const QString& subkey : registry.subkeys(root, key))
        std::printf("%s\\%s\n", fullName.toLocal8Bit().constData(), subkey.toLocal8Bit().constData());
    return kExitClean;
}

} // namespace veridon::cli
