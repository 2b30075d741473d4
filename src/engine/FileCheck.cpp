#include "engine/FileCheck.h"

#include "engine/DigestCache.h"
#include "engine/AreaSearch.h"
#include "engine/ScanSession.h"
#include "engine/TDetectionRecord.h"
#include "engine/WildcardMatch.h"
#include "engine/WildcardPattern.h"
#include "platform/Environment.h"
#include "platform/FileDigester.h"
#include "platform/SignerName.h"
#include "platform/VersionInfo.h"

#include <QScopeGuard>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <span>
#include <stdexcept>

namespace veridon {
namespace {

// Enough for the DOS header and, nearly always, the PE header: a file that
// does not start with "MZ" is never read further when its digest is cached.
constexpr std::uint64_t kHeadBytes = FileHashers::kHeadBytes;
constexpr int kSignerEntry = 11;
constexpr int kWaitAhead = 16;

// The byte-pattern check's own image test: "MZ" at the start and "PE\0\0" at
// the offset stored at byte 60.
bool carriesPeSignature(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < 64 || bytes[0] != 'M' || bytes[1] != 'Z')
        return false;
    const std::uint64_t offset = std::uint64_t(bytes[60]) | (std::uint64_t(bytes[61]) << 8) |
                                 (std::uint64_t(bytes[62]) << 16) |
                                 (std::uint64_t(bytes[63]) << 24);
    return offset + 4 <= bytes.size() && bytes[offset] == 'P' && bytes[offset + 1] == 'E' &&
           bytes[offset + 2] == 0 && bytes[offset + 3] == 0;
}

const QStringList& unknownTexts()
{
    static const QStringList texts = versionTexts(std::nullopt);
    return texts;
}

std::vector<FileCheck::VersionLine> prepareVersionLines(const VersionTable& table)
{
    std::vector<FileCheck::VersionLine> lines;
    lines.reserve(table.entries().size());
    for (const VersionTable::Entry& entry : table.entries()) {
        FileCheck::VersionLine line;
        line.index = entry.index.toInt(&line.validIndex);
        line.pattern = isWildcardPattern(entry.pattern);
        lines.push_back(line);
    }
    return lines;
}

} // namespace

FileCheck::FileCheck(ScanSession& session, Display display)
    : m_session(session), m_display(display),
      m_maxFileSize(std::uint64_t(std::max<std::int64_t>(0, session.options().maxFileSize))),
      m_digester(std::make_unique<FileDigester>()),
      m_bytes(session.environment().files(), m_maxFileSize)
{
    const SignatureSets& sets = session.signatures();
    // A byte-pattern table that cannot be built is left empty.
    try {
        m_corePatterns.load(sets.coreLines(QStringLiteral("StringS.db")));
    } catch (...) {
    }
    try {
        m_additionPatterns.load(sets.additionLines(QStringLiteral("StringS_Add.db")));
    } catch (...) {
    }
    m_versions.load(sets.joined(QStringLiteral("Version.db")));
    m_additionVersions.load(sets.additionLines(QStringLiteral("Version.db")));
    m_versionLines = prepareVersionLines(m_versions);
    m_additionVersionLines = prepareVersionLines(m_additionVersions);
}

FileCheck::~FileCheck() = default;

bool FileCheck::check(const QString& folder, const QString& name, std::uint64_t size,
                      std::optional<std::uint64_t> lastWriteTime)
{
    if (m_session.stopRequested())
        return false;
    m_session.countObject();
    m_session.countFileExamined();
    // An announced file shares its path instead of building it again.
    m_announced = isAnnouncedNext(folder, name);
    m_path = m_announced ? m_expected.front().path : folder + name;
    switch (m_display) {
    case Display::Object:
        m_session.showObject(m_path);
        break;
    case Display::FileProgress:
        m_session.showObjectWithFileProgress(m_path);
        break;
    case Display::Growing:
        m_session.showObjectGrowing(m_path);
        break;
    }
    if (size >= m_maxFileSize)
        return true;

    m_bytes.reset(m_path);
    m_versionInfo.reset();
    m_signer.reset();
    try {
        runChecks(folder, lastWriteTime);
    } catch (...) {
        // A failing cache or a damaged table ends this file's check only.
    }
    m_bytes.reset({});
    return true;
}

