#include "platform/WindowsPath.h"

namespace veridon {

QString WindowsPath::toString() const
{
    if (!isValid())
        return {};
    QString text = QString(drive) + QLatin1String(":\\");
    text += components.join(QLatin1Char('\\'));
    return text;
}

WindowsPath WindowsPath::parse(const QString& text)
{
    WindowsPath path;
    QString rest = text;
    rest.replace(QLatin1Char('/'), QLatin1Char('\\'));
    if (rest.startsWith(QLatin1String("\\\\?\\")) || rest.startsWith(QLatin1String("\\??\\")))
        rest.remove(0, 4);
    if (rest.size() < 2 || rest[1] != QLatin1Char(':') || !rest[0].isLetter() ||
        rest[0].unicode() > 127)
        return path;
    if (rest.size() > 2 && rest[2] != QLatin1Char('\\'))
        return path; // "C:name" is relative to a current folder, which we do not have
    path.drive = rest[0].toUpper();
    for (QStringView part : QStringView(rest).mid(2).split(QLatin1Char('\\'))) {
        if (part.isEmpty() || part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (!path.components.isEmpty())
                path.components.removeLast();
            continue;
        }
        path.components.append(part.toString());
    }
    return path;
}

} // namespace veridon
