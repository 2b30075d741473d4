#include "platform/posix/ProcSystemFigures.h"

#include <QFile>
#include <cmath>
#include <ctime>
#include <dlfcn.h>
#include <malloc.h>

namespace veridon {
namespace {

// Per-processor lines "cpuN user nice system idle iowait irq softirq steal ...".
// Idle time counts idle and I/O wait; the total is every field up to steal
// (guest time is already part of user time).
std::vector<std::pair<quint64, quint64>> readProcessorTimes(const QString& statPath)
{
    QFile file(statPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw CpuUsageError("Unable to locate the \"Processor\" performance object");
    std::vector<std::pair<quint64, quint64>> times;
    const QList<QByteArray> lines = file.read(1 << 20).split('\n');
    for (const QByteArray& line : lines) {
        if (!line.startsWith("cpu") || line.size() < 4 || !std::isdigit(uchar(line[3])))
            continue;
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 5)
            throw CpuUsageError("Unable to locate the \"% of CPU usage\" performance counter");
        quint64 total = 0, idle = 0;
        for (qsizetype i = 1; i < fields.size() && i <= 8; ++i) {
            bool ok = false;
            const quint64 value = fields[i].toULongLong(&ok);
            if (!ok)
                throw CpuUsageError("Unable to locate the \"% of CPU usage\" performance counter");
            total += value;
            if (i == 4 || i == 5)
                idle += value;
        }
        times.emplace_back(idle, total);
    }
    if (times.empty())
        throw CpuUsageError("Unable to locate the \"Processor\" performance object");
    return times;
}

// The X11 screen-saver extension, loaded when the program runs: an X display is
// optional for the scanner.
std::optional<quint64> x11IdleMilliseconds()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return std::nullopt;
    struct XScreenSaverInfo
    {
        unsigned long window;
        int state;
        int kind;
        unsigned long tilOrSince;
        unsigned long idle;
        unsigned long eventMask;
    };
    using OpenDisplay = void* (*)(const char*);
    using CloseDisplay = int (*)(void*);
    using RootWindow = unsigned long (*)(void*);
    using Free = int (*)(void*);
    using QueryExtension = int (*)(void*, int*, int*);
    using AllocInfo = XScreenSaverInfo* (*)();
    using QueryInfo = int (*)(void*, unsigned long, XScreenSaverInfo*);
    static void* x11 = ::dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
    static void* xss = ::dlopen("libXss.so.1", RTLD_LAZY | RTLD_LOCAL);
    if (!x11 || !xss)
        return std::nullopt;
    const auto openDisplay = reinterpret_cast<OpenDisplay>(::dlsym(x11, "XOpenDisplay"));
    const auto closeDisplay = reinterpret_cast<CloseDisplay>(::dlsym(x11, "XCloseDisplay"));
    const auto rootWindow = reinterpret_cast<RootWindow>(::dlsym(x11, "XDefaultRootWindow"));
    const auto xFree = reinterpret_cast<Free>(::dlsym(x11, "XFree"));
    const auto queryExtension =
        reinterpret_cast<QueryExtension>(::dlsym(xss, "XScreenSaverQueryExtension"));
    const auto allocInfo = reinterpret_cast<AllocInfo>(::dlsym(xss, "XScreenSaverAllocInfo"));
    const auto queryInfo = reinterpret_cast<QueryInfo>(::dlsym(xss, "XScreenSaverQueryInfo"));
    if (!openDisplay || !closeDisplay || !rootWindow || !xFree || !queryExtension || !allocInfo ||
        !queryInfo)
        return std::nullopt;
    void* display = openDisplay(nullptr);
    if (!display)
        return std::nullopt;
    std::optional<quint64> result;
    int event = 0, error = 0;
    if (queryExtension(display, &event, &error)) {
        if (XScreenSaverInfo* info = allocInfo()) {
            if (queryInfo(display, rootWindow(display), info))
                result = info->idle;
            xFree(info);
        }
    }
    closeDisplay(display);
    return result;
}

// logind's idle hint for the caller's session (desktops set it after their idle
// delay); zero while the session is marked active.
std::optional<quint64> logindIdleMilliseconds()
{
    struct BusError
    {
        const char* name = nullptr;
        const char* message = nullptr;
        int needFree = 0;
    };
    using OpenSystem = int (*)(void**);
    using Unref = void* (*)(void*);
    using GetTrivial =
        int (*)(void*, const char*, const char*, const char*, const char*, BusError*, char, void*);
    using ErrorFree = void (*)(BusError*);
    static void* systemd = ::dlopen("libsystemd.so.0", RTLD_LAZY | RTLD_LOCAL);
    if (!systemd)
        return std::nullopt;
    const auto openSystem = reinterpret_cast<OpenSystem>(::dlsym(systemd, "sd_bus_open_system"));
    const auto unref = reinterpret_cast<Unref>(::dlsym(systemd, "sd_bus_unref"));
    const auto getTrivial =
        reinterpret_cast<GetTrivial>(::dlsym(systemd, "sd_bus_get_property_trivial"));
    const auto errorFree = reinterpret_cast<ErrorFree>(::dlsym(systemd, "sd_bus_error_free"));
    if (!openSystem || !unref || !getTrivial || !errorFree)
        return std::nullopt;
    void* bus = nullptr;
    if (openSystem(&bus) < 0 || !bus)
        return std::nullopt;
    const char* service = "org.freedesktop.login1";
    const char* path = "/org/freedesktop/login1/session/auto";
    const char* interface = "org.freedesktop.login1.Session";
    BusError error;
    int idle = 0;
    quint64 sinceMicroseconds = 0;
    std::optional<quint64> result;
    if (getTrivial(bus, service, path, interface, "IdleHint", &error, 'b', &idle) >= 0) {
        errorFree(&error);
        if (!idle) {
            result = 0;
        } else if (getTrivial(bus, service, path, interface, "IdleSinceHintMonotonic", &error, 't',
                              &sinceMicroseconds) >= 0) {
            timespec now{};
            ::clock_gettime(CLOCK_MONOTONIC, &now);
            const quint64 nowMicroseconds =
                quint64(now.tv_sec) * 1000000 + quint64(now.tv_nsec) / 1000;
            result = nowMicroseconds > sinceMicroseconds
                         ? (nowMicroseconds - sinceMicroseconds) / 1000
                         : 0;
        }
    }
    errorFree(&error);
    unref(bus);
    return result;
}

} // namespace

