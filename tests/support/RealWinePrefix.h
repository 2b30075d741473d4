#pragma once

#include "support/TempDir.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace veridon::test {

// A real Wine prefix made by `wineboot` in a temporary folder (about 10 s or more).
// Its wineserver is ended when the object goes. Tests that need one skip themselves
// when Wine is not installed: `if (!RealWinePrefix::wineInstalled()) GTEST_SKIP();`
class RealWinePrefix
{
public:
    static bool wineInstalled();

    RealWinePrefix(); // runs wineboot and waits for its wineserver to finish saving
    ~RealWinePrefix();
    RealWinePrefix(const RealWinePrefix&) = delete;
    RealWinePrefix& operator=(const RealWinePrefix&) = delete;

    bool isReady() const { return m_ready; }
    QString path() const { return m_dir.path() + QStringLiteral("/prefix"); }
    // WINEPREFIX, WINEDEBUG=-all and WINEDLLOVERRIDES="mscoree,mshtml=".
    QProcessEnvironment environment() const;

    // Runs `wine args...` in the prefix; returns its exit code (-1 when it did not
    // finish within the timeout) and its standard output in `output`.
    int runWine(const QStringList& args, QByteArray* output = nullptr, int timeoutMs = 120000) const;
    // Ends the prefix's wineserver (it saves the registry files as it goes).
    void stopServer() const;

private:
    TempDir m_dir;
    bool m_ready = false;
};

} // namespace veridon::test
