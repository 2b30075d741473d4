#pragma once

#include "engine/BytePatternTable.h"
#include "engine/VersionTable.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace veridon {

class FileDigester;
class FileReader;
class FileSystem;
class ScanSession;
struct VersionInfo;

// The per-file check of "Unwanted Programs" and of the one-target scan: digest
// (through the scan cache), the two hash tables, byte patterns and version
// information, stopping at the first detection. One object serves a whole area:
// it builds the byte-pattern and version tables once and keeps one read buffer,
// so every file is read at most once and its bytes serve every test.
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

    // A version line as the check uses it, worked out once per run.
    struct VersionLine
    {
        int index = -1;       // position in the version-information list
        bool validIndex = false;
        bool pattern = false; // wildcard comparison instead of an exact one
    };

private:
    enum class Loaded
    {
        Nothing,
        Head,
        Whole,
        Failed,  // could not be opened or read
        TooLarge // grew beyond the maximum size since the search saw it
    };

    void runChecks(const QString& folder, std::optional<std::uint64_t> lastWriteTime);
    bool checkHash(int check, const QString& folder, bool core, const QString& md5, bool& found);
    bool checkBytePatterns(int check, const BytePatternTable& table);
    bool checkVersion(int check, const VersionTable& table, const std::vector<VersionLine>& lines,
                      std::optional<int>& constantAnswer);
    int firstVersionMatch(const VersionTable& table, const std::vector<VersionLine>& lines,
                          const QStringList& texts, bool withSigner);
    void report(int check, int index, const QString& threatName);

    // The bytes of the current file, read on demand into the reused buffer.
    QString digestOfFile();
    bool loadHead();
    bool loadWhole();
    // Reads on into the buffer until it holds `wanted` bytes or the file ends.
    bool readUpTo(std::uint64_t wanted);
    bool startsWithMz();
    const std::optional<VersionInfo>& versionInfo();
    const QString& signer();

    ScanSession& m_session;
    FileSystem& m_files;
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
    std::vector<std::uint8_t> m_buffer;

    // The file being checked.
    QString m_path;
    std::unique_ptr<FileReader> m_reader;
    std::uint64_t m_fileSize = 0;
    std::uint64_t m_length = 0; // bytes of the file in m_buffer
    Loaded m_loaded = Loaded::Nothing;
    std::unique_ptr<std::optional<VersionInfo>> m_versionInfo;
    std::optional<QString> m_signer;
};

} // namespace veridon
