#include "support/ProcFixture.h"

#include <QFile>

namespace veridon::test {

QString mapsLine(quint64 start, quint64 end, const QString& path, quint64 offset)
{
    return QStringLiteral("%1-%2 r--p %3 fe:00 1234                       %4")
        .arg(start, 0, 16)
        .arg(end, 0, 16)
        .arg(offset, 8, 16, QLatin1Char('0'))
        .arg(path);
}

QString writeProcTree(const TempDir& dir, const std::vector<FakeProcess>& processes)
{
    const QString root = dir.mkdir(QStringLiteral("proc"));
    for (const FakeProcess& process : processes) {
        const QString base = QStringLiteral("proc/%1/").arg(process.pid);
        dir.mkdir(base);
        if (process.withStat) {
            const QString name = process.exe.isEmpty()
                                     ? QStringLiteral("x")
                                     : process.exe.section(QLatin1Char('/'), -1).left(15);
            dir.write(base + QStringLiteral("stat"),
                      QStringLiteral("%1 (%2) %3 1 1 1 0 -1 4194560 0 0 0 0 0 0 0 0 20 0 1 0 1 0 0")
                          .arg(process.pid)
                          .arg(name)
                          .arg(QLatin1Char(process.state))
                          .toUtf8());
        }
        if (!process.exe.isEmpty())
            QFile::link(process.exe, dir.file(base + QStringLiteral("exe")));
        QByteArray cmdline;
        for (const QString& argument : process.argv)
            cmdline += argument.toUtf8() + '\0';
        dir.write(base + QStringLiteral("cmdline"), cmdline);
        QByteArray environ;
        for (const QString& variable : process.environ)
            environ += variable.toUtf8() + '\0';
        dir.write(base + QStringLiteral("environ"), environ);
        dir.write(base + QStringLiteral("maps"),
                  process.maps.join(QLatin1Char('\n')).toUtf8() + '\n');
    }
    return root;
}

QString writePrefixSkeleton(const TempDir& dir, const QString& relative)
{
    const QString prefix = dir.mkdir(relative);
    dir.mkdir(relative + QStringLiteral("/drive_c/windows/system32"));
    dir.mkdir(relative + QStringLiteral("/dosdevices"));
    QFile::link(QStringLiteral("../drive_c"), prefix + QStringLiteral("/dosdevices/c:"));
    QFile::link(QStringLiteral("/"), prefix + QStringLiteral("/dosdevices/z:"));
    return prefix;
}

} // namespace veridon::test
