#include "Platform/LoginItem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

XdgAutostartLoginItem::XdgAutostartLoginItem(QString executable)
    : executable(std::move(executable)) {}

QString XdgAutostartLoginItem::installedExecutable() {
    return QStringLiteral(TAVO_INSTALLED_BINARY);
}

QString XdgAutostartLoginItem::entryPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/tavo.desktop");
}

QByteArray XdgAutostartLoginItem::entryContents(const QString& executable) {
    // The Exec key takes a quoted argument in which " ` $ \ are escaped with a
    // backslash, and the desktop-entry string escaping doubles each backslash
    // once more; a literal % is written %%.
    QString quoted;
    for (const QChar c : executable) {
        if (c == u'"' || c == u'`' || c == u'$') {
            quoted += QStringLiteral("\\\\");
        } else if (c == u'\\') {
            quoted += QStringLiteral("\\\\\\");
        } else if (c == u'%') {
            quoted += u'%';
        }
        quoted += c;
    }
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Tavo\n"
                                        "Comment=菜单栏状态续命搭子\n"
                                        "Exec=\"%1\"\n"
                                        "Icon=tavo\n"
                                        "Terminal=false\n"
                                        "X-GNOME-Autostart-enabled=true\n")
                             .arg(quoted);
    return text.toUtf8();
}

bool XdgAutostartLoginItem::isEnabled() const {
    QFile file(entryPath());
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly)) {
        return false;
    }
    // Only the main group counts; an action group may carry its own keys.
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.startsWith('[')) {
            inMainGroup = line == "[Desktop Entry]";
        } else if (inMainGroup && line.startsWith("Hidden")) {
            const QList<QByteArray> pair = line.split('=');
            if (pair.size() == 2 && pair.at(0).trimmed() == "Hidden" && pair.at(1).trimmed() == "true") {
                return false;
            }
        }
    }
    return true;
}

std::optional<QString> XdgAutostartLoginItem::registerItem() {
    if (!QFileInfo(executable).isExecutable()) {
        return QStringLiteral("找不到已安装的程序 %1").arg(executable);
    }
    const QString path = entryPath();
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        return QStringLiteral("无法创建文件夹 %1").arg(folder);
    }
    // Written whole or not at all, replacing a hidden entry of the same name.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(entryContents(executable)) < 0 || !file.commit()) {
        return QStringLiteral("无法写入 %1：%2").arg(path, file.errorString());
    }
    return std::nullopt;
}

std::optional<QString> XdgAutostartLoginItem::unregisterItem() {
    QFile file(entryPath());
    if (file.exists() && !file.remove()) {
        return QStringLiteral("无法删除 %1：%2").arg(file.fileName(), file.errorString());
    }
    return std::nullopt;
}
