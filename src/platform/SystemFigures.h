#pragma once

#include <QString>
#include <memory>
#include <optional>
#include <stdexcept>

namespace veridon {

// Failures of the processor-load sampler, with its fixed English texts.
class CpuUsageError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Figures of the machine the scanner runs on: processor load, the user's idle
// time, and the working-set trim after heavy work.
//
// Linux: the load comes from /proc/stat; the idle time from the X11
// screen-saver extension when an X display is reachable, else from logind's
// idle hint for the caller's session; neither needs to be installed at build
// time. The trim hands freed heap pages back to the system (malloc_trim).
class SystemFigures
{
public:
    virtual ~SystemFigures() = default;

    // `GetTotalCpuUsage`: the mean load of all processors since the previous call
    // (since start-up for the first call), in percent, rounded to the nearest
    // integer with ties to even; when no time has passed, the previous result.
    // Throws CpuUsageError when the figures cannot be read.
    virtual int GetTotalCpuUsage() = 0;

    // Milliseconds since the user's last input; nothing when the session does not
    // tell (no display, no logind session): callers must treat that as unknown,
    // not as idle.
    virtual std::optional<quint64> idleMilliseconds() const = 0;

    // SetProcessWorkingSetSize(-1, -1): safe to call at any time.
    virtual void trimWorkingSet() = 0;
};

std::unique_ptr<SystemFigures> createSystemFigures();

} // namespace veridon
