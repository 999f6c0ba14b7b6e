#include "Platform/LoginItem.h"
#include "support/DelegateFixture.h"
#include "support/Files.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QTest>

using namespace Qt::StringLiterals;

// The autostart entry behind "开机自启", in a private XDG_CONFIG_HOME.
class LaunchAtLoginTest : public QObject {
    Q_OBJECT

private:
    // Stands in for an installed binary: a file that exists and may be run.
    static QString installed() { return QCoreApplication::applicationFilePath(); }

    struct Home {
        QTemporaryDir dir;
        QByteArray previous = qgetenv("XDG_CONFIG_HOME");
        explicit Home(const QString& configHome = u"config"_s) {
            qputenv("XDG_CONFIG_HOME", dir.filePath(configHome).toUtf8());
        }
        ~Home() { qputenv("XDG_CONFIG_HOME", previous); }
        QString entry() const { return XdgAutostartLoginItem::entryPath(); }
        void write(const QByteArray& text) const {
            QDir().mkpath(QFileInfo(entry()).absolutePath());
            QVERIFY(writeFile(entry(), text));
        }
        QByteArray read() const { return readFile(entry()); }
    };

    // A delegate with the real autostart entry, or the scripted one.
    struct Delegate : DelegateFixture {
        XdgAutostartLoginItem autostart;

        explicit Delegate(bool realEntry, const QString& executable = installed())
            : autostart(executable) {
            if (realEntry) {
                adapters.loginItem = &autostart;
            }
            make().setupMenu();
        }
        ~Delegate() { delegate.reset(); }
        bool checked() const { return delegate->launchAtLoginItem->isChecked(); }
    };

private Q_SLOTS:
    void registerWritesAnEntryForTheBinary() {
        Home home;
        QCOMPARE(home.entry(), home.dir.filePath(u"config/autostart/tavo.desktop"_s));
        XdgAutostartLoginItem item(installed());
        QVERIFY(!item.isEnabled());
        QCOMPARE(item.registerItem(), std::nullopt);
        QVERIFY(item.isEnabled());
        const QByteArray text = home.read();
        QVERIFY(text.startsWith("[Desktop Entry]\n"));
        QVERIFY(text.contains("\nType=Application\n"));
        QVERIFY(text.contains("\nExec=\"" + installed().toUtf8() + "\"\n"));
        QVERIFY(!text.contains("Hidden"));
        QCOMPARE(item.unregisterItem(), std::nullopt);
        QVERIFY(!QFile::exists(home.entry()));
        QVERIFY(!item.isEnabled());
        // Nothing to remove is no failure.
        QCOMPARE(item.unregisterItem(), std::nullopt);
    }

    void defaultsToTheInstalledBinary() {
        Home home;
        const QString path = XdgAutostartLoginItem::installedExecutable();
        QVERIFY2(QDir::isAbsolutePath(path) && path.endsWith(QLatin1String("/bin/tavo")), qPrintable(path));
        const std::optional<QString> error = XdgAutostartLoginItem().registerItem();
        if (QFileInfo(path).isExecutable()) {
            QCOMPARE(error, std::nullopt);
            QVERIFY(home.read().contains("Exec=\"" + path.toUtf8() + "\"\n"));
        } else {
            QVERIFY2(error && error->contains(path), qPrintable(error.value_or(QString())));
        }
    }

    // An entry written by someone else counts unless hidden; registering
    // replaces it with one that counts.
    void enabledUnlessHidden_data() {
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("plain") << QByteArray("[Desktop Entry]\nType=Application\nExec=tavo\n") << true;
        QTest::newRow("hidden") << QByteArray("[Desktop Entry]\nExec=tavo\nHidden=true\n") << false;
        QTest::newRow("hidden, spaced") << QByteArray("[Desktop Entry]\nHidden = true\n") << false;
        QTest::newRow("hidden false") << QByteArray("[Desktop Entry]\nHidden=false\n") << true;
        QTest::newRow("hidden in an action group")
            << QByteArray("[Desktop Entry]\nExec=tavo\n[Desktop Action quit]\nHidden=true\n") << true;
        QTest::newRow("key that only starts alike")
            << QByteArray("[Desktop Entry]\nHiddenness=true\n") << true;
        QTest::newRow("empty file") << QByteArray() << true;
    }
    void enabledUnlessHidden() {
        QFETCH(QByteArray, entry);
        QFETCH(bool, enabled);
        Home home;
        home.write(entry);
        XdgAutostartLoginItem item(installed());
        QCOMPARE(item.isEnabled(), enabled);
        QCOMPARE(item.registerItem(), std::nullopt);
        QVERIFY(item.isEnabled());
    }

