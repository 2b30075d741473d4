#include "platform/RestartActions.h"

#include "platform/Registry.h"

namespace veridon {
namespace {

void appendUtf16z(QByteArray& bytes, const QString& text)
{
    for (QChar c : text)
        bytes.append(char(c.unicode() & 0xff)).append(char(c.unicode() >> 8));
    bytes.append(2, '\0');
}

QString ntPath(const QString& path)
{
    QString native = path;
    native.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return native.startsWith(QLatin1String("\\??\\")) ? native : QStringLiteral("\\??\\") + native;
}

} // namespace

bool ReplaceAtRestart(Registry& registry, const QString& source, const QString& target,
                      RestartMode mode)
{
    if (source.isEmpty() || (mode == RestartMode::Move && target.isEmpty()))
        return false;
    try {
        const QString key = QString::fromUtf16(kSessionManagerKey);
        const QString name = QString::fromUtf16(kPendingRenames);
        // Raw bytes, not a string list: a delete pair's empty second string is
        // itself a lone terminator that list conversions would drop.
        QByteArray data;
        if (const auto existing = registry.value(RegRoot::LocalMachine, key, name);
            existing && existing->type == RegType::MultiString) {
            data = existing->data;
            if (data.size() % 2)
                data.chop(1);
            // Drop the list's closing terminator, keep every string's own.
            if (data.size() >= 4 && data.endsWith(QByteArray(4, '\0')))
                data.chop(2);
            else if (!data.isEmpty() && !data.endsWith(QByteArray(2, '\0')))
                data.append(2, '\0');
            if (data == QByteArray(2, '\0'))
                data.clear();
        }
        appendUtf16z(data, ntPath(source));
        appendUtf16z(data,
                     mode == RestartMode::Move ? QStringLiteral("!") + ntPath(target) : QString());
        data.append(2, '\0');
        registry.setValue(RegRoot::LocalMachine, key, RegValue{name, RegType::MultiString, data});
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace veridon
