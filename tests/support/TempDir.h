#pragma once

#include "support/QtPrinting.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace veridon::test {

// A temporary folder removed at the end of the test, with helpers to fill it.
class TempDir
{
public:
    TempDir();

    QString path() const { return m_dir.path(); }
    QString file(const QString& relative) const { return m_dir.filePath(relative); }

    // Writes `bytes` to `relative`, creating parent folders; returns the host path.
    QString write(const QString& relative, const QByteArray& bytes) const;
    QString mkdir(const QString& relative) const;

private:
    QTemporaryDir m_dir;
};

QByteArray readAll(const QString& hostPath);

} // namespace veridon::test
