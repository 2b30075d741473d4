#include "engine/FileHashers.h"

#include "platform/FileDigester.h"

#include <algorithm>

namespace veridon {

FileHashers::FileHashers(const FileSystem& files, std::uint64_t maxFileSize, int threads)
    : m_files(files), m_maxFileSize(maxFileSize)
{
    for (int i = 0; i < std::max(threads, 1); ++i)
        m_threads.emplace_back([this] { work(); });
}

FileHashers::~FileHashers()
{
    {
        std::lock_guard lock(m_mutex);
        m_ending = true;
        m_queue.clear();
    }
    m_wake.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

int FileHashers::defaultThreads()
{
    return std::max(1, int(std::thread::hardware_concurrency()) - 1);
}

FileHashers::Ticket FileHashers::submit(const QString& path)
{
    Job job{path, {}};
    Ticket ticket = job.promise.get_future().share();
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(job));
    }
    m_wake.notify_one();
    return ticket;
}

void FileHashers::dropQueued()
{
    std::lock_guard lock(m_mutex);
    m_queue.clear();
}

void FileHashers::work()
{
    FileBytes bytes(m_files, m_maxFileSize);
    FileDigester digester;
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_ending || !m_queue.empty(); });
            if (m_ending)
                return;
            job = std::move(m_queue.front());
            m_queue.pop_front();
        }
        try {
            Result result;
            bytes.reset(job.path);
            result.md5 = bytes.digest(digester).value_or(QString());
            result.state = bytes.state();
            result.fileSize = bytes.fileSize();
            const std::span<const std::uint8_t> read = bytes.bytes();
            const auto head = read.first(std::min<std::size_t>(read.size(), kHeadBytes));
            result.head.assign(head.begin(), head.end());
            result.headIsWhole =
                result.state == FileBytes::State::Whole && head.size() == read.size();
            job.promise.set_value(std::move(result));
        } catch (...) {
            job.promise.set_exception(std::current_exception());
        }
    }
}

} // namespace veridon
