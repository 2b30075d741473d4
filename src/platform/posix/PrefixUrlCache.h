#pragma once

#include "platform/UrlCache.h"

#include <functional>
#include <memory>

namespace veridon {

class FileSystem;
class ProcessTable;
class ShellFolders;

// One cache container: the folder its index.dat lives in, as a Windows path (for
// the entries' local files) and as a host path (for reading and writing).
struct UrlCacheContainer
{
    QString windowsFolder;
    QString hostFolder;
    bool cookies = false; // without an index, entries come from the cookie files
};

// UrlCache over a Wine prefix's cache containers.
class PrefixUrlCache : public UrlCache
{
public:
    using Containers = std::function<std::vector<UrlCacheContainer>()>;

    // `userName` names the cookie entries derived from cookie files
    // ("Cookie:<user>@<host/path>"); `processes`, when given, is asked whether a
    // process holds an index open before it is changed.
    PrefixUrlCache(Containers containers, std::function<QString()> userName,
                   const ProcessTable* processes);

    // The containers of the environment's user: INetCache\Content.IE5,
    // INetCookies and History\History.IE5 from its shell folders.
    static std::unique_ptr<UrlCache> forEnvironment(const FileSystem& files,
                                                    const ShellFolders& folders,
                                                    const ProcessTable& processes);

    std::vector<UrlCacheEntry> entries() const override;
    bool deleteEntry(const QString& name) override;

private:
    Containers m_containers;
    std::function<QString()> m_userName;
    const ProcessTable* m_processes;
};

} // namespace veridon
