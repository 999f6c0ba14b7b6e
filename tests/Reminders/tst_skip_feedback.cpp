#include "Reminders/UI/ReminderSkipFeedbackPresenter.h"
#include "support/FakeClock.h"

#include <QApplication>
#include <QTest>

namespace {

// Overlay cards that keep what they are asked to show.
struct FakeOverlayCards final : OverlayCards {
    struct Card final : OverlayCard {
        explicit Card(FakeOverlayCards& cards)
            : cards(cards) {
            ++cards.alive;
        }
        ~Card() override { --cards.alive; }
        void show(const QImage& picture) override { cards.pictures.append(picture); }
        FakeOverlayCards& cards;
    };
    std::unique_ptr<OverlayCard> create(QSize size, int topMargin) override {
        created.append(QRect(QPoint(0, topMargin), size));
        return std::make_unique<Card>(*this);
    }
    QList<QRect> created;
    QList<QImage> pictures;
    int alive = 0;
};

// How opaque the middle of the card is in a picture, 0 to 255.
int centreAlpha(const QImage& picture) {
    return qAlpha(picture.pixel(picture.width() / 2, picture.height() / 2));
}

} // namespace

class SkipFeedbackTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void frameNearTheTopOfTheVisibleArea_data() {
        QTest::addColumn<std::optional<QRect>>("visible");
        QTest::addColumn<QRect>("frame");
        QTest::newRow("1512 × 944") << std::optional<QRect>(QRect(0, 0, 1512, 944))
                                    << QRect(561, 72, 390, 118);
        QTest::newRow("below a 24-point panel, second screen")
            << std::optional<QRect>(QRect(1280, 24, 1920, 1056)) << QRect(2045, 96, 390, 118);
        QTest::newRow("no screen") << std::optional<QRect>() << QRect(525, 72, 390, 118);
    }
    void frameNearTheTopOfTheVisibleArea() {
        QFETCH(std::optional<QRect>, visible);
        QFETCH(QRect, frame);
        QCOMPARE(ReminderSkipFeedbackPresenter::toastFrame(visible), frame);
    }

    void longMessagesStopAtTwoLines() {
        ReminderSkipToast toast(QStringLiteral("喝水提醒已跳过"),
                                QStringLiteral("💧 已跳过喝水，").repeated(8));
        const QStringList lines = toast.messageLines();
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines.last().endsWith(QChar(0x2026)));
        ReminderSkipToast shortToast(QString(), QStringLiteral("💧 水杯表示：我不是桌搭"));
        QCOMPARE(shortToast.messageLines(), QStringList{QStringLiteral("💧 水杯表示：我不是桌搭")});
    }

    // Each card stays three seconds on its own timing, a second one shown
    // meanwhile included.
    void cardsShowWithoutFocusAndGoInTurn() {
        FakeClock clock;
        ReminderSkipFeedbackPresenter presenter(clock, nullptr);
        presenter.present(ReminderSkipFeedbackKind::pelvicFloor,
                          QStringLiteral("🫧 这组先欠着，别把身体当固定资产"));
        QVERIFY(presenter.toastWindows.empty()); // shown on the next turn of the loop
        QCoreApplication::processEvents();
        QCOMPARE(presenter.toastWindows.size(), size_t(1));
        ReminderSkipToast* toast = presenter.toastWindows.front().get();
        QCOMPARE(toast->title(), QStringLiteral("提肛提醒已跳过"));
        QVERIFY(toast->isVisible());
        QVERIFY(toast->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
        QVERIFY(toast->windowFlags().testFlag(Qt::Tool));
        QVERIFY(toast->testAttribute(Qt::WA_ShowWithoutActivating));
        QCOMPARE(toast->size(), QSize(390, 118));
        QTRY_COMPARE_WITH_TIMEOUT(toast->windowOpacity(), 1.0, 1000);
        QVERIFY(QApplication::focusWidget() == nullptr);

        clock.advance(1.5);
        presenter.present(ReminderSkipFeedbackKind::hydration, QStringLiteral("second"));
        QCoreApplication::processEvents();
        QCOMPARE(presenter.toastWindows.size(), size_t(2));
        clock.advance(1.4);
        QTest::qWait(300);
        QCOMPARE(presenter.toastWindows.size(), size_t(2));
        clock.advance(0.1);
        QTRY_COMPARE_WITH_TIMEOUT(presenter.toastWindows.size(), size_t(1), 1000);
        QCOMPARE(presenter.toastWindows.front()->message(), QStringLiteral("second"));
        clock.advance(1.5);
        QTRY_VERIFY_WITH_TIMEOUT(presenter.toastWindows.empty(), 1000);
    }

    void onAnOverlayTheCardFadesInNoWindow() {
        FakeClock clock;
        FakeOverlayCards overlays;
        ReminderSkipFeedbackPresenter presenter(clock, &overlays);
        presenter.present(ReminderSkipFeedbackKind::hydration, QStringLiteral("💧 水杯表示：我不是桌搭"));
        QCoreApplication::processEvents();
        QCOMPARE(overlays.created, QList<QRect>{QRect(0, 72, 390, 118)});
        QCOMPARE(presenter.toastWindows.size(), size_t(1));
        ReminderSkipToast* toast = presenter.toastWindows.front().get();
        QVERIFY(!toast->isVisible());
        QImage drawn(toast->size(), QImage::Format_ARGB32_Premultiplied);
        drawn.fill(Qt::transparent);
        toast->render(&drawn, QPoint(), QRegion(), QWidget::DrawChildren);
        QCOMPARE(centreAlpha(overlays.pictures.first()), 0);
        QTRY_COMPARE_WITH_TIMEOUT(overlays.pictures.last(), drawn, 1000);

        clock.advance(3.0);
        QTRY_VERIFY_WITH_TIMEOUT(presenter.toastWindows.empty(), 1000);
        QVERIFY(centreAlpha(overlays.pictures.last()) < centreAlpha(drawn));
        QCOMPARE(overlays.alive, 0);
    }
};

QTEST_MAIN(SkipFeedbackTest)
#include "tst_skip_feedback.moc"
