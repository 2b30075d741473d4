#include "engine/PauseGate.h"

namespace veridon {

void PauseGate::pause()
{
    std::lock_guard lock(m_mutex);
    m_paused = !m_released;
}

void PauseGate::resume()
{
    {
        std::lock_guard lock(m_mutex);
        m_paused = false;
    }
    m_changed.notify_all();
}

bool PauseGate::paused() const
{
    std::lock_guard lock(m_mutex);
    return m_paused;
}

void PauseGate::pass()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_paused; });
}

void PauseGate::release()
{
    {
        std::lock_guard lock(m_mutex);
        m_released = true;
        m_paused = false;
    }
    m_changed.notify_all();
}

} // namespace veridon
