#pragma once

#include "engine/ResultsModel.h"
#include "remedy/RemovalHost.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace veridon {

class Environment;

// The outside services removal uses besides the environment's files and registry.
struct RemovalServices
{
    // Copies a file (a Windows path) into the quarantine folder under a threat
    // name; may throw, and removal goes on without the copy.
    std::function<void(const QString& folder, const QString& path, const QString& threatName)>
        quarantine;
    // Ends the first running process whose executable file name equals the name
    // exactly; true when one was ended.
    std::function<bool(const QString& exeName)> endProcessByName;
    // Schedules a file (a Windows path) for deletion at the next restart.
    std::function<bool(const QString& path)> deleteAtRestart;
    // Deletes one entry (named by its URL) from the browser's URL cache.
    std::function<bool(const QString& entryName)> deleteCacheEntry;
    // The progress bar's pauses. They are only for the eye: removal runs on the
    // scan thread, so they hold up nothing; the command line leaves them out.
    std::function<void(int milliseconds)> progressPause;
    // The wait between ending a process and deleting its file again; it gives
    // the system time to release the image. Not for the eye: always real.
    std::function<void(int milliseconds)> processWait;
};

// Removal of the ticked rows of a results list: files and processes (quarantined
// first when a quarantine folder is given), folders after everything else and
// depth first, registry keys and values, hijacked registry data written back,
// cookie entries. Each row's caption shows the steps taken; every ticked row
// whose object is gone gets the removed-row image index (a row that failed
// keeps its own); at the end (1, 0) is posted.
//
// Symbolic links are never deleted through: a linked file or folder is removed
// as a link, and the linked-to file or folder stays untouched.
class ThreatRemover
{
public:
    struct Parameters
    {
        QString quarantineFolder; // blank: nothing is quarantined
        int removedImageIndex = 0;
        QString statusText;       // shown while removal runs
        // Localised captions by key ("Removed", "Quarantined", "DeleteToReboot").
        std::function<QString(const QString& key, const QString& defaultText)> text;
    };

    ThreatRemover(Environment& environment, RemovalServices services, RemovalHost& host,
                  Parameters parameters);

    // Removes the ticked rows of `rows` (the host's list as it stood when removal
    // began). `stop` is polled before each row and each folder.
    void run(const std::vector<ResultRow>& rows, const std::function<bool()>& stop = {});

    // The steps by object type, usable one by one.
    // Each returns whether the object is gone (or its data restored); failures
    // never throw.
    bool deleteRegistryObject(const QString& objectText);
    bool restoreRegistryData(const QString& objectText, const QString& extraText);
    // The caption key the row ends with: "Removed", "Quarantined" or
    // "DeleteToReboot"; `gone` tells whether the file has left the disk.
    QString removeFile(const QString& path, const QString& threatName, bool& gone);
    bool removeFolder(const QString& path, const QString& threatName);

    // The rows of the last run whose object could not be removed (still on the
    // disk, also when scheduled for deletion at restart; still in the registry;
    // a cookie entry that could not be deleted), in list order. The captions do
    // not tell: they follow the steps taken, not their success.
    const std::vector<std::size_t>& remainingRows() const { return m_remaining; }

private:
    QString caption(const char* key, const char* defaultText, const QString& name) const;
    bool quarantineFile(const QString& path, const QString& threatName);
    void clearReadOnly(const QString& path);
    bool deleteWithProcessRetry(const QString& path, bool& processEnded);
    void pause(int milliseconds) const;

    Environment& m_environment;
    RemovalServices m_services;
    RemovalHost& m_host;
    Parameters m_parameters;
    std::vector<std::size_t> m_remaining;
};

} // namespace veridon
