#pragma once

#include "platform/Registry.h"
#include "platform/ShellFolders.h"

#include <QHash>
#include <QString>

namespace veridon {

// Special folders of a Wine prefix, read from its registry at every call (the
// registry may change between calls; lookups are cheap).
class WineShellFolders final : public ShellFolders
{
public:
    explicit WineShellFolders(const Registry& registry) : m_registry(registry) {}

    QString specialFolder(int csidl) const override;
    QString windowsFolder() const override;
    QString systemFolder() const override;
    QString profileFolder() const override;
    QString tempFolder() const override;
    QString expandEnvironment(const QString& text) const override;
    QString windowsVersion() const override;

private:
    // The process environment a Wine program of the prefix starts with, as far
    // as the registry defines it: upper-case name -> value.
    QHash<QString, QString> environment() const;
    QString expandWith(const QString& text, const QHash<QString, QString>& variables) const;
    QString userSid() const;

    const Registry& m_registry;
};

} // namespace veridon