    void execQuoting_data() {
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QByteArray>("exec");
        QTest::newRow("plain") << u"/usr/bin/tavo"_s << QByteArray("Exec=\"/usr/bin/tavo\"");
        QTest::newRow("blank") << u"/opt/My Apps/tavo"_s << QByteArray("Exec=\"/opt/My Apps/tavo\"");
        QTest::newRow("quote and dollar") << u"/a\"b$c`d"_s << QByteArray("Exec=\"/a\\\\\"b\\\\$c\\\\`d\"");
        QTest::newRow("backslash") << u"/a\\b"_s << QByteArray("Exec=\"/a\\\\\\\\b\"");
        QTest::newRow("percent") << u"/100%/tavo"_s << QByteArray("Exec=\"/100%%/tavo\"");
        QTest::newRow("chinese") << u"/home/用户/tavo"_s << QByteArray("Exec=\"/home/用户/tavo\"");
    }
    void execQuoting() {
        QFETCH(QString, executable);
        QFETCH(QByteArray, exec);
        const QList<QByteArray> lines = XdgAutostartLoginItem::entryContents(executable).split('\n');
        QVERIFY2(lines.contains(exec), XdgAutostartLoginItem::entryContents(executable).constData());
    }

    void unwritableFolderFails() {
        // A regular file where a folder belongs stops root as well as anyone.
        Home home(u"file/config"_s);
        QVERIFY(writeFile(home.dir.filePath(u"file"_s), {}));
        XdgAutostartLoginItem item(installed());
        const std::optional<QString> error = item.registerItem();
        QVERIFY2(error && error->contains(home.dir.filePath(u"file/config/autostart"_s)),
                 qPrintable(error.value_or(QString())));
        QVERIFY(!item.isEnabled());
    }

    // The mark follows the entry after a toggle (and as the menu opens: see the menu's suite).
    void toggleAndTheMarkFollowTheEntry() {
        Home home;
        Delegate app(true);
        QVERIFY(!app.checked());
        app.delegate->toggleLaunchAtLogin();
        QVERIFY(QFile::exists(home.entry()));
        QVERIFY(app.checked());
        QCOMPARE(app.log, QStringList{u"Tavo: 已设置开机自启"_s});
        app.delegate->toggleLaunchAtLogin();
        QVERIFY(!QFile::exists(home.entry()));
        QVERIFY(!app.checked());
        QCOMPARE(app.log.last(), u"Tavo: 已取消开机自启"_s);
        QVERIFY(app.platform.alerts.shown.isEmpty());
    }

    // A build that is not installed has nothing lasting to start at login.
    void notInstalledFailsToRegister() {
        Home home;
        const QString missing = home.dir.filePath(u"bin/tavo"_s);
        Delegate app(true, missing);
        app.delegate->toggleLaunchAtLogin();
        QVERIFY(!QFile::exists(home.entry()));
        const QString error = u"找不到已安装的程序 "_s + missing;
        QCOMPARE(app.log, QStringList{u"Tavo: 设置开机自启失败: "_s + error});
        QCOMPARE(app.platform.alerts.shown.size(), 1);
        const Alert& alert = app.platform.alerts.shown.first();
        QCOMPARE(alert.messageText, u"开机自启设置"_s);
        QCOMPARE(alert.informativeText,
                 u"设置开机自启失败，请确保应用已移动至「应用程序」文件夹后再试。\n\n错误信息: "_s + error);
        QCOMPARE(alert.style, AlertStyle::Warning);
        QCOMPARE(alert.buttons, QStringList{u"确定"_s});
        QVERIFY(!app.checked());
    }

    void failedUnregistrationKeepsTheCheckMark() {
        Delegate app(false);
        app.platform.loginItem.enabled = true;
        app.platform.loginItem.failure = u"权限不够"_s;
        app.delegate->toggleLaunchAtLogin();
        QCOMPARE(app.log, QStringList{u"Tavo: 取消开机自启失败: 权限不够"_s});
        QCOMPARE(app.platform.alerts.shown.size(), 1);
        QCOMPARE(app.platform.alerts.shown.first().informativeText, u"取消开机自启失败: 权限不够"_s);
        QVERIFY(app.checked()); // the mark follows the entry, not the request
        QCOMPARE(app.platform.loginItem.requests, 1);
    }
};

QTEST_MAIN(LaunchAtLoginTest)
#include "tst_launchatlogin.moc"
