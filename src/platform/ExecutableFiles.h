#pragma once

#include "platform/VersionInfo.h"

#include <QString>
#include <QStringList>

namespace veridon {

class FileDigester;
class FileSystem;
class ProcessTable;

// The executable-file services of the scanned environment, addressed by Windows
// paths. Each reads the file through the FileSystem (mapped, so only the pages
// the headers and resources live on are touched). For many files in a row, load
// the bytes once and use readVersionInfo / signerNameOfImage /
// PeImage::hasPeSignature / FileDigester::digest on them instead.

// `GetVersionInfo`: fills `record` (the extra value named `extraName`); false
// when the file has no version information.
bool GetVersionInfo(const FileSystem& files, const QString& path, VersionInfo& record,
                    QStringView extraName);
// `GetVersionText`: index 0..10 as VersionInfo::text; "Unknown" without version
// information.
QString GetVersionText(const FileSystem& files, const QString& path, int index);
// `GetVersionTexts`: the eleven texts trimmed and upper-cased ("WOW Version" as
// the extra value), or eleven times "Unknown".
QStringList GetVersionTexts(const FileSystem& files, const QString& path);
// `GetSignerName`: the display name of the embedded Authenticode signer, empty
// when there is none. Never throws.
QString GetSignerName(const FileSystem& files, const QString& path) noexcept;
// `FileDigest`: MD5 of the content as 32 lower-case hex digits; the digest of
// zero bytes when the file cannot be read or is empty.
QString FileDigest(const FileSystem& files, FileDigester& digester, const QString& path);
// `IsExecutableImage`: the MZ/PE test; false on any failure.
bool IsExecutableImage(const FileSystem& files, const QString& path);
// `IsFileInUse`: the file exists and could not be opened for exclusive reading
// and writing. Linux has no sharing modes, so a file counts as in use when it
// cannot be opened for reading and writing or when a process holds it open or
// mapped (a running program's image, a loaded library).
bool IsFileInUse(const FileSystem& files, const ProcessTable& processes, const QString& path);

} // namespace veridon