void FileCheck::expect(const QString& folder, const QString& name, std::uint64_t size,
                       std::uint64_t lastWriteTime)
{
    if (size >= m_maxFileSize)
        return; // check() does not read it either
    Expected expected{folder + name, lastWriteTime, std::nullopt, {}};
    try {
        if (DigestCache* cache = m_session.scanCache())
            expected.row = cache->LookUp(expected.path, lastWriteTime);
    } catch (...) {
        // Announced without a digest: check() looks it up again, meets the
        // failure and ends that file's check.
        m_expected.push_back(std::move(expected));
        return;
    }
    if (!expected.row) {
        if (!m_hashers)
            m_hashers = std::make_unique<FileHashers>(m_session.environment().files(),
                                                      m_maxFileSize, FileHashers::defaultThreads());
        expected.hashed = m_hashers->submit(expected.path);
    }
    m_expected.push_back(std::move(expected));
}

bool FileCheck::isAnnouncedNext(const QString& folder, const QString& name) const
{
    if (m_expected.empty())
        return false;
    const QString& path = m_expected.front().path;
    return path.size() == folder.size() + name.size() && path.startsWith(folder) &&
           path.endsWith(name);
}

// Files are checked in the order they were announced; any other file (a
// search stopped, a file skipped) ends what was announced.
void FileCheck::dropAnnounced()
{
    if (m_expected.empty())
        return;
    m_expected.clear();
    if (m_hashers)
        m_hashers->dropQueued();
}

void FileCheck::runChecks(const QString& folder, std::optional<std::uint64_t> lastWriteTime)
{
    const DigestCache::Digest digest = this->digest(lastWriteTime);

    bool found = false;
    if (checkHash(Check::kHash, folder, true, digest.md5, found))
        return;
    // A core hit whose location does not fit skips the addition table.
    if (!found && checkHash(Check::kHashAddition, folder, false, digest.md5, found))
        return;

    try {
        if (digest.fromCache) {
            if (checkBytePatterns(Check::kBytePatternAddition, m_additionPatterns))
                return;
        } else if (checkBytePatterns(Check::kBytePattern, m_corePatterns) ||
                   checkBytePatterns(Check::kBytePatternAddition, m_additionPatterns)) {
            return;
        }
    } catch (...) {
    }

    if (digest.fromCache)
        checkVersion(Check::kVersionAddition, m_additionVersions, m_additionVersionLines,
                     m_plainAdditionVersionAnswer);
    else
        checkVersion(Check::kVersion, m_versions, m_versionLines, m_plainVersionAnswer);
}

DigestCache::Digest FileCheck::digest(std::optional<std::uint64_t> lastWriteTime)
{
    DigestCache* cache = m_session.scanCache();
    if (!m_announced) {
        dropAnnounced();
    } else {
        const auto taken = qScopeGuard([this] { m_expected.pop_front(); });
        const Expected& expected = m_expected.front();
        if (expected.row || expected.hashed.valid()) {
            const auto computed = [&] { return adoptHashed(expected.hashed); };
            if (cache)
                return cache->Settle(m_path, expected.lastWriteTime, expected.row, computed);
            return {computed(), false};
        }
    }
    if (cache)
        return cache->GetDigest(m_path, lastWriteTime, [this] { return digestOfFile(); });
    return {digestOfFile(), false};
}

// The worker read the file as digestOfFile would have: its head serves the
// tests that follow, and a test that needs more reads the file again.
QString FileCheck::adoptHashed(const FileHashers::Ticket& hashed)
{
    if (hashed.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        // Waiting for each file would wake this thread once a file; waiting
        // for one a few places further wakes it once for several.
        const FileHashers::Ticket* further = nullptr;
        int seen = 0;
        for (const Expected& next : m_expected) {
            if (next.hashed.valid())
                further = &next.hashed;
            if (++seen == kWaitAhead)
                break;
        }
        if (further)
            further->wait();
    }
    const FileHashers::Result& result = hashed.get();
    const bool failed = result.state == FileBytes::State::Failed ||
                        result.state == FileBytes::State::TooLarge;
    m_bytes.adopt(result.head, result.fileSize,
                  failed || result.headIsWhole ? result.state : FileBytes::State::Head);
    if (result.state == FileBytes::State::TooLarge)
        throw std::runtime_error("file too large");
    return result.md5;
}

bool FileCheck::checkHash(int check, const QString& folder, bool core, const QString& md5,
                          bool& found)
{
    const HashTable& table =
        core ? m_session.signatures().coreHashes() : m_session.signatures().additionHashes();
    if (table.size() == 0)
        return false;
    char key[64];
    if (md5.size() > qsizetype(sizeof key))
        return false;
    for (qsizetype i = 0; i < md5.size(); ++i)
        key[i] = char(md5[i].unicode() < 128 ? md5[i].unicode() : '?');
    const int index = table.find(std::string_view(key, std::size_t(md5.size())));
    if (index < 0)
        return false;
    found = true;
    const QString location = table.location(index);
    if (!location.isEmpty()) {
        const QString expanded = expandPath(m_session.appFrame(), location, MacroOrder::D).path;
        if (expanded.isEmpty() || !folder.contains(expanded, Qt::CaseSensitive))
            return false;
    }
    report(check, index, table.threatName(index));
    return true;
}

