#include "app/TIgnore.h"

#include "app/AnsiText.h"
#include "store/TextCodec.h"

#include <QDir>
#include <QFile>

#include <stdexcept>

namespace veridon {

TIgnore::TIgnore(const QString& dataDir, const QString& programDir)
    : m_filePath(QDir(dataDir).filePath(QString::fromLatin1(kFileName))),
      m_programDir(programDir)
{
    if (!QDir().mkpath(dataDir))
        throw std::runtime_error("Cannot create folder " + dataDir.toStdString());
}

QString TIgnore::keyOf(const QString& typeText, const QString& objectText)
{
    return typeText + QLatin1Char(';') + objectText;
}

void TIgnore::Load()
{
    if (!QFile::exists(m_filePath))
        Save();
    QFile file(m_filePath);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("Cannot read file " + m_filePath.toStdString() + ": " +
                                 file.errorString().toStdString());
    m_keys = splitLines(decodeText(file.readAll()));
    for (qsizetype i = m_keys.size() - 1; i >= 0; --i)
        if (m_keys[i].count(QLatin1Char(';')) != 1)
            m_keys.removeAt(i);
    Save();
}

void TIgnore::Save() const
{
    writeFileAtomically(m_filePath, encodeAnsiText(joinLinesCrLf(m_keys)));
}

void TIgnore::Add(const QString& key)
{
    m_keys.append(key);
}

qsizetype TIgnore::indexOf(const QString& key) const
{
    for (qsizetype i = 0; i < m_keys.size(); ++i)
        if (m_keys[i].compare(key, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool TIgnore::Contains(const QString& key) const
{
    return indexOf(key) >= 0;
}

void TIgnore::Remove(const QString& key)
{
    if (const qsizetype i = indexOf(key); i >= 0)
        m_keys.removeAt(i);
}

} // namespace veridon
