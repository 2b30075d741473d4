#pragma once

#include <QString>
#include <QStringList>

namespace veridon {

// The detections the user asked the program to ignore: one key per line of
// Ignore.ini in the data folder, each the type text, ";" and the object. The file
// is plain text (CR LF, system code page), not an ini file. Comparisons ignore
// case. Read and write errors throw std::runtime_error.
class TIgnore
{
public:
    static constexpr const char* kFileName = "Ignore.ini";

    // Creates the data folder with its parents; the list starts empty.
    TIgnore(const QString& dataDir, const QString& programDir = {});

    // The key of a detection: type text + ";" + object.
    static QString keyOf(const QString& typeText, const QString& objectText);

    // Reads the file (creating it empty when missing), drops every line that
    // does not hold exactly one ";" and writes the cleaned list back.
    void Load();
    // Writes the whole list, replacing the file.
    void Save() const;
    // Appends a key; the caller saves.
    void Add(const QString& key);
    bool Contains(const QString& key) const;
    // Deletes the first line equal to the key; a key not in the list changes
    // nothing. The caller saves.
    void Remove(const QString& key);

    const QStringList& keys() const { return m_keys; }
    const QString& filePath() const { return m_filePath; }
    const QString& programDir() const { return m_programDir; }

private:
    qsizetype indexOf(const QString& key) const;

    QString m_filePath;
    QString m_programDir;
    QStringList m_keys;
};

} // namespace veridon
