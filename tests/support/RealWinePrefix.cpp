#include "support/RealWinePrefix.h"

#include <QProcess>
#include <QStandardPaths>

namespace veridon::test {

bool RealWinePrefix::wineInstalled()
{
    return !QStandardPaths::findExecutable(QStringLiteral("wineboot")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("wineserver")).isEmpty();
}

QProcessEnvironment RealWinePrefix::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WINEPREFIX"), path());
    environment.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    environment.insert(QStringLiteral("WINEDLLOVERRIDES"), QStringLiteral("mscoree,mshtml="));
    environment.remove(QStringLiteral("DISPLAY"));
    return environment;
}

RealWinePrefix::RealWinePrefix()
{
    if (!wineInstalled())
        return;
    QProcess boot;
    boot.setProcessEnvironment(environment());
    boot.setProcessChannelMode(QProcess::MergedChannels);
    boot.start(QStringLiteral("wineboot"), {QStringLiteral("-i")});
    m_ready = boot.waitForFinished(300000) && boot.exitStatus() == QProcess::NormalExit;
    // The registry files are complete once the server has saved them and gone.
    QProcess wait;
    wait.setProcessEnvironment(environment());
    wait.start(QStringLiteral("wineserver"), {QStringLiteral("-w")});
    wait.waitForFinished(60000);
    stopServer();
}

RealWinePrefix::~RealWinePrefix()
{
    if (wineInstalled())
        stopServer();
}

void RealWinePrefix::stopServer() const
{
    QProcess kill;
    kill.setProcessEnvironment(environment());
    kill.start(QStringLiteral("wineserver"), {QStringLiteral("-k")});
    kill.waitForFinished(30000);
}

int RealWinePrefix::runWine(const QStringList& args, QByteArray* output, int timeoutMs) const
{
    QProcess wine;
    wine.setProcessEnvironment(environment());
    wine.start(QStringLiteral("wine"), args);
    if (!wine.waitForFinished(timeoutMs)) {
        wine.kill();
        wine.waitForFinished();
        return -1;
    }
    if (output)
        *output = wine.readAllStandardOutput();
    return wine.exitStatus() == QProcess::NormalExit ? wine.exitCode() : -1;
}

} // namespace veridon::test
