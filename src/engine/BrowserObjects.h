#pragma once

#include <QString>

namespace veridon {

class Registry;
class FileSystem;
class ScanSession;

// The "Browser Objects" area: the browser helper objects registered with
// Internet Explorer whose display name BHO.db lists are reported with their
// class key, their registration key and, when it exists, their program file.
void scanBrowserObjects(ScanSession& session);

// The program file of a helper object's class: the InprocServer32 default
// value, trimmed and not expanded, when a file of that name exists; else empty.
QString BhoProgramFile(const Registry& registry, const FileSystem& files,
                       const QString& classId);

} // namespace veridon
