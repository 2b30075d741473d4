#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <string_view>
#include <vector>

namespace veridon {

// A signature table member as UTF-8 bytes: the byte-order mark (UTF-8 or
// UTF-16) is honoured, otherwise the bytes are Windows-1252. Large tables are
// parsed from these bytes directly, without a string object per line.
QByteArray signatureTextAsUtf8(const QByteArray& member);

// The member's lines; a line ends at CR, LF or CR LF, and a final line break
// does not start another line.
std::vector<std::string_view> splitUtf8Lines(std::string_view text);
QStringList memberLines(const QByteArray& member);

std::string_view trimmed(std::string_view text);
QString toQString(std::string_view utf8);

} // namespace veridon
