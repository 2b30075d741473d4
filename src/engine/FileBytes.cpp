#include "engine/FileBytes.h"

#include "platform/FileDigester.h"
#include "platform/FileSystem.h"

#include <algorithm>

namespace veridon {
namespace {

// Large enough for a read to cost little per byte, small enough to stay in
// the processor's cache while it is hashed.
constexpr std::uint64_t kWindow = 256 * 1024;

} // namespace

FileBytes::FileBytes(const FileSystem& files, std::uint64_t maxFileSize)
    : m_files(files), m_maxFileSize(maxFileSize)
{
}

FileBytes::~FileBytes() = default;

void FileBytes::reset(const QString& path)
{
    m_path = path;
    m_reader.reset();
    m_fileSize = 0;
    m_length = 0;
    m_atEnd = false;
    m_state = State::Nothing;
}

void FileBytes::adopt(std::span<const std::uint8_t> bytes, std::uint64_t fileSize, State state)
{
    m_reader.reset();
    if (m_buffer.size() < bytes.size())
        m_buffer.resize(bytes.size());
    std::copy(bytes.begin(), bytes.end(), m_buffer.begin());
    m_length = bytes.size();
    m_fileSize = fileSize;
    m_state = state;
}

bool FileBytes::open()
{
    m_reader = m_files.openRead(m_path);
    if (!m_reader) {
        m_state = State::Failed;
        return false;
    }
    m_fileSize = m_reader->size();
    m_length = 0;
    m_atEnd = false;
    if (m_fileSize >= m_maxFileSize) {
        // It grew since the search saw it: never held in memory.
        m_reader.reset();
        m_state = State::TooLarge;
        return false;
    }
    m_state = State::Head;
    return true;
}

bool FileBytes::readUpTo(std::uint64_t wanted)
{
    if (m_buffer.size() < wanted)
        m_buffer.resize(std::size_t(wanted));
    while (m_length < wanted) {
        const qint64 got = m_reader->read(reinterpret_cast<char*>(m_buffer.data() + m_length),
                                          qint64(wanted - m_length));
        if (got < 0) {
            m_state = State::Failed;
            m_reader.reset();
            return false;
        }
        if (got == 0) {
            m_atEnd = true; // it shrank: what is there counts
            break;
        }
        m_length += std::uint64_t(got);
    }
    return true;
}

bool FileBytes::loadHead(std::uint64_t headBytes)
{
    switch (m_state) {
    case State::Nothing:
        return open() && readUpTo(std::min(m_fileSize, headBytes));
    case State::Head:
    case State::Whole:
        return true;
    case State::Failed:
    case State::TooLarge:
        break;
    }
    return false;
}

// A head without an open file behind it (taken over, or left by a digest)
// is read again from the start.
bool FileBytes::reopenIfAdopted()
{
    if (m_state == State::Head && !m_reader)
        m_state = State::Nothing;
    if (m_state == State::Nothing)
        return open();
    return m_state == State::Head;
}

bool FileBytes::loadWhole()
{
    if (m_state == State::Whole)
        return true;
    if (!reopenIfAdopted() || !readUpTo(m_fileSize))
        return false;
    m_state = State::Whole;
    m_reader.reset();
    return true;
}

std::optional<QString> FileBytes::digest(FileDigester& digester)
{
    if (m_state != State::Whole) {
        const bool opened = reopenIfAdopted();
        if (!opened && m_state == State::TooLarge)
            return std::nullopt;
        if (!opened || !readUpTo(std::min(m_fileSize, kWindow)))
            return digester.digest({});
        if (m_atEnd || m_length == m_fileSize) {
            m_state = State::Whole;
            m_reader.reset();
        }
    }
    if (m_state == State::Whole)
        return digester.digest(bytes());

    // The rest passes through a second window, leaving the first in place.
    digester.begin();
    digester.update(bytes());
    if (m_buffer.size() < 2 * kWindow)
        m_buffer.resize(2 * kWindow);
    std::uint8_t* const window = m_buffer.data() + kWindow;
    for (std::uint64_t done = m_length; done < m_fileSize;) {
        const qint64 got = m_reader->read(reinterpret_cast<char*>(window),
                                          qint64(std::min(kWindow, m_fileSize - done)));
        if (got < 0) {
            m_state = State::Failed;
            m_reader.reset();
            digester.finish();
            return digester.digest({});
        }
        if (got == 0)
            break; // it shrank: what is there counts
        digester.update({window, std::size_t(got)});
        done += std::uint64_t(got);
    }
    // The head stays; whatever needs the rest reads the file again.
    m_reader.reset();
    return digester.finish();
}

} // namespace veridon
