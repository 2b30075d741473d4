#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace veridon::test {

TempDir::TempDir()
{
    EXPECT_TRUE(m_dir.isValid());
}

QString TempDir::write(const QString& relative, const QByteArray& bytes) const
{
    const QString target = file(relative);
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile out(target);
    EXPECT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate)) << target.toStdString();
    out.write(bytes);
    return target;
}

QString TempDir::mkdir(const QString& relative) const
{
    const QString target = file(relative);
    QDir().mkpath(target);
    return target;
}

QByteArray readAll(const QString& hostPath)
{
    QFile in(hostPath);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

} // namespace veridon::test
