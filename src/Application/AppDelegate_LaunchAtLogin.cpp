#include "Application/AppDelegate.h"

#include "Platform/Alerts.h"
#include "Platform/Log.h"
#include "Platform/LoginItem.h"

#include <QAction>

bool AppDelegate::isLaunchAtLoginEnabled() const {
    return platform.loginItem && platform.loginItem->isEnabled();
}

void AppDelegate::toggleLaunchAtLogin() {
    if (!platform.loginItem) {
        return;
    }
    if (!isLaunchAtLoginEnabled()) {
        if (const std::optional<QString> error = platform.loginItem->registerItem()) {
            logLine(QStringLiteral("Tavo: 设置开机自启失败: ") + *error);
            showLaunchAtLoginAlert(
                QStringLiteral(
                    "设置开机自启失败，请确保应用已移动至「应用程序」文件夹后再试。\n\n错误信息: ") +
                *error);
        } else {
            logLine(QStringLiteral("Tavo: 已设置开机自启"));
        }
    } else if (const std::optional<QString> error = platform.loginItem->unregisterItem()) {
        logLine(QStringLiteral("Tavo: 取消开机自启失败: ") + *error);
        showLaunchAtLoginAlert(QStringLiteral("取消开机自启失败: ") + *error);
    } else {
        logLine(QStringLiteral("Tavo: 已取消开机自启"));
    }
    // The check mark follows what the entry now says, not what was asked.
    if (launchAtLoginItem) {
        launchAtLoginItem->setChecked(isLaunchAtLoginEnabled());
    }
}

void AppDelegate::showLaunchAtLoginAlert(const QString& message) {
    Alert alert;
    alert.messageText = QStringLiteral("开机自启设置");
    alert.informativeText = message;
    alert.style = AlertStyle::Warning;
    alert.buttons = {QStringLiteral("确定")};
    platform.alerts->run(alert);
}
