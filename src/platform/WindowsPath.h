#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

namespace veridon {

// A drive path split into its letter and components: "\" and "/" both separate,
// empty and "." components are dropped, ".." removes the one before it (never
// climbing above the drive root), and the "\\?\" and "\??\" prefixes are ignored.
struct WindowsPath
{
    QChar drive;            // upper-case letter; null when the text is no drive path
    QStringList components; // as written, without separators

    bool isValid() const { return !drive.isNull(); }
    // "C:\a\b"; the root is "C:\".
    QString toString() const;

    static WindowsPath parse(const QString& text);
};

} // namespace veridon
