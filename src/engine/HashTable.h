#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace veridon {

// A hash table of the definitions ("ThreatName,MD5[,Location]" lines), kept
// in file order. Texts live in one arena so that a million lines cost a few
// tens of megabytes; threat names and locations become strings only for hits.
class HashTable
{
public:
    // Parses every line; line i of the member is entry i.
    void load(std::string_view utf8Text);
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
        std::uint32_t key, keyLength; // upper-cased MD5 text
        std::uint32_t location, locationLength;
    };

    std::uint32_t store(std::string_view text);
    std::string_view view(std::uint32_t offset, std::uint32_t length) const;

    std::string m_arena;
    std::vector<Entry> m_entries;
};

// Compares two texts as the table's order does: ASCII letters folded to upper
// case, then ordinal. Negative, zero or positive.
int compareIgnoringCase(std::string_view a, std::string_view b);

} // namespace veridon
