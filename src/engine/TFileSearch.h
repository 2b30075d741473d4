#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <functional>

namespace veridon {

class FileSystem;

// One reported file or folder.
struct TFileInformations
{
    QString Name;
    QString Path; // the folder searched, ending in "\"; full path = Path + Name
    quint32 Attributes = 0;
    quint32 Size = 0; // low 32 bits
};

// Counts and time of one search run.
struct TSearchStatistics
{
    int FoldersFound = 0;
    int FilesFound = 0;
    int FoldersWithFiles = 0;
    qint64 ElapsedMs = 0;
};

// The search engine behind TEasyFileSearch: a breadth-first walk from a root
// folder that reports the entries passing its attribute, size and mask filters.
// Runs on the caller's thread. Linked folders are reported but never entered.
class TFileSearch
{
public:
    explicit TFileSearch(const FileSystem& files);

    bool Recursive = false;
    bool IncludeReadOnly = true;
    bool IncludeHidden = true;
    bool IncludeSystem = true;
    bool IncludeDirectory = true;
    bool IncludeArchive = true;
    bool IncludeFiles = true; // plain files, whatever their attributes
    bool SizeFilterEnabled = false;
    int SizeFilterMode = 0; // 0: size at most the limit; 1: size at least the limit
    quint32 SizeLimit = 0;
    QDate FromDate = QDate::currentDate(); // kept for callers; the search ignores them
    QDate ToDate = QDate::currentDate();
    QString RootPath = QStringLiteral(".\\");
    QStringList Masks{QStringLiteral("*.*")};
    QStringList ExcludedMasks;

    std::function<void(const TFileInformations&)> OnFound;
    std::function<bool(const TFileInformations&)> OnAccept;
    std::function<void(const QString&)> OnChangeFolder;
    std::function<void(const TSearchStatistics&)> OnFinished;

    // Runs the walk; true when anything was reported.
    bool Search();
    // Ends the running search before its next directory entry.
    void Stop() { m_stop = true; }

private:
    bool accepts(const TFileInformations& item, bool isFolder) const;

    const FileSystem& m_files;
    bool m_stop = false;
};

} // namespace veridon
