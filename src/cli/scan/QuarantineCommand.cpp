#include "cli/scan/QuarantineCommand.h"

#include "platform/Environment.h"
#include "store/QuarantineStore.h"

#include <cstdio>
#include <stdexcept>

namespace veridon::cli {
namespace {

void printLine(FILE* to, const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), to);
    std::fputc('\n', to);
}

// The environment the quarantined files belong to: the prefix given or found;
// without one, the host file system alone (Z:).
std::unique_ptr<Environment> openEnvironment(const CommandLine& line)
{
    if (!line.prefix.isEmpty())
        return Environment::open(line.prefix);
    try {
        return Environment::open(Environment::defaultPrefix());
    } catch (const std::runtime_error&) {
        return Environment::openEmpty();
    }
}

int list(const QuarantineStore& store)
{
    const std::vector<QuarantineEntry> entries = store.List();
    printLine(stdout, QStringLiteral("%1  %2  %3  %4")
                          .arg(QStringLiteral("ID"), -8)
                          .arg(QStringLiteral("DATE"), -19)
                          .arg(QStringLiteral("THREAT"), -24)
                          .arg(QStringLiteral("PATH")));
    for (const QuarantineEntry& e : entries)
        printLine(stdout, QStringLiteral("%1  %2  %3  %4")
                              .arg(e.id, -8)
                              .arg(e.dealTime, -19)
                              .arg(e.virusName, -24)
                              .arg(e.path));
    return kExitClean;
}

} // namespace

int runQuarantine(CommandContext& context)
{
    QStringList& words = context.line.words;
    const QString usage =
        QStringLiteral("usage: veridon-scan quarantine list | restore ID PATH | delete ID");
    if (words.isEmpty())
        throw std::runtime_error(usage.toStdString());
    const QString action = words.takeFirst();
    const QString folder = QuarantineStore::folderOf(context.paths.programDir);

    try {
        if (action == u"list" && words.isEmpty()) {
            std::unique_ptr<Environment> environment = Environment::openEmpty();
            return list(QuarantineStore(folder, *environment));
        }
        if (action == u"restore" && words.size() == 2) {
            std::unique_ptr<Environment> environment = openEnvironment(context.line);
            QString target = words[1];
            if (target.startsWith(u'/')) // a host path: the environment's name for it
                target = environment->files().toWindowsPath(target);
            if (target.isEmpty())
                throw std::runtime_error(("no drive of the environment holds " + words[1]).toStdString());
            QuarantineStore(folder, *environment).Restore(words[0], target);
            printLine(stdout, QStringLiteral("restored %1 to %2").arg(words[0], target));
            return kExitClean;
        }
        if (action == u"delete" && words.size() == 1) {
            std::unique_ptr<Environment> environment = openEnvironment(context.line);
            for (const QString& notice : QuarantineStore(folder, *environment).Delete(words[0]))
                printLine(stderr, notice);
            printLine(stdout, QStringLiteral("deleted %1").arg(words[0]));
            return kExitClean;
        }
    } catch (const EQuarantine& e) {
        throw std::runtime_error(e.message().toStdString());
    }
    throw std::runtime_error(usage.toStdString());
}

} // namespace veridon::cli
