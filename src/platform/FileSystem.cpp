#include "platform/FileSystem.h"

#include <algorithm>
#include <cstring>

namespace veridon {
namespace {

class BufferReader final : public FileReader
{
public:
    explicit BufferReader(QByteArray bytes) : m_bytes(std::move(bytes)) {}
    qint64 read(char* buffer, qint64 capacity) override
    {
        const qint64 count = std::min<qint64>(capacity, m_bytes.size() - m_position);
        std::memcpy(buffer, m_bytes.constData() + m_position, size_t(count));
        m_position += count;
        return count;
    }
    quint64 size() const override { return quint64(m_bytes.size()); }

private:
    QByteArray m_bytes;
    qint64 m_position = 0;
};

} // namespace

std::unique_ptr<FileReader> FileSystem::openRead(const QString& path) const
{
    std::optional<QByteArray> bytes = readFile(path);
    if (!bytes)
        return nullptr;
    return std::make_unique<BufferReader>(std::move(*bytes));
}

const char* describe(FileError error)
{
    switch (error) {
    case FileError::None:
        return "The operation completed successfully.";
    case FileError::NotFound:
        return "The system cannot find the file specified.";
    case FileError::AccessDenied:
        return "Access is denied.";
    case FileError::InUse:
        return "The process cannot access the file because it is being used by another process.";
    case FileError::NotEmpty:
        return "The directory is not empty.";
    case FileError::Exists:
        return "Cannot create a file when that file already exists.";
    case FileError::Other:
        break;
    }
    return "The operation failed.";
}

} // namespace veridon
