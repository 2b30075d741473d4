#pragma once

#include <QString>

namespace veridon {

class FileSystem;

// The file tests of the engine over Windows paths of the scanned environment.
// The area loops of the file checks read each file once themselves (FileCheck);
// these serve single files.

// The MD5 of a file's content as 32 lower-case hexadecimal digits; a file that
// cannot be read counts as empty.
QString FileDigest(const FileSystem& files, const QString& path);

// Whether the file is a PE image: at least 200 bytes, "MZ" at its start and
// "PE\0\0" at the offset stored at byte 60. Any failure answers false.
bool IsExecutableImage(const FileSystem& files, const QString& path);

// The file's vendor: its CompanyName, trimmed; "Unknown" without version
// information.
QString vendorValue(const FileSystem& files, const QString& path);

} // namespace veridon
