#pragma once

#include "engine/FileBytes.h"

#include <QString>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace veridon {

class FileSystem;

// Reads and hashes files on worker threads while the scan thread walks
// folders and checks the files before them. Hashing is what a first scan
// spends its time on; the workers keep the other cores busy with it, and the
// scan thread takes the results in the order it needs them.
class FileHashers
{
public:
    // What a worker learnt of one file.
    struct Result
    {
        QString md5; // of every byte read; the digest of nothing when unreadable
        FileBytes::State state = FileBytes::State::Nothing; // after the digest
        std::uint64_t fileSize = 0;
        std::vector<std::uint8_t> head; // the first bytes read, for the tests after the digest
        bool headIsWhole = false;       // the head holds every byte read
    };
    using Ticket = std::shared_future<Result>;

    static constexpr std::uint64_t kHeadBytes = 4096;

    // `threads` below 1 counts as 1.
    FileHashers(const FileSystem& files, std::uint64_t maxFileSize, int threads);
    // Drops the files not yet started and waits for those being read.
    ~FileHashers();
    FileHashers(const FileHashers&) = delete;
    FileHashers& operator=(const FileHashers&) = delete;

    // Queues a file (a Windows path); the ticket gives its result once read.
    Ticket submit(const QString& path);
    // Drops every queued file; the tickets of dropped files report a broken promise.
    void dropQueued();

    // The workers for this machine: one core stays with the scan thread.
    static int defaultThreads();

private:
    struct Job
    {
        QString path;
        std::promise<Result> promise;
    };

    void work();

    const FileSystem& m_files;
    std::uint64_t m_maxFileSize;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_queue;
    bool m_ending = false;
    std::vector<std::thread> m_threads;
};

} // namespace veridon
