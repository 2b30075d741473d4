#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace veridon {

// Own text files that Windows tools read in the system code page (Ignore.ini,
// scan reports). A text that the code page holds is written in it; one that it
// cannot hold (a path with Cyrillic or CJK names, say) is written as UTF-8 with a
// byte-order mark instead, so no key or report line turns into "?" and stops
// matching what it names. decodeText reads both forms.
QByteArray encodeAnsiText(const QString& text);

// The lines joined with CR LF, each line ended by one.
QString joinLinesCrLf(const QStringList& lines);


// Replaces the file atomically (temporary file in the same folder, then rename);
// throws std::runtime_error naming the file when it cannot be written.
void writeFileAtomically(const QString& hostPath, const QByteArray& bytes);

} // namespace veridon
