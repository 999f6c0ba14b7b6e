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
        QTest::newRow("focused film") << QByteArray(R"({"nodes":[{"nodes":[
            {"pid":7,"focused":false,"fullscreen_mode":0},
            {"pid":9,"focused":true,"fullscreen_mode":1}]}]})")
                                      << true;
        QTest::newRow("focused window in a full-screen container") << QByteArray(R"({"nodes":[
            {"fullscreen_mode":1,"nodes":[{"pid":9,"focused":true}]}]})")
                                                                   << true;
        QTest::newRow("a full-screen window without focus") << QByteArray(R"({"nodes":[
            {"pid":7,"fullscreen_mode":1,"focused":false},
            {"pid":9,"focused":true,"fullscreen_mode":0}]})")
                                                            << false;
        QTest::newRow("floating and focused") << QByteArray(R"({"nodes":[],"floating_nodes":[
            {"pid":9,"focused":true,"fullscreen_mode":2}]})")
                                              << true;
        QTest::newRow("Tavo's own rest window") << QByteArray(R"({"nodes":[
            {"pid":42,"focused":true,"fullscreen_mode":1}]})")
                                                << false;
        QTest::newRow("wrong types") << QByteArray(
                                            R"({"nodes":{"pid":9,"focused":"yes","fullscreen_mode":"1"}})")
                                     << false;
        QTest::newRow("not JSON") << QByteArray("i3-ipc\x00\x00") << false;
        QTest::newRow("empty") << QByteArray() << false;
    }
    void readsTheTree() {
        QFETCH(QByteArray, tree);
        QTEST(SwayFullScreen::focusedFullScreen(tree, 42), "fullScreen");
    }
};

QTEST_GUILESS_MAIN(SwayFullScreenTest)
#include "tst_sway_fullscreen.moc"
