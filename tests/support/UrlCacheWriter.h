#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace veridon::test {

// Readable descriptions of WinINet cache containers, written in the layout Wine
// writes: a 0x4000-byte header (signature, sizes, subfolders, allocation
// bitmap), one hash table and one "URL " record per entry.

struct CacheRecordSpec
{
    QString url;
    QString fileName; // empty: no local file
    quint32 type = 0x00100000;
    quint64 size = 0;
    int subfolder = -1; // index into CacheIndexPlan::subfolders, -1 none
};

struct CacheIndexPlan
{
    bool windowsSignature = false; // "Client UrlCache MMF Ver 5.2" instead of Wine's
    QStringList subfolders;        // eight characters each
    std::vector<CacheRecordSpec> records;
};

// Where the writer put each record, for tests that damage them.
struct CacheIndexLayout
{
    QByteArray bytes;
    std::vector<quint32> recordOffsets;
    std::vector<quint32> hashEntryOffsets;
};

CacheIndexLayout writeCacheIndex(const CacheIndexPlan& plan);

// One cookie as IE stores it.
struct CookieSpec
{
    QString name;
    QString value;
    QString hostPath; // "ads.example.com/"
};

// A cookie file: nine lines per cookie (name, value, host/path, flags, expiry
// and creation FILETIME halves, "*").
QByteArray cookieFile(const std::vector<CookieSpec>& cookies);

} // namespace veridon::test
