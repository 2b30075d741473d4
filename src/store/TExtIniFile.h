#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace veridon {

// In-memory ini text: the reader of language files and the reader and writer
// of the quarantine index. Lines are trimmed; empty lines and ";" comments are
// dropped; "[name]" opens a section; lines before the first section are
// dropped; "key = value" is stored as "key=value" with both sides trimmed; a
// line without "=" is kept as it is. Section names and keys compare without
// regard to case, and the first of equal keys wins.
class TExtIniFile
{
public:
    TExtIniFile() = default;

    void loadFromText(const QString& text);
    void loadFromBytes(const QByteArray& bytes); // byte-order mark or Windows-1252
    bool loadFromFile(const QString& hostPath);  // false when unreadable; the content is then empty

    QString toText() const;     // CR LF line ends, a blank line after each section
    QByteArray toBytes() const; // encoded so that loadFromBytes reads it back unchanged

    QStringList sections() const;
    bool sectionExists(const QString& section) const;
    QStringList readSection(const QString& section) const;       // keys, in order
    QStringList readSectionValues(const QString& section) const; // the stored lines, in order
    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue = {}) const;

    void writeString(const QString& section, const QString& key, const QString& value);
    void eraseSection(const QString& section);
    void deleteKey(const QString& section, const QString& key);
    void clear() { m_sections.clear(); }

private:
    struct Section
    {
        QString name;
        QStringList lines;
    };

    const Section* find(const QString& name) const;
    Section& findOrAdd(const QString& name);
    static qsizetype indexOfKey(const QStringList& lines, const QString& key);

    std::vector<Section> m_sections;
};

} // namespace veridon
