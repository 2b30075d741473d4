#include "tools/TLanguage.h"

#include <QDir>
#include <QFileInfo>

namespace veridon {

TLanguage::TLanguage(const QString& prefix, const QString& languageDir)
    : m_prefix(prefix), m_dir(QDir::cleanPath(languageDir))
{
    // Name order keeps the list (and the language left current) the same on
    // every file system.
    const QStringList files =
        QDir(m_dir).entryList({QStringLiteral("*.lng")},
                              QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& name : files) {
        const QString identifier = name.left(name.size() - 4);
        m_identifiers.append(identifier);
        LoadLanguage(identifier);
        m_displayNames.append(
            m_file.readString(QStringLiteral("Main"), QStringLiteral("DisplayName"), identifier));
    }
}

QString TLanguage::currentIdentifier() const
{
    return m_current < 0 ? QString() : m_identifiers[m_current];
}

bool TLanguage::LoadLanguage(const QString& identifier)
{
    const int index = int(m_identifiers.indexOf(identifier));
    if (index < 0 || !QFileInfo(fileOf(identifier)).isFile())
        return false;
    TExtIniFile file;
    if (!file.loadFromFile(fileOf(identifier)))
        return false;
    m_current = index;
    m_file = std::move(file);
    m_messages.clear();
    for (const QString& line : m_file.readSectionValues(m_prefix + QStringLiteral("_M"))) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        // The first of equal keys answers, as in the file reader.
        const QString key = line.left(eq).toLower();
        if (!m_messages.contains(key))
            m_messages.insert(key, line.mid(eq + 1));
    }
    return true;
}

QString TLanguage::GetText(const QString& key, const QString& defaultText) const
{
    const auto it = m_messages.constFind(key.toLower());
    return it == m_messages.cend() ? defaultText : *it;
}

QString TLanguage::ReadString(const QString& section, const QString& key,
                              const QString& defaultValue) const
{
    return m_file.readString(section, key, defaultValue);
}

QString TLanguage::fileOf(const QString& identifier) const
{
    return m_dir + QLatin1Char('/') + identifier + QStringLiteral(".lng");
}

} // namespace veridon
