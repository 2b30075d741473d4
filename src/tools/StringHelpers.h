#pragma once

#include <QChar>
#include <QString>

namespace veridon {

// With a non-zero character: the text before its first occurrence, empty when
// it does not occur. With character 0: the first `length` characters.
QString TextBefore(const QString& text, qsizetype length, QChar character);

// With a non-zero character: the text after its last occurrence (the whole
// text when it does not occur). With character 0: the last `length` characters.
QString TextAfterLast(const QString& text, qsizetype length, QChar character);

// The 1-based position of the n-th occurrence of `character` counted from the
// end, or 0 when there are fewer than n.
qsizetype NthFromEnd(const QString& text, QChar character, int n);

} // namespace veridon
