#include "Platform/Desktop/SwayFullScreen.h"

#include <QCoreApplication>
#include <QLocalSocket>

#include <nlohmann/json.hpp>

#include <array>
#include <cstring>
#include <string_view>

namespace {

// The i3 IPC framing: the magic, then the payload length and the message type in native byte order.
constexpr std::string_view magic = "i3-ipc";
constexpr auto magicSize = static_cast<qsizetype>(magic.size());
constexpr qsizetype headerSize = magicSize + 8; // magic, payload length, message type
constexpr quint32 getTree = 4;
constexpr int waitMs = 500;
// A tree of many windows is a few hundred kilobytes; anything far beyond is no answer of sway's.
constexpr quint32 longestAnswer = 64 * 1024 * 1024;

// Whether the focused node lies in a full-screen node (or is one) of another process.
bool search(const nlohmann::json& node, bool inFullScreen, qint64 ownPid, bool& found) {
    if (!node.is_object()) {
        return false;
    }
    const auto mode = node.find("fullscreen_mode");
    inFullScreen = inFullScreen || (mode != node.end() && mode->is_number_integer() && mode->get<int>() > 0);
    const auto focused = node.find("focused");
    if (focused != node.end() && focused->is_boolean() && focused->get<bool>()) {
        found = true;
        const auto pid = node.find("pid");
        const bool own = pid != node.end() && pid->is_number_integer() && pid->get<qint64>() == ownPid;
        return inFullScreen && !own;
    }
    for (const char* children : {"nodes", "floating_nodes"}) {
        const auto list = node.find(children);
        if (list == node.end() || !list->is_array()) {
            continue;
        }
        for (const nlohmann::json& child : *list) {
            const bool answer = search(child, inFullScreen, ownPid, found);
            if (found) {
                return answer;
            }
        }
    }
    return false;
}

} // namespace

std::unique_ptr<SwayFullScreen> SwayFullScreen::create() {
    const QString path = qEnvironmentVariable("SWAYSOCK");
    return path.isEmpty() ? nullptr : std::make_unique<SwayFullScreen>(path);
}

SwayFullScreen::SwayFullScreen(QString socketPath)
    : socketPath(std::move(socketPath)) {}

bool SwayFullScreen::focusedFullScreen(const QByteArray& tree, qint64 ownPid) {
    const nlohmann::json root = nlohmann::json::parse(tree.begin(), tree.end(), nullptr, false);
    bool found = false;
    return !root.is_discarded() && search(root, false, ownPid, found);
}

bool SwayFullScreen::otherProgramFullScreen() {
    // A short exchange with the local compositor, once when a rest falls due
    // and once a minute while it waits.
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(waitMs)) {
        return false;
    }
    const std::array<quint32, 2> header = {0, getTree};
    socket.write(QByteArray(magic.data(), magicSize) +
                 QByteArray(reinterpret_cast<const char*>(header.data()), sizeof(header)));
    QByteArray answer;
    qsizetype expected = headerSize;
    while (answer.size() < expected) {
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(waitMs)) {
            return false;
        }
        answer.append(socket.read(expected - answer.size()));
        if (expected == headerSize && answer.size() == headerSize) {
            quint32 length = 0;
            std::memcpy(&length, answer.constData() + magicSize, sizeof(length));
            if (!answer.startsWith(QByteArrayView(magic.data(), magicSize)) || length > longestAnswer) {
                return false;
            }
            expected += length;
        }
    }
    return focusedFullScreen(answer.mid(headerSize), QCoreApplication::applicationPid());
}
