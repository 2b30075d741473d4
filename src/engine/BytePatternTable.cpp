#include "engine/BytePatternTable.h"

namespace veridon {
namespace {

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

} // namespace

void BytePatternTable::load(const QStringList& lines)
{
    m_entries.clear();
    for (const QString& line : lines) {
        if (line.contains(QLatin1Char('?')))
            continue;
        const QStringList fields = line.split(QLatin1Char(','));
        if (fields.size() < 3)
            continue;
        bool isNumber = false;
        const qint64 offset = fields[1].trimmed().toLongLong(&isNumber);
        const QString digits = fields[2].trimmed();
        if (!isNumber || offset < 0 || digits.isEmpty())
            continue;
        Entry entry;
        entry.threatName = fields[0];
        entry.offset = offset;
        entry.digitCount = int(digits.size());
        entry.vendorless = fields.size() > 3 && fields[3].trimmed() == QLatin1String("NV");
        bool valid = true;
        for (qsizetype j = 0; j + 1 < digits.size(); j += 2) {
            const int hi = hexValue(digits[j]);
            const int lo = hexValue(digits[j + 1]);
            valid = valid && hi >= 0 && lo >= 0;
            entry.bytes.append(char((hi << 4) | lo));
        }
        // Leaving a malformed pattern out would renumber the later lines of
        // the table, so it stays, matching nothing.
        entry.wellFormed = valid;
        m_entries.push_back(std::move(entry));
    }
}

} // namespace veridon
