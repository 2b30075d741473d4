#pragma once

#include <QString>

namespace veridon {

// Blanks and control characters removed from both ends, as the signature
// tables' own trimming does (QString::trimmed would also eat other spaces).
QString trimBlanks(const QString& text);

// A signature line cut at the first separator. Without one, the head is empty
// and the tail is the whole text: a malformed line then reads as a nameless
// entry rather than being lost.
struct FieldSplit
{
    QString head;
    QString tail;
    bool found = false;
};
FieldSplit splitAtFirst(const QString& text, QChar separator);

} // namespace veridon
