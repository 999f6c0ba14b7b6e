#include "Application/AppDelegate.h"

#include "Platform/Alerts.h"
#include "Platform/Settings.h"

#include <QAction>
#include <QLineEdit>
#include <QRegularExpression>
#include <QWidget>

QString AppDelegate::formatDuration(qint64 seconds) {
    if (seconds >= 60 && seconds % 60 == 0) {
        return QString::number(seconds / 60) + QStringLiteral(" 分钟");
    }
    return QString::number(seconds) + QStringLiteral(" 秒");
}

QString AppDelegate::title(const RestMode& mode) {
    return QStringLiteral("营业 ") + formatDuration(mode.workDuration) + QStringLiteral(" / 眼睛下线 ") +
           formatDuration(mode.restDuration);
}

std::optional<RestMode> AppDelegate::savedCustomRestMode() const {
    // The keys' ranges leave out what is no rhythm, so both fit an int.
    const std::optional<qint64> work = services.preferences.value(Settings::customRestModeWorkDuration);
    const std::optional<qint64> rest = services.preferences.value(Settings::customRestModeRestDuration);
    if (!work || !rest) {
        return std::nullopt;
    }
    return RestMode{customRestModeTag, static_cast<int>(*work), static_cast<int>(*rest)};
}

void AppDelegate::loadRestModeConfiguration() {
    const auto preset = [this](int tag) -> std::optional<RestMode> {
        for (const RestMode& mode : restModePresets) {
            if (mode.tag == tag) {
                return mode;
            }
        }
        return std::nullopt;
    };
    RestMode mode = *preset(defaultRestModeTag);
    // The key's range keeps the tag within int.
    if (const std::optional<qint64> tag = services.preferences.value(Settings::selectedRestModeTag)) {
        if (*tag == customRestModeTag && savedCustomRestMode()) {
            mode = *savedCustomRestMode();
        } else if (preset(static_cast<int>(*tag))) {
            mode = *preset(static_cast<int>(*tag));
        }
    } else if (const std::optional<RestMode> custom = savedCustomRestMode()) {
        mode = *custom;
    }
    selectedRestModeTag = mode.tag;
    restCycle.setRhythm(mode.workDuration, mode.restDuration);
}

void AppDelegate::selectMode(int tag) {
    std::optional<RestMode> mode;
    if (tag == customRestModeTag) {
        mode = savedCustomRestMode();
        if (!mode) {
            showCustomRestModeDialog();
            return;
        }
    } else {
        for (const RestMode& preset : restModePresets) {
            if (preset.tag == tag) {
                mode = preset;
            }
        }
        if (!mode) {
            return;
        }
    }
    selectedRestModeTag = tag;
    restCycle.setRhythm(mode->workDuration, mode->restDuration);
    services.preferences.setValue(Settings::selectedRestModeTag, tag);
    restCycle.restartWorkPeriod();
    updateRestModeMenuItems();
}

std::optional<qint64> AppDelegate::parseDialogInteger(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^[+-]?[0-9]+$"));
    const QString trimmed = text.trimmed();
    if (!pattern.match(trimmed).hasMatch()) {
        return std::nullopt;
    }
    bool ok = false;
    const qint64 value = trimmed.toLongLong(&ok);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

std::optional<RestMode> AppDelegate::parseCustomRestMode(const QString& minutesText,
                                                         const QString& secondsText) {
    const std::optional<qint64> minutes = parseDialogInteger(minutesText);
    const std::optional<qint64> seconds = parseDialogInteger(secondsText);
    if (!minutes || !seconds || *minutes < 1 || *minutes > 240 || *seconds < 5 || *seconds > 3600) {
        return std::nullopt;
    }
    return RestMode{RestMode::customTag, static_cast<int>(*minutes * 60), static_cast<int>(*seconds)};
}

void AppDelegate::showCustomRestModeDialog() {
    const qint64 workDuration = restCycle.workDuration();
    auto* workField =
        new QLineEdit(workDuration >= 60 ? QString::number(workDuration / 60) : QStringLiteral("1"));
    workField->setPlaceholderText(QStringLiteral("例如 20"));
    workField->setAlignment(Qt::AlignRight);
    auto* restField = new QLineEdit(QString::number(restCycle.restDuration()));
    restField->setPlaceholderText(QStringLiteral("例如 20 或 300"));
    restField->setAlignment(Qt::AlignRight);
    // formView() parents both fields to the form, which owns them from here on.
    const std::unique_ptr<QWidget> form = formView(
        {{QStringLiteral("营业时长（分钟）"), workField}, {QStringLiteral("眼睛下线（秒）"), restField}});

    Alert alert;
    alert.messageText = QStringLiteral("设置护眼节奏");
    alert.informativeText = QStringLiteral("按输入的营业和眼睛下线时长循环运行，下次启动也会记住。");
    alert.style = AlertStyle::Informational;
    alert.buttons = {QStringLiteral("应用"), QStringLiteral("取消")};
    alert.accessory = form.get();
    alert.initialFocus = workField;
    if (platform.alerts->run(alert) != Alerts::firstButton) {
        return;
    }

    const std::optional<RestMode> mode = parseCustomRestMode(workField->text(), restField->text());
    if (!mode) {
        showInvalidCustomRestModeAlert();
        return;
    }
    Preferences& prefs = services.preferences;
    prefs.setValue(Settings::customRestModeWorkDuration, mode->workDuration);
    prefs.setValue(Settings::customRestModeRestDuration, mode->restDuration);
    selectedRestModeTag = customRestModeTag;
    restCycle.setRhythm(mode->workDuration, mode->restDuration);
    prefs.setValue(Settings::selectedRestModeTag, customRestModeTag);
    restCycle.restartWorkPeriod();
    updateRestModeMenuItems();
}

void AppDelegate::showInvalidCustomRestModeAlert() {
    Alert alert;
    alert.messageText = QStringLiteral("护眼节奏无效");
    alert.informativeText = QStringLiteral("营业时长请输入 1 到 240 分钟；眼睛下线时长请输入 5 到 3600 秒。");
    alert.style = AlertStyle::Warning;
    alert.buttons = {QStringLiteral("好的")};
    platform.alerts->run(alert);
}

void AppDelegate::updateRestModeMenuItems() {
    if (restModeSummaryMenuItem) {
        restModeSummaryMenuItem->setText(
            QStringLiteral("当前节奏：") +
            title(RestMode{selectedRestModeTag, static_cast<int>(restCycle.workDuration()),
                           static_cast<int>(restCycle.restDuration())}));
    }
    for (auto it = modeMenuItems.begin(); it != modeMenuItems.end(); ++it) {
        if (it.value()) {
            it.value()->setChecked(it.key() == selectedRestModeTag);
        }
    }
    if (customRestModeMenuItem) {
        if (const std::optional<RestMode> custom = savedCustomRestMode()) {
            customRestModeMenuItem->setText(QStringLiteral("自定义节奏：") + title(*custom));
            customRestModeMenuItem->setEnabled(true);
            customRestModeMenuItem->setChecked(selectedRestModeTag == customRestModeTag);
        } else {
            customRestModeMenuItem->setText(QStringLiteral("自定义节奏：尚未设置"));
            customRestModeMenuItem->setEnabled(false);
            customRestModeMenuItem->setChecked(false);
        }
    }
}
