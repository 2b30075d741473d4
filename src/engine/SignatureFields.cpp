#include "engine/SignatureFields.h"

namespace veridon {

QString trimBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= u' ')
        ++begin;
    while (end > begin && text[end - 1].unicode() <= u' ')
        --end;
    return text.mid(begin, end - begin);
}

FieldSplit splitAtFirst(const QString& text, QChar separator)
{
    const qsizetype at = text.indexOf(separator);
    if (at < 0)
        return {QString(), text, false};
    return {text.left(at), text.mid(at + 1), true};
}

} // namespace veridon