ProcSystemFigures::ProcSystemFigures(QString statPath) : m_statPath(std::move(statPath)) {}
ProcSystemFigures::~ProcSystemFigures() = default;

int ProcSystemFigures::GetTotalCpuUsage()
{
    const auto times = readProcessorTimes(m_statPath);
    // Processors that came or went: start over from zero, as for the first call.
    if (m_previous.size() != times.size())
        m_previous.assign(times.size(), Sample{});
    double sum = 0;
    bool timePassed = false;
    for (std::size_t i = 0; i < times.size(); ++i) {
        const auto [idle, total] = times[i];
        const quint64 elapsed = total > m_previous[i].total ? total - m_previous[i].total : 0;
        const quint64 idled = idle > m_previous[i].idle ? idle - m_previous[i].idle : 0;
        if (elapsed > 0) {
            timePassed = true;
            sum += 1.0 - std::min(1.0, double(idled) / double(elapsed));
        }
        m_previous[i] = {idle, total};
    }
    if (!timePassed)
        return m_last;
    m_last = int(std::nearbyint(sum / double(times.size()) * 100.0));
    return m_last;
}

std::optional<quint64> ProcSystemFigures::idleMilliseconds() const
{
    if (auto idle = x11IdleMilliseconds())
        return idle;
    return logindIdleMilliseconds();
}

void ProcSystemFigures::trimWorkingSet()
{
    ::malloc_trim(0);
}

std::unique_ptr<SystemFigures> createSystemFigures()
{
    return std::make_unique<ProcSystemFigures>();
}

} // namespace veridon
