#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <string_view>

namespace veridon {

// A signature table member as UTF-8 bytes: the byte-order mark (UTF-8 or
// UTF-16) is honoured, otherwise the bytes are Windows-1252. Large tables are
// parsed from these bytes directly, without a string object per line.
QByteArray signatureTextAsUtf8(const QByteArray& member);

// Calls `line` for each of the member's lines; a line ends at CR, LF or CR LF,
// and a final line break does not start another line.
template <typename LineFunction>
void forEachUtf8Line(std::string_view text, LineFunction&& line)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        line(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        line(text.substr(start));
}

QStringList memberLines(const QByteArray& member);

std::string_view trimmed(std::string_view text);
QString toQString(std::string_view utf8);

} // namespace veridon
