#include "Reminders/UI/ReminderSkipFeedbackPresenter.h"
#include "Platform/Desktop/Fonts.h"

#include "Platform/Clock.h"
#include "Platform/Desktop/OverlayCards.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QScreen>
#include <QTextLayout>

#include <algorithm>

namespace {

constexpr int horizontalInset = 24;
constexpr int lineSpacing = 8;
constexpr int maxMessageLines = 2;
constexpr qreal cornerRadius = 16;
constexpr int topOffset = 72;

QFont titleFont() {
    return systemFont(13, QFont::DemiBold);
}

QFont messageFont() {
    return systemFont(18, QFont::Bold);
}

} // namespace

ReminderSkipToast::ReminderSkipToast(QString title, QString message)
    : QWidget(nullptr,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus)
    , titleText(std::move(title))
    , messageText(std::move(message)) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(width, height);
}

QStringList ReminderSkipToast::messageLines() const {
    const QFont font = messageFont();
    const qreal available = width - 2 * horizontalInset;
    QTextLayout layout(messageText, font);
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(available);
        if (lines.size() == maxMessageLines - 1) {
            // The last line keeps everything that is left, cut with an ellipsis.
            const QString rest = messageText.mid(line.textStart());
            lines << QFontMetrics(font).elidedText(rest, Qt::ElideRight, static_cast<int>(available));
            break;
        }
        lines << messageText.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return lines;
}

void ReminderSkipToast::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    QPainterPath card;
    card.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.fillPath(card, QColor(28, 28, 32, 220));
    painter.setPen(QColor(255, 255, 255, 28));
    painter.drawPath(card);

    const QFontMetrics titleMetrics(titleFont());
    const QFontMetrics messageMetrics(messageFont());
    const QStringList lines = messageLines();
    const int blockHeight =
        titleMetrics.height() + lineSpacing + messageMetrics.height() * static_cast<int>(lines.size());
    int y = (height - blockHeight) / 2;
    const int textWidth = width - 2 * horizontalInset;

    painter.setFont(titleFont());
    painter.setPen(QColor::fromRgbF(1, 1, 1, 0.72));
    painter.drawText(QRect(horizontalInset, y, textWidth, titleMetrics.height()), Qt::AlignCenter,
                     titleMetrics.elidedText(titleText, Qt::ElideRight, textWidth));
    y += titleMetrics.height() + lineSpacing;

    painter.setFont(messageFont());
    painter.setPen(Qt::white);
    for (const QString& line : lines) {
        painter.drawText(QRect(horizontalInset, y, textWidth, messageMetrics.height()), Qt::AlignCenter,
                         line);
        y += messageMetrics.height();
    }
}

void ReminderSkipToast::present(std::unique_ptr<OverlayCard> overlayCard) {
    overlay = std::move(overlayCard);
    if (!overlay) {
        show();
        raise();
        return;
    }
    picture = QImage(size(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    render(&picture, QPoint(), QRegion(), QWidget::DrawChildren);
    setCardOpacity(opacity);
}

void ReminderSkipToast::dismiss() {
    overlay.reset();
    close();
}

void ReminderSkipToast::setCardOpacity(qreal value) {
    opacity = value;
    if (!overlay) {
        setWindowOpacity(value);
        return;
    }
    QImage frame(picture.size(), QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::transparent);
    QPainter painter(&frame);
    painter.setOpacity(value);
    painter.drawImage(0, 0, picture);
    painter.end();
    overlay->show(frame);
}

ReminderSkipFeedbackPresenter::ReminderSkipFeedbackPresenter(Clock& clock, OverlayCards* overlayCards,
                                                             QObject* parent)
    : QObject(parent)
    , clock(clock)
    , overlayCards(overlayCards) {}

ReminderSkipFeedbackPresenter::~ReminderSkipFeedbackPresenter() = default;

QString ReminderSkipFeedbackPresenter::title(ReminderSkipFeedbackKind kind) {
    switch (kind) {
    case ReminderSkipFeedbackKind::hydration:
        return QStringLiteral("喝水提醒已跳过");
    case ReminderSkipFeedbackKind::pelvicFloor:
        return QStringLiteral("提肛提醒已跳过");
    }
    return {};
}

QRect ReminderSkipFeedbackPresenter::toastFrame(const std::optional<QRect>& visibleFrame) {
    const QRect area = visibleFrame.value_or(QRect(0, 0, 1440, 900));
    const int left = area.x() + area.width() / 2 - ReminderSkipToast::width / 2;
    return QRect(left, area.y() + topOffset, ReminderSkipToast::width, ReminderSkipToast::height);
}

void ReminderSkipFeedbackPresenter::present(ReminderSkipFeedbackKind kind, const QString& message) {
    QMetaObject::invokeMethod(
        this, [this, kind, message] { showToast(kind, message); }, Qt::QueuedConnection);
}

void ReminderSkipFeedbackPresenter::showToast(ReminderSkipFeedbackKind kind, const QString& message) {
    auto toast = std::make_unique<ReminderSkipToast>(title(kind), message);
    const QScreen* screen = QGuiApplication::primaryScreen();
    toast->setGeometry(toastFrame(screen ? std::optional<QRect>(screen->availableGeometry()) : std::nullopt));
    toast->setCardOpacity(0.0);
    toast->present(overlayCards ? overlayCards->create(toast->size(), topOffset) : nullptr);

    auto* fadeIn = new QPropertyAnimation(toast.get(), "cardOpacity", toast.get());
    fadeIn->setDuration(fadeInMs);
    fadeIn->setEndValue(1.0);
    fadeIn->start(QAbstractAnimation::DeleteWhenStopped);

    const QPointer<ReminderSkipToast> weakToast(toast.get());
    toastWindows.push_back(std::move(toast));
    clock.callLater(this, toastDuration, [this, weakToast] {
        if (weakToast) {
            fadeOut(weakToast);
        }
    });
}

void ReminderSkipFeedbackPresenter::fadeOut(ReminderSkipToast* toast) {
    auto* animation = new QPropertyAnimation(toast, "cardOpacity", toast);
    animation->setDuration(fadeOutMs);
    animation->setEndValue(0.0);
    const QPointer<ReminderSkipFeedbackPresenter> self(this);
    connect(animation, &QPropertyAnimation::finished, toast, [self, toast] {
        toast->dismiss();
        if (!self) {
            return;
        }
        auto& windows = self->toastWindows;
        const auto it = std::find_if(windows.begin(), windows.end(),
                                     [toast](const auto& window) { return window.get() == toast; });
        if (it != windows.end()) {
            // Freed once the animation that calls this has returned.
            it->release()->deleteLater();
            windows.erase(it);
        }
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}
