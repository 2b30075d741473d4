#pragma once

#include <QString>

namespace veridon {

// Host folders of the scanner's own files. The program folder holds definitions,
// languages, the quarantine, the scan cache and scan logs; the data folder holds
// the ini files. Both are resolved once at start: option, then environment
// variable (VERIDON_PROGRAM_DIR, VERIDON_DATA_DIR), then the default.
struct OwnPaths
{
    QString programDir; // no trailing separator
    QString dataDir;    // no trailing separator

    static OwnPaths resolve(const QString& programDirOption = {}, const QString& dataDirOption = {});

    QString inProgramDir(const QString& relative) const;
    QString inDataDir(const QString& relative) const;
};

// The folder of the running executable.
QString executableDir();

} // namespace veridon
