#pragma once

#include <QString>
#include <memory>
#include <vector>

namespace veridon {

// Entry type bits of the URL cache, with the values of WinINet's *_CACHE_ENTRY.
namespace UrlCacheType {
constexpr quint32 Normal = 0x00000001;
constexpr quint32 Sticky = 0x00000004;
constexpr quint32 Sparse = 0x00010000;
constexpr quint32 Cookie = 0x00100000;
constexpr quint32 UrlHistory = 0x00200000;
} // namespace UrlCacheType

// One entry as FindFirstUrlCacheEntry / FindNextUrlCacheEntry describe it.
struct UrlCacheEntry
{
    QString sourceUrl; // "Cookie:ann@ads.example.com/", "Visited: ...", "http://..."
    QString localFile; // Windows path of the cached file; empty when it has none
    quint32 type = 0;  // UrlCacheType bits
    quint64 size = 0;  // size of the local file as the cache records it
};

// The browser's URL cache of the scanned environment (WinINet): the cookie
// store, the content cache and the history.
//
// Linux (Wine prefix): the cache containers' index.dat files in the user's
// INetCache\Content.IE5, INetCookies and History\History.IE5 folders, in the
// layout Wine writes ("WINE URLCache Ver 0.2012001") and Windows writes ("Client
// UrlCache MMF Ver 5.2"). Where the cookie folder has no index, its entries are
// derived from the cookie files themselves (IE's 9-line records).
class UrlCache
{
public:
    virtual ~UrlCache() = default;
    // Every entry of every container, containers in the order content, cookies,
    // history, entries in index order. Damaged indexes contribute what is sound.
    virtual std::vector<UrlCacheEntry> entries() const = 0;
    // DeleteUrlCacheEntry: removes the entry's local file and its index record.
    // `name` is the entry's exact source URL or its local file (letter case
    // ignored), since scan results name cookies by their file. False when no
    // entry matches or the index cannot be written (in a Wine prefix: while a
    // Wine process holds the index open).
    virtual bool deleteEntry(const QString& name) = 0;
};

class FileSystem;
class ProcessTable;
class ShellFolders;

// The URL cache of the environment's user: its containers are found through the
// shell folders; `processes` is asked before an index in use would be changed.
std::unique_ptr<UrlCache> createUrlCache(const FileSystem& files, const ShellFolders& folders,
                                         const ProcessTable& processes);

} // namespace veridon
