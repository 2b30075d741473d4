#include "store/TextCodec.h"

#include <array>

namespace veridon {
namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F; the five unassigned
// bytes map to the C1 controls of the same value, as Windows' own table does.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool startsWith(const QByteArray& bytes, std::initializer_list<unsigned char> prefix)
{
    if (bytes.size() < qsizetype(prefix.size()))
        return false;
    qsizetype i = 0;
    for (unsigned char b : prefix)
        if (static_cast<unsigned char>(bytes[i++]) != b)
            return false;
    return true;
}

QString decodeUtf16(const QByteArray& bytes, qsizetype start, bool bigEndian)
{
    const qsizetype units = (bytes.size() - start) / 2;
    QString text(units, Qt::Uninitialized);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData()) + start;
    for (qsizetype i = 0; i < units; ++i) {
        const unsigned hi = bigEndian ? p[2 * i] : p[2 * i + 1];
        const unsigned lo = bigEndian ? p[2 * i + 1] : p[2 * i];
        text[i] = QChar(char16_t((hi << 8) | lo));
    }
    return text;
}

} // namespace

QString decodeWindows1252(const QByteArray& bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        text[i] = QChar(b >= 0x80 && b < 0xA0 ? kHighControls[b - 0x80] : char16_t(b));
    }
    return text;
}

QString decodeText(const QByteArray& bytes)
{
    if (startsWith(bytes, {0xEF, 0xBB, 0xBF}))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    if (startsWith(bytes, {0xFF, 0xFE}))
        return decodeUtf16(bytes, 2, false);
    if (startsWith(bytes, {0xFE, 0xFF}))
        return decodeUtf16(bytes, 2, true);
    return decodeWindows1252(bytes);
}

QByteArray encodeWindows1252(const QString& text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        char out = '?';
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out = char(c);
        } else {
            for (std::size_t k = 0; k < kHighControls.size(); ++k)
                if (kHighControls[k] == c)
                    out = char(0x80 + k);
        }
        bytes[i] = out;
    }
    return bytes;
}

QByteArray encodeText(const QString& text)
{
    return QByteArray("\xEF\xBB\xBF", 3) + text.toUtf8();
}

QStringList splitLines(QStringView text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.sliced(start, i - start).toString());
        if (c == u'\r' && i + 1 < size && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines.append(text.sliced(start).toString());
    return lines;
}

} // namespace veridon
