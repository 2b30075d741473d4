#pragma once

#include "engine/TFileSearch.h"

namespace veridon {

// The file and folder search component of the scan engine: set the root, the name
// masks and the include bits, bind the callbacks, Execute.
class TEasyFileSearch
{
public:
    static constexpr const char* Version = "TEasyFileSearch v1.02";

    // Include bits: 0 recursive, 1 read-only, 2 hidden, 3 system, 4 folders,
    // 5 archive, 6 plain files.
    static constexpr quint8 kRecursive = 1;
    static constexpr quint8 kReadOnly = 2;
    static constexpr quint8 kHidden = 4;
    static constexpr quint8 kSystem = 8;
    static constexpr quint8 kDirectories = 16;
    static constexpr quint8 kArchive = 32;
    static constexpr quint8 kFiles = 64;

    explicit TEasyFileSearch(const FileSystem& files) : m_search(files) {}

    QString RootPath = QStringLiteral(".\\");
    QStringList FileNames{QStringLiteral("*.*")};
    QStringList ExcludedFiles;
    quint8 IncludeBits = 127;
    bool SizeFilterEnabled = false;
    int SizeFilterMode = 0;
    quint32 SizeLimit = 0;

    std::function<void(const TFileInformations&)> OnFound;
    std::function<bool(const TFileInformations&)> OnAccept;
    std::function<void(const QString&)> OnChangeFolder;
    std::function<void(const TSearchStatistics&)> OnFinished;

    // Copies the options into the search engine and runs it; true when anything
    // was found.
    bool Execute();
    void Stop() { m_search.Stop(); }

private:
    TFileSearch m_search;
};

} // namespace veridon
