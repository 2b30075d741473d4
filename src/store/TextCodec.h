#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace veridon {

// Text files of the Windows world: a byte-order mark selects UTF-8 or UTF-16
// (either byte order); without one the bytes are in the system code page,
// taken as Windows-1252. A UTF-16 text cut in the middle of a code unit loses
// only that half unit.
QString decodeText(const QByteArray& bytes);

// UTF-8 with a byte-order mark: read back by decodeText (and by Windows tools)
// without losing characters outside any code page.
QByteArray encodeText(const QString& text);

QString decodeWindows1252(const QByteArray& bytes);

// Splits at CR, LF or CR LF, as a Windows string list loads text: a line break
// at the very end adds no empty line, empty lines inside are kept.
QStringList splitLines(QStringView text);
// The reverse; characters outside the code page become "?", as Windows does.
QByteArray encodeWindows1252(const QString& text);

} // namespace veridon
