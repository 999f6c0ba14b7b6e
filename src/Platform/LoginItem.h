#pragma once

#include <QString>

#include <optional>

// Whether the session starts Tavo when the user logs in.
class LoginItem {
public:
    virtual ~LoginItem() = default;
    virtual bool isEnabled() const = 0;
    // Each answers the reason on failure, or nothing on success.
    virtual std::optional<QString> registerItem() = 0;
    virtual std::optional<QString> unregisterItem() = 0;
};

// An XDG autostart entry, $XDG_CONFIG_HOME/autostart/tavo.desktop, that runs
// the installed binary. Enabled = the file exists and does not say Hidden=true
// (the standard way for a user to switch an entry off without removing it).
class XdgAutostartLoginItem final : public LoginItem {
public:
    // The executable defaults to where the installation puts Tavo, not the
    // running binary: a build folder or an unpacked copy does not last.
    explicit XdgAutostartLoginItem(QString executable = installedExecutable());

    // bindir/tavo of the prefix this program was built for.
    static QString installedExecutable();

    // Read at every call, so a changed XDG_CONFIG_HOME is followed.
    static QString entryPath();
    // The entry's text for an executable, its path quoted for the Exec key.
    static QByteArray entryContents(const QString& executable);

    bool isEnabled() const override;
    // Fails while the executable is not there: an entry that starts nothing
    // would look switched on and never work.
    std::optional<QString> registerItem() override;
    std::optional<QString> unregisterItem() override;

private:
    QString executable;
};
