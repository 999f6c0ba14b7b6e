#include "Application/AppDelegate.h"
#include "Platform/Desktop/DialogAlerts.h"
#include "Rest/Components/MouseTouchBridge.h"
#include "Rest/Models/SkipHold.h"
#include "Rest/RestView.h"
#include "Rest/RestWindow.h"
#include "support/DelegateFixture.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

using namespace Qt::StringLiterals;

// The input form, the real modal alert, the About body and Ctrl+Q.
class DialogsTest : public QObject {
    Q_OBJECT

private:
    // Runs fn on the alert once it is up, from inside its modal loop.
    static void whenModal(std::function<void(QDialog*)> fn) {
        QTimer::singleShot(0, qApp, [fn = std::move(fn)] {
            QTRY_VERIFY(qobject_cast<QDialog*>(QApplication::activeModalWidget()));
            fn(qobject_cast<QDialog*>(QApplication::activeModalWidget()));
        });
    }

    // A delegate whose alerts are the real dialogs.
    struct Launched : DelegateFixture {
        DialogAlerts dialogs;
        Launched() {
            adapters.alerts = &dialogs;
            make().configureMainMenuForTextEditing();
        }
        ~Launched() { delegate.reset(); }
    };

private Q_SLOTS:
    void formGeometry_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("height");
        // Top-left frames: the first row on top, its label one point above its field.
        QTest::addColumn<QList<QRect>>("frames");
        QTest::newRow("no rows") << 0 << 0 << QList<QRect>();
        QTest::newRow("one row") << 1 << 24 << QList<QRect>{QRect(0, -1, 128, 24), QRect(136, 0, 120, 24)};
        QTest::newRow("three rows") << 3 << 92
                                    << QList<QRect>{QRect(0, -1, 128, 24), QRect(136, 0, 120, 24),
                                                    QRect(0, 33, 128, 24), QRect(136, 34, 120, 24),
                                                    QRect(0, 67, 128, 24), QRect(136, 68, 120, 24)};
    }
    void formGeometry() {
        QFETCH(int, rows);
        QFETCH(int, height);
        QFETCH(QList<QRect>, frames);
        QList<AppDelegate::FormRow> form;
        for (int i = 0; i < rows; ++i) {
            form.append({u"第 %1 行"_s.arg(i), new QLineEdit(QString::number(i))});
        }
        const std::unique_ptr<QWidget> view = AppDelegate::formView(form);
        QCOMPARE(view->size(), QSize(256, height));
        const QList<QWidget*> children = view->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        QCOMPARE(children.size(), frames.size());
        for (int i = 0; i < children.size(); ++i) {
            QCOMPARE(children.at(i)->geometry(), frames.at(i));
        }
        for (int i = 0; i < rows; ++i) {
            const auto* label = qobject_cast<QLabel*>(children.at(2 * i));
            QVERIFY(label);
            QCOMPARE(label->text(), u"第 %1 行"_s.arg(i));
            QCOMPARE(children.at(2 * i + 1), form.at(i).field);
            QVERIFY(!form.at(i).field->isReadOnly());
        }
    }

    void alertStaysOnTopWithTheFirstButtonAsDefault() {
        DialogAlerts alerts;
        Alert alert;
        alert.messageText = u"设置护眼节奏"_s;
        alert.buttons = {u"应用"_s, u"取消"_s};
        whenModal([](QDialog* dialog) {
            QVERIFY(dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
            QPushButton* byDefault = nullptr;
            for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
                if (button->isDefault()) {
                    QVERIFY(!byDefault);
                    byDefault = button;
                }
            }
            QVERIFY(byDefault);
            QCOMPARE(byDefault->text(), u"应用"_s);
            QTest::keyClick(dialog, Qt::Key_Return);
        });
        QCOMPARE(alerts.run(alert), Alerts::firstButton);
        whenModal([](QDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
        QCOMPARE(alerts.run(alert), Alerts::closed);
        whenModal([](QDialog* dialog) {
            for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
                if (button->text() == u"取消"_s) {
                    button->click();
                }
            }
        });
        QCOMPARE(alerts.run(alert), 1);
    }

    void rhythmFieldsTakeSelectAllAndPaste() {
        Launched app;
        QApplication::clipboard()->setText(u"25"_s);
        whenModal([](QDialog* dialog) {
            auto* work = qobject_cast<QLineEdit*>(dialog->focusWidget());
            QVERIFY(work);
            QCOMPARE(work->text(), u"20"_s); // the work field starts focused
            QTest::keyClick(work, Qt::Key_A, Qt::ControlModifier);
            QCOMPARE(work->selectedText(), u"20"_s);
            QTest::keyClick(work, Qt::Key_V, Qt::ControlModifier);
            QCOMPARE(work->text(), u"25"_s);
            QTest::keyClick(work, Qt::Key_Return);
        });
        app.delegate->showCustomRestModeDialog();
        QCOMPARE(app.delegate->restCycle.workDuration(), 1500);
        QCOMPARE(app.delegate->selectedRestModeTag, -1);
    }

    void aboutBodyHasTwelveStyledPieces() {
        const std::unique_ptr<QTextDocument> text = AppDelegate::aboutDetailAttributedText();
        const QString plain = text->toPlainText();
        QVERIFY(plain.startsWith(u"【护眼这块】\n工作可以再干，眼睛别当耗材。"_s));
        QVERIFY(plain.endsWith(u"舒服、可坚持、不过量，就很好。"_s));
        // Eight single and three double line breaks: 15 paragraphs, three of them empty.
        QCOMPARE(text->blockCount(), 15);
        QCOMPARE(plain.count(u"\n\n"_s), 3);
        struct Expected {
            int block;
            QString start;
            qreal pointSize;
            bool bold;
            qreal paragraphSpacing;
        };
        const QList<Expected> expected = {
            {0, u"【护眼这块】"_s, 13, true, 3},        {1, u"工作可以再干"_s, 12.5, true, 3},
            {2, u"可以把 20-20-20"_s, 11.5, false, 9},  {4, u"【喝水这块】"_s, 13, true, 3},
            {12, u"最后一句"_s, 13, true, 3},           {13, u"钱是老板的"_s, 12.5, true, 3},
            {14, u"Tavo 的目标很小"_s, 11.5, false, 9},
        };
        QHash<int, qreal> alpha;
        for (const Expected& e : expected) {
            const QTextBlock block = text->findBlockByNumber(e.block);
            QVERIFY2(block.text().startsWith(e.start), qPrintable(block.text()));
            const QTextCharFormat format = block.begin().fragment().charFormat();
            // Screen points: 13 of them are 13 logical pixels at any DPI.
            QCOMPARE(format.font().pointSizeF(),
                     e.pointSize * 72.0 / QGuiApplication::primaryScreen()->logicalDotsPerInchY());
            QCOMPARE(format.font().weight() >= QFont::DemiBold, e.bold);
            QCOMPARE(block.blockFormat().bottomMargin(), e.paragraphSpacing);
            alpha[e.block] = format.foreground().color().alphaF();
        }
        // Notes are toned down against the other two styles.
        QVERIFY(alpha[2] < alpha[1]);
        QCOMPARE(alpha[0], 1.0);
    }

    void aboutAlert() {
        QCoreApplication::setApplicationVersion(u"1.0.0"_s);
        DelegateFixture f;
        AppDelegate& delegate = f.make();
        ScriptedAlerts& alerts = f.platform.alerts;
        QSize accessory;
        alerts.responders.append([&accessory](const Alert& alert) {
            accessory = alert.accessory->size();
            return Alerts::firstButton;
        });
        delegate.showAbout();
        QCOMPARE(alerts.shown.size(), 1);
        const Alert& alert = alerts.shown.first();
        QCOMPARE(alert.messageText, u"关于 Tavo"_s);
        QCOMPARE(alert.informativeText, u"菜单栏状态续命搭子：不帮你卷，只提醒你别嘎。\nV1.0.0 "_s);
        QCOMPARE(alert.style, AlertStyle::Informational);
        QCOMPARE(alert.buttons, QStringList{u"下次一定"_s});
        // As tall as its text, however long that is.
        const std::unique_ptr<QTextDocument> text = AppDelegate::aboutDetailAttributedText();
        QCOMPARE(accessory, QSize(680, AppDelegate::aboutAccessoryHeight(*text)));
        QTextCursor(text.get()).insertText(u"多一行\n多两行\n多三行\n"_s);
        QVERIFY(AppDelegate::aboutAccessoryHeight(*text) > accessory.height());
    }

    // A rest that begins while an alert waits for its answer (the own-rhythm form here; About,
    // a reminder without a notification server) covers it: the space bar and the skip button
    // still reach the rest.
    void restBegunOverAnOpenAlertCanBeSkipped() {
        Launched app;
        AppDelegate& d = *app.delegate;
        whenModal([&d](QDialog* dialog) {
            const auto close = qScopeGuard([dialog] { dialog->reject(); });
            d.triggerRestNow();
            QVERIFY(!d.restWindows.isEmpty());
            RestWindow* window = d.restWindows.first();
            const auto* view = qobject_cast<RestView*>(window->contentView());
            QVERIFY(view);
            QTest::keyPress(window->windowHandle(), Qt::Key_Space);
            QVERIFY(view->skipHold().isPressingSkip());
            QTest::keyRelease(window->windowHandle(), Qt::Key_Space);
            QVERIFY(!view->skipHold().isPressingSkip());
            const auto* button = view->findChild<MouseTouchBridge*>();
            QVERIFY(button);
            QTest::mousePress(window->windowHandle(), Qt::LeftButton, {},
                              button->mapTo(window, button->rect().center()));
            QVERIFY(view->skipHold().isPressingSkip());
        });
        d.showCustomRestModeDialog();
        QCOMPARE(d.restCycle.workDuration(), 1200); // cancelled
    }

    // Last: quitting ends the event loops for good in this process.
    void ctrlQInADialogQuitsThroughQuitApp() {
        Launched app;
        AppDelegate* delegate = app.delegate.get();
        // As main() wires it: the loop ends once quitApp() has closed everything.
        connect(delegate, &AppDelegate::terminateRequested, qApp, &QCoreApplication::quit,
                Qt::QueuedConnection);
        bool dialogReturned = false;
        QTimer::singleShot(0, qApp, [delegate, &dialogReturned] {
            whenModal([](QDialog* dialog) {
                QTest::keyClick(dialog->focusWidget(), Qt::Key_Q, Qt::ControlModifier);
            });
            delegate->showCustomRestModeDialog();
            dialogReturned = true;
        });
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
        watchdog.start(5000);
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(dialogReturned);
        QVERIFY(delegate->isQuitting);
        QCOMPARE(delegate->restCycle.workDuration(), 1200); // the dialog's answer was not applied
    }
};

QTEST_MAIN(DialogsTest)
#include "tst_dialogs.moc"
