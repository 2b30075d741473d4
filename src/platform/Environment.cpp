#include "platform/Environment.h"

#include <QDir>

#include <cstdlib>

namespace veridon {

Environment::Environment(QString prefixDir, std::unique_ptr<FileSystem> files,
                         std::unique_ptr<Registry> registry,
                         std::unique_ptr<ShellFolders> shellFolders)
    : m_prefixDir(std::move(prefixDir)), m_files(std::move(files)),
      m_registry(std::move(registry)), m_shellFolders(std::move(shellFolders)),
      m_processes(createProcessTable()), m_system(createSystemFigures()),
      m_urlCache(createUrlCache(*m_files, *m_shellFolders, *m_processes))
{
}

void Environment::setProcesses(std::unique_ptr<ProcessTable> processes)
{
    m_processes = std::move(processes);
    m_urlCache = createUrlCache(*m_files, *m_shellFolders, *m_processes);
}

Environment::~Environment() = default;

QString Environment::defaultPrefix(const QString& option)
{
    if (!option.isEmpty())
        return option;
    if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix)
        return QString::fromLocal8Bit(prefix);
    return QDir::homePath() + QStringLiteral("/.wine");
}

} // namespace veridon
