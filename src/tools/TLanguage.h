#pragma once

#include "store/TExtIniFile.h"

#include <QHash>
#include <QString>
#include <QStringList>

namespace veridon {

// The user-interface language: the "*.lng" files of the program's Language
// folder, the loaded one, and the look-up of run-time messages by key. Without
// a Language folder (or with an empty one) the lists are empty and every
// look-up answers its built-in English default.
class TLanguage
{
public:
    static constexpr const char* kPrefix = "ORVEL";

    // Discovers the folder's languages; the last one found becomes current.
    TLanguage(const QString& prefix, const QString& languageDir);

    const QStringList& identifiers() const { return m_identifiers; }
    const QStringList& displayNames() const { return m_displayNames; }
    int currentIndex() const { return m_current; }
    QString currentIdentifier() const;
    const QString& prefix() const { return m_prefix; }

    // Loads a discovered language; an unknown identifier or a vanished file
    // keeps the previous language. Returns whether it was loaded.
    bool LoadLanguage(const QString& identifier);

    QString GetText(const QString& key, const QString& defaultText) const;
    QString ReadString(const QString& section, const QString& key,
                       const QString& defaultValue) const;

private:
    QString fileOf(const QString& identifier) const;

    QString m_prefix;
    QString m_dir;
    int m_current = -1;
    QStringList m_identifiers;
    QStringList m_displayNames;
    TExtIniFile m_file;
    QHash<QString, QString> m_messages; // lower-case key -> text
};

} // namespace veridon
