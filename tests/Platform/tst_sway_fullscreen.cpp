#include "Platform/Desktop/SwayFullScreen.h"

#include <QTest>

// sway's GET_TREE answer, read for the focused window: full screen itself or
// inside a full-screen container, and not Tavo's own (pid 42 here).
class SwayFullScreenTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsTheTree_data() {
        QTest::addColumn<QByteArray>("tree");
        QTest::addColumn<bool>("fullScreen");
        const auto row = [](const char* name, bool fullScreen, const char* tree) {
            QTest::newRow(name) << QByteArray(tree) << fullScreen;
        };
        row("focused film", true, R"({"nodes":[{"nodes":[{"pid":7,"focused":false,"fullscreen_mode":0},
            {"pid":9,"focused":true,"fullscreen_mode":1}]}]})");
        row("focused window in a full-screen container", true,
            R"({"nodes":[{"fullscreen_mode":1,"nodes":[{"pid":9,"focused":true}]}]})");
        row("a full-screen window without focus", false,
            R"({"nodes":[{"pid":7,"fullscreen_mode":1,"focused":false},
            {"pid":9,"focused":true,"fullscreen_mode":0}]})");
        row("floating and focused", true,
            R"({"nodes":[],"floating_nodes":[{"pid":9,"focused":true,"fullscreen_mode":2}]})");
        row("Tavo's own rest window", false, R"({"nodes":[{"pid":42,"focused":true,"fullscreen_mode":1}]})");
        row("wrong types", false, R"({"nodes":{"pid":9,"focused":"yes","fullscreen_mode":"1"}})");
        row("not JSON", false, "i3-ipc");
        row("empty", false, "");
        // Two megabytes of containers in containers: well under what is read
        // from the socket, and no focused window in it.
        QByteArray deep;
        for (int i = 0; i < 200000; ++i) {
            deep += "{\"nodes\":[";
        }
        for (int i = 0; i < 200000; ++i) {
            deep += "]}";
        }
        QTest::newRow("deeply nested containers") << deep << false;
    }
    void readsTheTree() {
        QFETCH(QByteArray, tree);
        QTEST(SwayFullScreen::focusedFullScreen(tree, 42), "fullScreen");
    }
};

QTEST_GUILESS_MAIN(SwayFullScreenTest)
#include "tst_sway_fullscreen.moc"
