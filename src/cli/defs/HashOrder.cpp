#include "cli/defs/HashOrder.h"

namespace veridon::cli {

QString hashField(const QString& line)
{
    const qsizetype comma = line.indexOf(u',');
    if (comma < 0)
        return {};
    const QString rest = line.mid(comma + 1).trimmed();
    const qsizetype next = rest.indexOf(u',');
    return next < 0 ? rest : rest.left(next);
}

int compareHashText(const QString& a, const QString& b)
{
    auto upper = [](char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; };
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = upper(a[i].unicode());
        const char16_t y = upper(b[i].unicode());
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::optional<qsizetype> firstLineOutOfOrder(const QStringList& lines)
{
    for (qsizetype i = 1; i < lines.size(); ++i)
        if (compareHashText(hashField(lines[i - 1]), hashField(lines[i])) > 0)
            return i + 1;
    return std::nullopt;
}

} // namespace veridon::cli
