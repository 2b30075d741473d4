#include "platform/Registry.h"

#include <QtEndian>

namespace veridon {
namespace {

QByteArray utf16WithZero(const QString& text)
{
    QByteArray bytes;
    bytes.resize((text.size() + 1) * 2);
    char* out = bytes.data();
    for (QChar c : text) {
        qToLittleEndian<quint16>(c.unicode(), out);
        out += 2;
    }
    out[0] = out[1] = 0;
    return bytes;
}

// UTF-16LE units of `data` (an odd last byte is ignored).
QString fromUtf16Le(const QByteArray& data)
{
    QString text;
    const qsizetype units = data.size() / 2;
    text.resize(units);
    for (qsizetype i = 0; i < units; ++i)
        text[i] = QChar(qFromLittleEndian<quint16>(data.constData() + 2 * i));
    return text;
}

} // namespace

QString RegValue::toText() const
{
    if (!isString())
        return {};
    QString text = fromUtf16Le(data);
    const qsizetype zero = text.indexOf(QChar(0));
    if (zero >= 0)
        text.truncate(zero);
    return text;
}

quint32 RegValue::toDword() const
{
    if (data.size() < 4)
        return 0;
    if (type == RegType::Dword)
        return qFromLittleEndian<quint32>(data.constData());
    if (type == RegType::DwordBigEndian)
        return qFromBigEndian<quint32>(data.constData());
    return 0;
}

QStringList RegValue::toMultiString() const
{
    if (type != RegType::MultiString)
        return {};
    QStringList texts = fromUtf16Le(data).split(QChar(0));
    // The list ends with an empty string (double zero); drop the empty tail.
    while (!texts.isEmpty() && texts.last().isEmpty())
        texts.removeLast();
    return texts;
}

RegValue RegValue::fromString(const QString& name, const QString& text, quint32 type)
{
    return RegValue{name, type, utf16WithZero(text)};
}

RegValue RegValue::fromDword(const QString& name, quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian<quint32>(value, bytes.data());
    return RegValue{name, RegType::Dword, bytes};
}

RegValue RegValue::fromMultiString(const QString& name, const QStringList& texts)
{
    QByteArray bytes;
    for (const QString& text : texts)
        bytes += utf16WithZero(text);
    bytes += QByteArray(2, '\0');
    return RegValue{name, RegType::MultiString, bytes};
}

std::optional<QString> Registry::readString(RegRoot root, const QString& key,
                                            const QString& name) const
{
    const std::optional<RegValue> found = value(root, key, name);
    if (!found || !found->isString())
        return std::nullopt;
    return found->toText();
}

std::optional<quint32> Registry::readDword(RegRoot root, const QString& key,
                                           const QString& name) const
{
    const std::optional<RegValue> found = value(root, key, name);
    if (!found || (found->type != RegType::Dword && found->type != RegType::DwordBigEndian) ||
        found->data.size() < 4)
        return std::nullopt;
    return found->toDword();
}

void Registry::writeString(RegRoot root, const QString& key, const QString& name,
                           const QString& text, quint32 type)
{
    setValue(root, key, RegValue::fromString(name, text, type));
}

void Registry::writeDword(RegRoot root, const QString& key, const QString& name, quint32 value)
{
    setValue(root, key, RegValue::fromDword(name, value));
}

void Registry::writeMultiString(RegRoot root, const QString& key, const QString& name,
                                const QStringList& texts)
{
    setValue(root, key, RegValue::fromMultiString(name, texts));
}

QString rootLongName(RegRoot root)
{
    switch (root) {
    case RegRoot::ClassesRoot:
        return QStringLiteral("HKEY_CLASSES_ROOT");
    case RegRoot::LocalMachine:
        return QStringLiteral("HKEY_LOCAL_MACHINE");
    case RegRoot::CurrentUser:
        return QStringLiteral("HKEY_CURRENT_USER");
    case RegRoot::Users:
        return QStringLiteral("HKEY_USERS");
    }
    return {};
}

QString rootShortName(RegRoot root)
{
    switch (root) {
    case RegRoot::ClassesRoot:
        return QStringLiteral("HKCR");
    case RegRoot::LocalMachine:
        return QStringLiteral("HKLM");
    case RegRoot::CurrentUser:
        return QStringLiteral("HKCU");
    case RegRoot::Users:
        return QStringLiteral("HKU");
    }
    return {};
}

bool parseRegistryPath(const QString& text, RegRoot& root, QString& key)
{
    QString rest = text.trimmed();
    const qsizetype slash = rest.indexOf(QLatin1Char('\\'));
    const QString head = (slash < 0 ? rest : rest.left(slash)).toUpper();
    static const struct
    {
        const char* name;
        RegRoot root;
    } kNames[] = {
        {"HKCR", RegRoot::ClassesRoot},  {"HKEY_CLASSES_ROOT", RegRoot::ClassesRoot},
        {"HKLM", RegRoot::LocalMachine}, {"HKEY_LOCAL_MACHINE", RegRoot::LocalMachine},
        {"HKCU", RegRoot::CurrentUser},  {"HKEY_CURRENT_USER", RegRoot::CurrentUser},
        {"HKU", RegRoot::Users},         {"HKEY_USERS", RegRoot::Users},
    };
    for (const auto& entry : kNames) {
        if (head == QLatin1String(entry.name)) {
            root = entry.root;
            key = slash < 0 ? QString() : rest.mid(slash + 1);
            while (key.endsWith(QLatin1Char('\\')))
                key.chop(1);
            return true;
        }
    }
    return false;
}

} // namespace veridon
