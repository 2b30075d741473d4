#include "cli/scan/CommandLine.h"

#include <stdexcept>

namespace veridon::cli {

std::optional<QString> CommandLine::takeValue(const QString& name)
{
    const QString inlinePrefix = name + QLatin1Char('=');
    for (qsizetype i = 0; i < words.size(); ++i) {
        if (words[i].startsWith(inlinePrefix)) {
            const QString value = words[i].mid(inlinePrefix.size());
            words.removeAt(i);
            return value;
        }
        if (words[i] == name) {
            if (i + 1 >= words.size())
                throw std::runtime_error("option " + name.toStdString() + " needs a value");
            const QString value = words[i + 1];
            words.remove(i, 2);
            return value;
        }
    }
    return std::nullopt;
}

bool CommandLine::takeFlag(const QString& name)
{
    return words.removeAll(name) > 0;
}

CommandLine parseCommandLine(int argc, char** argv)
{
    CommandLine line;
    for (int i = 1; i < argc; ++i)
        line.words.append(QString::fromLocal8Bit(argv[i]));
    line.prefix = line.takeValue(QStringLiteral("--prefix")).value_or(QString());
    line.programDir = line.takeValue(QStringLiteral("--program-dir")).value_or(QString());
    line.dataDir = line.takeValue(QStringLiteral("--data-dir")).value_or(QString());
    line.help = line.takeFlag(QStringLiteral("--help")) | line.takeFlag(QStringLiteral("-h"));
    line.version = line.takeFlag(QStringLiteral("--version"));
    return line;
}

} // namespace veridon::cli
