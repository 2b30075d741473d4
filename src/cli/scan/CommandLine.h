#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace veridon::cli {

// Options shared by every veridon-scan command, and the words that remain.
struct CommandLine
{
    QString prefix;     // --prefix DIR
    QString programDir; // --program-dir DIR
    QString dataDir;    // --data-dir DIR
    bool help = false;
    bool version = false;
    QStringList words; // the command and its own arguments, in order

    // Takes a value option out of `words`: "--name VALUE" or "--name=VALUE".
    // Returns nothing when absent; throws when the value is missing.
    std::optional<QString> takeValue(const QString& name);
    bool takeFlag(const QString& name);
};

CommandLine parseCommandLine(int argc, char** argv);

} // namespace veridon::cli
