#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace veridon {

// Byte patterns at fixed offsets of PE images ("ThreatName,Offset,Bytes[,Flag]").
// Lines holding "?", with an offset that is not a whole number or with no
// bytes are left out, so entry p is the p-th kept line.
class BytePatternTable
{
public:
    struct Entry
    {
        QString threatName;
        qint64 offset = 0;
        int digitCount = 0;  // hexadecimal digits written; bounds the check
        QByteArray bytes;    // digitCount / 2 bytes; an odd last digit is ignored
        bool vendorless = false; // flag "NV": only files without a vendor
        bool wellFormed = true;  // false when a digit is not hexadecimal: matches nothing
    };

    void load(const QStringList& lines);
    const std::vector<Entry>& entries() const { return m_entries; }

private:
    std::vector<Entry> m_entries;
};

} // namespace veridon
