#include "tools/StringHelpers.h"

namespace veridon {

QString TextBefore(const QString& text, qsizetype length, QChar character)
{
    if (character.isNull())
        return text.left(qMax<qsizetype>(length, 0));
    const qsizetype at = text.indexOf(character);
    return at < 0 ? QString() : text.left(at);
}

QString TextAfterLast(const QString& text, qsizetype length, QChar character)
{
    if (character.isNull())
        return text.right(qMax<qsizetype>(length, 0));
    return text.mid(text.lastIndexOf(character) + 1);
}

qsizetype NthFromEnd(const QString& text, QChar character, int n)
{
    if (n <= 0)
        return 0;
    for (qsizetype i = text.size() - 1; i >= 0; --i)
        if (text[i] == character && --n == 0)
            return i + 1;
    return 0;
}

} // namespace veridon
