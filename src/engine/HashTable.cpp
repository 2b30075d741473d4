#include "engine/HashTable.h"

#include "engine/SignatureText.h"

#include <algorithm>

namespace veridon {
namespace {

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

} // namespace

int compareIgnoringCase(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(upper(a[i]));
        const auto y = static_cast<unsigned char>(upper(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

void HashTable::clear()
{
    m_arena.clear();
    m_entries.clear();
}

std::uint32_t HashTable::store(std::string_view text)
{
    const auto offset = std::uint32_t(m_arena.size());
    m_arena.append(text);
    return offset;
}

std::string_view HashTable::view(std::uint32_t offset, std::uint32_t length) const
{
    return std::string_view(m_arena).substr(offset, length);
}

void HashTable::load(std::string_view utf8Text)
{
    clear();
    const std::vector<std::string_view> lines = splitUtf8Lines(utf8Text);
    m_entries.reserve(lines.size());
    m_arena.reserve(utf8Text.size());
    for (std::string_view line : lines) {
        // Name: before the first comma, untrimmed (a line without a comma has
        // an empty name). The rest is trimmed; a further comma splits off the
        // location.
        const std::size_t comma = line.find(',');
        const std::string_view name = comma == std::string_view::npos ? std::string_view()
                                                                       : line.substr(0, comma);
        std::string_view rest =
            trimmed(comma == std::string_view::npos ? line : line.substr(comma + 1));
        std::string_view md5 = rest;
        std::string_view location;
        if (const std::size_t second = rest.find(','); second != std::string_view::npos) {
            md5 = rest.substr(0, second);
            location = trimmed(rest.substr(second + 1));
        }
        // A blank cannot be part of a digest; trimming it keeps a sloppy line findable.
        md5 = trimmed(md5);

        Entry entry{};
        entry.name = store(name);
        entry.nameLength = std::uint32_t(name.size());
        entry.key = std::uint32_t(m_arena.size());
        for (char c : md5)
            m_arena.push_back(upper(c));
        entry.keyLength = std::uint32_t(md5.size());
        entry.location = store(location);
        entry.locationLength = std::uint32_t(location.size());
        m_entries.push_back(entry);
    }
    m_arena.shrink_to_fit();
}

QString HashTable::threatName(int index) const
{
    const Entry& e = m_entries[std::size_t(index)];
    return toQString(view(e.name, e.nameLength));
}

QString HashTable::location(int index) const
{
    const Entry& e = m_entries[std::size_t(index)];
    return toQString(view(e.location, e.locationLength));
}

int HashTable::find(std::string_view md5) const
{
    int low = 0;
    int high = size() - 1;
    while (low <= high) {
        const int middle = (low + high) / 2;
        const Entry& e = m_entries[std::size_t(middle)];
        const int order = compareIgnoringCase(view(e.key, e.keyLength), md5);
        if (order == 0)
            return middle;
        if (order < 0)
            low = middle + 1;
        else
            high = middle - 1;
    }
    return -1;
}

} // namespace veridon
