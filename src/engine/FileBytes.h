#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace veridon {

class FileDigester;
class FileReader;
class FileSystem;

// The bytes of one file for its checks, read on demand into a buffer that is
// reused from file to file: the head first, the rest only when a check needs
// it. Never more than the size the file had when opened, and nothing of a file
// that has grown to the maximum size since its folder was listed.
class FileBytes
{
public:
    enum class State
    {
        Nothing,
        Head,     // the first bytes; the rest can follow
        Whole,    // everything up to the size at opening (less if it shrank)
        Failed,   // could not be opened or read
        TooLarge, // reached the maximum size since the search saw it
    };

    FileBytes(const FileSystem& files, std::uint64_t maxFileSize);
    ~FileBytes();
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    // Starts on another file; nothing is read yet.
    void reset(const QString& path);
    // Takes over bytes another reader loaded of the current file: its head
    // (the whole file when `whole`), `fileSize` being its size at opening.
    void adopt(std::span<const std::uint8_t> bytes, std::uint64_t fileSize, State state);

    // At least the first `headBytes` bytes (fewer when the file is shorter).
    bool loadHead(std::uint64_t headBytes);
    bool loadWhole();
    // The MD5 of the whole file, read through a window of the buffer rather
    // than held at once: the first window stays loaded (all of a small file).
    // A file that cannot be opened or read hashes as empty; nothing when it
    // is too large.
    std::optional<QString> digest(FileDigester& digester);

    State state() const { return m_state; }
    std::uint64_t fileSize() const { return m_fileSize; }
    std::span<const std::uint8_t> bytes() const { return {m_buffer.data(), std::size_t(m_length)}; }

private:
    bool reopenIfAdopted();
    bool open();
    bool readUpTo(std::uint64_t wanted);

    const FileSystem& m_files;
    std::uint64_t m_maxFileSize;
    std::vector<std::uint8_t> m_buffer;

    QString m_path;
    std::unique_ptr<FileReader> m_reader;
    std::uint64_t m_fileSize = 0;
    std::uint64_t m_length = 0; // bytes of the file in m_buffer
    bool m_atEnd = false;       // the file ended before its size at opening
    State m_state = State::Nothing;
};

} // namespace veridon
