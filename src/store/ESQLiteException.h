#pragma once

#include <QString>

#include <stdexcept>

namespace veridon {

// A failure of the SQLite layer, carrying its fixed English text (and, when
// SQLite reported one, its error code, the statement and SQLite's message).
class ESQLiteException : public std::runtime_error
{
public:
    explicit ESQLiteException(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

} // namespace veridon
