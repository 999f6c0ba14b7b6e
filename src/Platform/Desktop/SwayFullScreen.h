#pragma once

#include "Platform/FullScreen.h"

#include <QByteArray>
#include <QString>

#include <memory>

// Full screen as sway tells it over its IPC socket ($SWAYSOCK, the i3 IPC
// framing): the focused window, or a container around it, has a
// fullscreen_mode and belongs to another process.
class SwayFullScreen final : public FullScreen {
public:
    // nullptr outside sway.
    static std::unique_ptr<SwayFullScreen> create();
    explicit SwayFullScreen(QString socketPath);
    bool otherProgramFullScreen() override;

    // Reads a GET_TREE answer; false for anything that is not one.
    static bool focusedFullScreen(const QByteArray& tree, qint64 ownPid);

private:
    QString socketPath;
};
