#include "app/AnsiText.h"

#include "store/TextCodec.h"

#include <QHash>
#include <QSaveFile>

#include <stdexcept>

namespace veridon {
namespace {

// The reverse of the code page's decoding table, built from it so the two agree.
const QHash<char16_t, char>& ansiBytes()
{
    static const QHash<char16_t, char> table = [] {
        QByteArray all(256, '\0');
        for (int b = 0; b < 256; ++b)
            all[b] = char(b);
        const QString decoded = decodeWindows1252(all);
        QHash<char16_t, char> reverse;
        for (int b = 0; b < 256; ++b)
            reverse.insert(decoded[b].unicode(), char(b));
        return reverse;
    }();
    return table;
}

} // namespace

QByteArray encodeAnsiText(const QString& text)
{
    const auto& table = ansiBytes();
    QByteArray bytes;
    bytes.reserve(text.size());
    for (QChar c : text) {
        const auto it = table.constFind(c.unicode());
        if (it == table.cend())
            return encodeText(text);
        bytes.append(*it);
    }
    return bytes;
}

QString joinLinesCrLf(const QStringList& lines)
{
    QString text;
    for (const QString& line : lines) {
        text += line;
        text += QLatin1String("\r\n");
    }
    return text;
}

void writeFileAtomically(const QString& hostPath, const QByteArray& bytes)
{
    QSaveFile file(hostPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw std::runtime_error("Cannot write file " + hostPath.toStdString() + ": " +
                                 file.errorString().toStdString());
}

} // namespace veridon
