#pragma once

#include <QString>
#include <QStringList>

#include <ostream>

// Readable failure messages for Qt text types in GoogleTest assertions.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << '[' << list.join(QStringLiteral(", ")).toStdString() << ']';
}
