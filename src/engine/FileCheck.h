#pragma once

#include "engine/BytePatternTable.h"
#include "engine/DigestCache.h"
#include "engine/FileBytes.h"
#include "engine/FileHashers.h"
#include "engine/VersionTable.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace veridon {

class FileDigester;
class ScanSession;
struct VersionInfo;

// The per-file check of "Unwanted Programs" and of the one-target scan: digest
// (through the scan cache), the two hash tables, byte patterns and version
// information, stopping at the first detection. One object serves a whole area:
// it builds the byte-pattern and version tables once and reuses its buffers.
// Files announced ahead are read and hashed on worker threads meanwhile; the
// tests after the digest use the first bytes the worker kept and read a file
// again only when they need more (a PE image's patterns or version texts).
class FileCheck
{
public:
    // Which display the checks call for every file.
    enum class Display
    {
        Object,       // hot spots
        FileProgress, // targets: the bar follows the files examined
        Growing,      // one target: the bar grows with every file
    };

    FileCheck(ScanSession& session, Display display);
    ~FileCheck();
    FileCheck(const FileCheck&) = delete;
    FileCheck& operator=(const FileCheck&) = delete;

    // Checks one file found by a search (`folder` ends with "\"). `lastWriteTime`
    // is the FILETIME the search saw, when it has one. Returns false when a stop
    // was requested: the search should stop. Failures end this file's check only.
    bool check(const QString& folder, const QString& name, std::uint64_t size,
               std::optional<std::uint64_t> lastWriteTime = std::nullopt);

    // Announces a file that check() will be given later, after those announced
    // before it: its digest is looked up in the scan cache now and, when the
    // cache has none, computed on a worker thread until check() needs it.
    void expect(const QString& folder, const QString& name, std::uint64_t size,
                std::uint64_t lastWriteTime);

    // A version line as the check uses it, worked out once per run.
    struct VersionLine
    {
        int index = -1;       // position in the version-information list
        bool validIndex = false;
        bool pattern = false; // wildcard comparison instead of an exact one
    };

private:
    // A file announced ahead, with what was learnt of it so far.
    struct Expected
    {
        QString path;
        std::uint64_t lastWriteTime = 0;
        std::optional<DigestCache::Row> row; // the cache's, when it had one
        FileHashers::Ticket hashed;          // otherwise: the worker's result
    };

    void runChecks(const QString& folder, std::optional<std::uint64_t> lastWriteTime);
    DigestCache::Digest digest(std::optional<std::uint64_t> lastWriteTime);
    bool isAnnouncedNext(const QString& folder, const QString& name) const;
    void dropAnnounced();
    QString adoptHashed(const FileHashers::Ticket& hashed);
    bool checkHash(int check, const QString& folder, bool core, const QString& md5, bool& found);
    bool checkBytePatterns(int check, const BytePatternTable& table);
    bool checkVersion(int check, const VersionTable& table, const std::vector<VersionLine>& lines,
                      std::optional<int>& constantAnswer);
    int firstVersionMatch(const VersionTable& table, const std::vector<VersionLine>& lines,
                          const QStringList& texts, bool withSigner);
    void report(int check, int index, const QString& threatName);

    QString digestOfFile();
    bool startsWithMz();
    const std::optional<VersionInfo>& versionInfo();
    const QString& signer();

    ScanSession& m_session;
    Display m_display;
    std::uint64_t m_maxFileSize;

    BytePatternTable m_corePatterns;
    BytePatternTable m_additionPatterns;
    VersionTable m_versions;         // Core.def lines, then Addition.def lines
    VersionTable m_additionVersions; // Addition.def lines alone
    std::vector<VersionLine> m_versionLines;
    std::vector<VersionLine> m_additionVersionLines;
    // The answer of a version table for files without version information and
    // without a signer, the same for all of them: -1 none, else the line.
    std::optional<int> m_plainVersionAnswer;
    std::optional<int> m_plainAdditionVersionAnswer;

    std::unique_ptr<FileDigester> m_digester;
    std::unique_ptr<FileHashers> m_hashers; // started by the first announced file
    std::deque<Expected> m_expected;

    // The file being checked.
    QString m_path;
    bool m_announced = false; // it is the first of m_expected
    FileBytes m_bytes;
    std::unique_ptr<std::optional<VersionInfo>> m_versionInfo;
    std::optional<QString> m_signer;
};

} // namespace veridon
