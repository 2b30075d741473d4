#include "engine/HashTable.h"

#include "engine/SignatureText.h"

#include <QtEndian>

namespace veridon {
namespace {

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

// The first eight bytes as a number that orders as the bytes do.
std::uint64_t leadingBytes(const char* text)
{
    return qFromBigEndian<quint64>(text);
}

} // namespace

void HashTable::clear()
{
    m_text.clear();
    m_entries.clear();
}

std::string_view HashTable::view(std::uint32_t offset, std::uint32_t length) const
{
    return std::string_view(m_text.constData() + offset, length);
}

void HashTable::load(QByteArray utf8Text)
{
    clear();
    m_text = std::move(utf8Text);
    char* const text = m_text.data(); // detaches once: the keys are upper-cased in place
    const std::string_view all(text, std::size_t(m_text.size()));
    const auto offsetOf = [text](std::string_view part) {
        return std::uint32_t(part.data() - text);
    };
    std::size_t lineCount = 0;
    for (char c : all)
        lineCount += c == '\n';
    m_entries.reserve(lineCount + 1);
    forEachUtf8Line(all, [&](std::string_view line) {
        // Name: before the first comma, untrimmed (a line without a comma has
        // an empty name). The rest is trimmed; a further comma splits off the
        // location.
        const std::size_t comma = line.find(',');
        const std::string_view name = comma == std::string_view::npos ? line.substr(0, 0)
                                                                       : line.substr(0, comma);
        std::string_view rest =
            trimmed(comma == std::string_view::npos ? line : line.substr(comma + 1));
        std::string_view md5 = rest;
        std::string_view location = rest.substr(rest.size());
        if (const std::size_t second = rest.find(','); second != std::string_view::npos) {
            md5 = rest.substr(0, second);
            location = trimmed(rest.substr(second + 1));
        }
        // A blank cannot be part of a digest; trimming it keeps a sloppy line findable.
        md5 = trimmed(md5);
        for (std::size_t i = 0; i < md5.size(); ++i)
            text[offsetOf(md5) + i] = upper(md5[i]);

        m_entries.push_back({offsetOf(name), std::uint32_t(name.size()), offsetOf(md5),
                             std::uint32_t(md5.size()), offsetOf(location),
                             std::uint32_t(location.size())});
    });
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
    // The keys are upper-cased already: folding the probe once leaves a plain
    // ordinal comparison for every step.
    char folded[64];
    if (md5.size() > sizeof folded)
        return -1; // longer than any digest text a file can have
    for (std::size_t i = 0; i < md5.size(); ++i)
        folded[i] = upper(md5[i]);
    const std::string_view probe(folded, md5.size());
    // Most steps are decided by the first eight characters, compared as one
    // number whose order is that of the bytes.
    const bool quick = probe.size() >= 8;
    const std::uint64_t probeHead = quick ? leadingBytes(probe.data()) : 0;
    int low = 0;
    int high = size() - 1;
    while (low <= high) {
        const int middle = (low + high) / 2;
        const Entry& e = m_entries[std::size_t(middle)];
        int order = 0;
        if (const std::uint64_t keyHead = quick && e.keyLength >= 8
                                              ? leadingBytes(m_text.constData() + e.key)
                                              : probeHead;
            keyHead != probeHead)
            order = keyHead < probeHead ? -1 : 1;
        else
            order = view(e.key, e.keyLength).compare(probe);
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
