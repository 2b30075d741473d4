#pragma once

#include "platform/FileSystem.h"
#include "platform/ProcessTable.h"
#include "platform/Registry.h"
#include "platform/ShellFolders.h"
#include "platform/SystemFigures.h"
#include "platform/UrlCache.h"

#include <QString>

#include <memory>

namespace veridon {

// The Windows environment the scanner looks at, as one bundle of services. Engine,
// remedy, tools and app receive it by reference; tests build one over a fixture
// prefix. The services live as long as the Environment.
//
// Linux: a Wine prefix plus the host file system (drive Z:). Without a prefix
// only Z: exists and the registry is empty: lookups fail the way a missing key
// or folder fails, and writes to the registry throw.
class Environment
{
public:
    // The environment of a Wine prefix folder. Throws std::runtime_error when the
    // folder does not exist.
    static std::unique_ptr<Environment> open(const QString& prefixDir);
    // Only the host file system as Z:, an empty registry.
    static std::unique_ptr<Environment> openEmpty();
    // The prefix to use: the option when given, else $WINEPREFIX, else ~/.wine.
    static QString defaultPrefix(const QString& option = {});

    Environment(QString prefixDir, std::unique_ptr<FileSystem> files,
                std::unique_ptr<Registry> registry, std::unique_ptr<ShellFolders> shellFolders);
    ~Environment();
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;

    // The prefix folder (host path); empty for an environment without one.
    const QString& prefixDir() const { return m_prefixDir; }

    FileSystem& files() { return *m_files; }
    const FileSystem& files() const { return *m_files; }
    Registry& registry() { return *m_registry; }
    const Registry& registry() const { return *m_registry; }
    const ShellFolders& shellFolders() const { return *m_shellFolders; }
    // Running processes: the system's, whatever the prefix (Wine processes of any
    // prefix are named through their own drive letters).
    ProcessTable& processes() { return *m_processes; }
    const ProcessTable& processes() const { return *m_processes; }
    // The browser's URL cache of the environment's user (cookies, cache, history).
    UrlCache& urlCache() { return *m_urlCache; }
    const UrlCache& urlCache() const { return *m_urlCache; }
    // Processor load, idle time, working-set trim of the machine we run on.
    SystemFigures& system() { return *m_system; }

    // Tests put a process table over a fixture tree in place of the system's.
    void setProcesses(std::unique_ptr<ProcessTable> processes);

private:
    QString m_prefixDir;
    std::unique_ptr<FileSystem> m_files;
    std::unique_ptr<Registry> m_registry;
    std::unique_ptr<ShellFolders> m_shellFolders;
    std::unique_ptr<ProcessTable> m_processes;
    std::unique_ptr<SystemFigures> m_system;
    std::unique_ptr<UrlCache> m_urlCache;
};

} // namespace veridon