bool FileCheck::checkBytePatterns(int check, const BytePatternTable& table)
{
    const std::vector<BytePatternTable::Entry>& entries = table.entries();
    if (entries.empty() || !startsWithMz() || !m_bytes.loadWhole())
        return false;
    const std::span<const std::uint8_t> bytes = m_bytes.bytes();
    if (!carriesPeSignature(bytes))
        return false;
    for (std::size_t p = 0; p < entries.size(); ++p) {
        const BytePatternTable::Entry& entry = entries[p];
        // A pattern reaching the end of the file ends the check, whatever the
        // later lines would need.
        if (std::uint64_t(entry.offset) + std::uint64_t(entry.digitCount) >= bytes.size())
            return false;
        if (!entry.wellFormed ||
            std::memcmp(bytes.data() + entry.offset, entry.bytes.constData(),
                        std::size_t(entry.bytes.size())) != 0)
            continue;
        if (entry.vendorless) {
            const QString vendor = versionText(versionInfo(), 1).trimmed();
            if (!vendor.isEmpty() && vendor.compare(u"unknown", Qt::CaseInsensitive) != 0)
                return false;
        }
        report(check, int(p), entry.threatName);
        return true;
    }
    return false;
}

bool FileCheck::checkVersion(int check, const VersionTable& table,
                             const std::vector<VersionLine>& lines,
                             std::optional<int>& plainAnswer)
{
    if (table.entries().empty() || m_session.stopRequested())
        return false;
    int line = -1;
    if (!startsWithMz()) {
        // No version information and no signer: the same answer for every
        // such file, worked out once.
        if (!plainAnswer)
            plainAnswer = firstVersionMatch(table, lines, unknownTexts(), false);
        line = *plainAnswer;
    } else {
        m_bytes.loadWhole();
        line = firstVersionMatch(table, lines, versionTexts(versionInfo()), true);
    }
    if (line < 0)
        return false;
    report(check, line, table.entries()[std::size_t(line)].threatName);
    return true;
}

int FileCheck::firstVersionMatch(const VersionTable& table, const std::vector<VersionLine>& lines,
                                 const QStringList& texts, bool withSigner)
{
    static const QString kNoSigner;
    for (std::size_t v = 0; v < lines.size(); ++v) {
        if (m_session.stopRequested())
            return -1;
        const VersionLine& line = lines[v];
        // An index that is not a number, or outside the list, fails this
        // file's version check.
        if (!line.validIndex || line.index < 0 || line.index > kSignerEntry)
            return -1;
        // The signer is read only when a line asks for it.
        const auto signerText = [&]() -> const QString& {
            return withSigner ? signer() : kNoSigner;
        };
        const QString& text = line.index == kSignerEntry ? signerText() : texts[line.index];
        const VersionTable::Entry& entry = table.entries()[v];
        const bool matches =
            line.pattern ? WildcardMatch(entry.pattern, text) : entry.pattern == text;
        if (matches && (entry.publisher.isEmpty() || entry.publisher == signerText()))
            return int(v);
    }
    return -1;
}

void FileCheck::report(int check, int index, const QString& threatName)
{
    m_session.handOver(check, index, threatName, ObjectType::kFile, m_path);
}

QString FileCheck::digestOfFile()
{
    std::optional<QString> md5 = m_bytes.digest(*m_digester);
    // It grew to the maximum size since the search saw it: not checked.
    if (!md5)
        throw std::runtime_error("file too large");
    return *md5;
}

bool FileCheck::startsWithMz()
{
    if (!m_bytes.loadHead(kHeadBytes))
        return false;
    const std::span<const std::uint8_t> bytes = m_bytes.bytes();
    return bytes.size() >= 2 && bytes[0] == 'M' && bytes[1] == 'Z';
}

const std::optional<VersionInfo>& FileCheck::versionInfo()
{
    if (!m_versionInfo) {
        m_versionInfo = std::make_unique<std::optional<VersionInfo>>();
        if (m_bytes.loadWhole())
            *m_versionInfo = readVersionInfo(m_bytes.bytes(), QStringView(kWowVersion));
    }
    return *m_versionInfo;
}

const QString& FileCheck::signer()
{
    if (!m_signer) {
        m_signer = QString();
        if (m_bytes.loadWhole())
            m_signer = signerNameOfImage(m_bytes.bytes())
                           .trimmed()
                           .toUpper();
    }
    return *m_signer;
}

} // namespace veridon
