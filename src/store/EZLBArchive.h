#pragma once

#include <QString>

#include <stdexcept>

namespace veridon {

// A failure of the archive container, carrying its fixed English text.
class EZLBArchive : public std::runtime_error
{
public:
    explicit EZLBArchive(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

} // namespace veridon
