#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string_view>
#include <vector>

namespace veridon {

// A hash table of the definitions ("ThreatName,MD5[,Location]" lines), kept
// in file order. The table keeps the member's own bytes and indexes into them,
// so a million lines cost little more than their text; threat names and
// locations become strings only for hits.
class HashTable
{
public:
    // Parses every line; line i of the member is entry i.
    void load(QByteArray utf8Text);
    void clear();

    int size() const { return int(m_entries.size()); }
    QString threatName(int index) const;
    QString location(int index) const;

    // Bisection over the MD5 field in file order with a comparison that ignores
    // letter case; the first exact hit answers. The table must be sorted by
    // that field, as the definitions tool checks; -1 when not found.
    int find(std::string_view md5) const;

private:
    struct Entry
    {
        std::uint32_t name, nameLength;
        std::uint32_t key, keyLength; // the MD5 field, upper-cased in place
        std::uint32_t location, locationLength;
    };

    std::string_view view(std::uint32_t offset, std::uint32_t length) const;

    QByteArray m_text;
    std::vector<Entry> m_entries;
};

} // namespace veridon
