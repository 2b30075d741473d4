#include "store/TExtIniFile.h"

#include "store/TextCodec.h"

#include <QFile>

#include <algorithm>

namespace veridon {
namespace {

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString keyOf(const QString& line)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    return eq < 0 ? QString() : line.left(eq);
}

} // namespace

void TExtIniFile::loadFromText(const QString& text)
{
    m_sections.clear();
    Section* current = nullptr;
    // Any of CR, LF or CR LF ends a line.
    const QStringList lines = QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                                  .replace(QLatin1Char('\r'), QLatin1Char('\n'))
                                  .split(QLatin1Char('\n'));
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.size() >= 2 && line.startsWith(QLatin1Char('[')) &&
            line.endsWith(QLatin1Char(']'))) {
            current = &findOrAdd(line.mid(1, line.size() - 2).trimmed());
            continue;
        }
        if (!current)
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            current->lines.append(line);
        else
            current->lines.append(line.left(eq).trimmed() + QLatin1Char('=') +
                                  line.mid(eq + 1).trimmed());
    }
}

void TExtIniFile::loadFromBytes(const QByteArray& bytes)
{
    loadFromText(decodeText(bytes));
}

bool TExtIniFile::loadFromFile(const QString& hostPath)
{
    QFile file(hostPath);
    if (!file.open(QIODevice::ReadOnly)) {
        m_sections.clear();
        return false;
    }
    loadFromBytes(file.readAll());
    return true;
}

QString TExtIniFile::toText() const
{
    QString text;
    const QString crlf = QStringLiteral("\r\n");
    for (const Section& section : m_sections) {
        text += QLatin1Char('[') + section.name + QLatin1Char(']') + crlf;
        for (const QString& line : section.lines)
            text += line + crlf;
        text += crlf;
    }
    return text;
}

QByteArray TExtIniFile::toBytes() const
{
    return encodeText(toText());
}

QStringList TExtIniFile::sections() const
{
    QStringList names;
    for (const Section& section : m_sections)
        names.append(section.name);
    return names;
}

bool TExtIniFile::sectionExists(const QString& section) const
{
    return find(section) != nullptr;
}

QStringList TExtIniFile::readSection(const QString& section) const
{
    QStringList keys;
    if (const Section* s = find(section))
        for (const QString& line : s->lines)
            if (line.contains(QLatin1Char('=')))
                keys.append(keyOf(line));
    return keys;
}

QStringList TExtIniFile::readSectionValues(const QString& section) const
{
    const Section* s = find(section);
    return s ? s->lines : QStringList();
}

QString TExtIniFile::readString(const QString& section, const QString& key,
                                const QString& defaultValue) const
{
    const Section* s = find(section);
    if (!s)
        return defaultValue;
    const qsizetype i = indexOfKey(s->lines, key);
    if (i < 0)
        return defaultValue;
    const QString& line = s->lines[i];
    return line.mid(line.indexOf(QLatin1Char('=')) + 1);
}

void TExtIniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    Section& s = findOrAdd(section);
    const QString line = key + QLatin1Char('=') + value;
    const qsizetype i = indexOfKey(s.lines, key);
    if (i < 0)
        s.lines.append(line);
    else
        s.lines[i] = line;
}

void TExtIniFile::eraseSection(const QString& section)
{
    std::erase_if(m_sections, [&](const Section& s) { return sameName(s.name, section); });
}

void TExtIniFile::deleteKey(const QString& section, const QString& key)
{
    for (Section& s : m_sections)
        if (sameName(s.name, section)) {
            const qsizetype i = indexOfKey(s.lines, key);
            if (i >= 0)
                s.lines.removeAt(i);
            return;
        }
}

const TExtIniFile::Section* TExtIniFile::find(const QString& name) const
{
    const auto it = std::find_if(m_sections.begin(), m_sections.end(),
                                 [&](const Section& s) { return sameName(s.name, name); });
    return it == m_sections.end() ? nullptr : &*it;
}

TExtIniFile::Section& TExtIniFile::findOrAdd(const QString& name)
{
    for (Section& s : m_sections)
        if (sameName(s.name, name))
            return s;
    m_sections.push_back(Section{name, {}});
    return m_sections.back();
}

qsizetype TExtIniFile::indexOfKey(const QStringList& lines, const QString& key)
{
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const qsizetype eq = lines[i].indexOf(QLatin1Char('='));
        if (eq >= 0 && QStringView(lines[i]).left(eq).compare(key, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

} // namespace veridon
