#include "Platform/Desktop/SwayFullScreen.h"

#include <QCoreApplication>
#include <QLocalSocket>

#include <nlohmann/json.hpp>

#include <array>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// The i3 IPC framing: the magic, then the payload length and the message type in native byte order.
constexpr std::string_view magic = "i3-ipc";
constexpr auto magicSize = static_cast<qsizetype>(magic.size());
constexpr qsizetype headerSize = magicSize + 8; // magic, payload length, message type
constexpr quint32 getTree = 4;
constexpr int waitMs = 500;
// A tree of many windows is a few hundred kilobytes; anything far beyond is no answer of sway's.
constexpr quint32 longestAnswer = 64 * 1024 * 1024;

// Whether the focused node lies in a full-screen node (or is one) of another
// process. Depth first in the tree's order, without recursion: an answer may
// nest deeper than the stack goes.
bool focusedInFullScreen(const nlohmann::json& root, qint64 ownPid) {
    std::vector<std::pair<const nlohmann::json*, bool>> pending{{&root, false}};
    while (!pending.empty()) {
        const auto [node, outerFullScreen] = pending.back();
        pending.pop_back();
        if (!node->is_object()) {
            continue;
        }
        const auto mode = node->find("fullscreen_mode");
        const bool inFullScreen =
            outerFullScreen || (mode != node->end() && mode->is_number_integer() && mode->get<int>() > 0);
        const auto focused = node->find("focused");
        if (focused != node->end() && focused->is_boolean() && focused->get<bool>()) {
            const auto pid = node->find("pid");
            const bool own = pid != node->end() && pid->is_number_integer() && pid->get<qint64>() == ownPid;
            return inFullScreen && !own;
        }
        // Pushed last to first, so that they are taken first to last.
        for (const char* children : {"floating_nodes", "nodes"}) {
            const auto list = node->find(children);
            if (list != node->end() && list->is_array()) {
                for (auto child = list->crbegin(); child != list->crend(); ++child) {
                    pending.emplace_back(&*child, inFullScreen);
                }
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
    return !root.is_discarded() && focusedInFullScreen(root, ownPid);
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
