#pragma once

#include <condition_variable>
#include <mutex>

namespace veridon {

// Pause without suspending a thread at an arbitrary point (which could freeze
// the window on a lock the thread holds): the scan thread waits here only at
// the points where it polls its stop request.
class PauseGate
{
public:
    void pause();
    void resume();
    bool paused() const;
    // Returns at once unless paused; then waits for resume() or release().
    void pass();
    // Opens the gate for good (a stop must never wait behind a pause).
    void release();

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_paused = false;
    bool m_released = false;
};

} // namespace veridon
