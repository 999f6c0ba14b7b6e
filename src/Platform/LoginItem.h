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
// this very binary. Enabled = the file exists and does not say Hidden=true
// (the standard way for a user to switch an entry off without removing it).
class XdgAutostartLoginItem final : public LoginItem {
public:
    // The executable defaults to the running binary.
    explicit XdgAutostartLoginItem(QString executable = QString());

    // Read at every call, so a changed XDG_CONFIG_HOME is followed.
    static QString entryPath();
    // The entry's text for an executable, its path quoted for the Exec key.
    static QByteArray entryContents(const QString& executable);

    bool isEnabled() const override;
    std::optional<QString> registerItem() override;
    std::optional<QString> unregisterItem() override;

private:
    QString executable;
};
