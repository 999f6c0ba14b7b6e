#include "Stats/UI/StatsReportView.h"
#include "Platform/Desktop/Fonts.h"
#include "Stats/StatsReportText.h"

#include <QConicalGradient>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

QColor white(double opacity) {
    return QColor::fromRgbF(1, 1, 1, static_cast<float>(opacity));
}

QColor rgb(double red, double green, double blue) {
    return QColor::fromRgbF(static_cast<float>(red), static_cast<float>(green), static_cast<float>(blue));
}

QLabel* makeLabel(const QString& text, const QFont& font, const QColor& color, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}

QLabel* makeSectionTitle(const QString& text, QWidget* parent) {
    return makeLabel(text, systemFont(17, QFont::ExtraBold), Qt::white, parent);
}

void fillRounded(QPainter& painter, const QRectF& rect, double radius, const QColor& color) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawRoundedRect(rect, radius, radius);
}

// A translucent rounded plate behind a card or a row; what lies on it is
// laid out inside its margins, so nothing reaches past the corners.
class Panel : public QWidget {
public:
    Panel(const QColor& fill, const QColor& outline, QWidget* parent)
        : QWidget(parent)
        , fill(fill)
        , outline(outline) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        fillRounded(painter, rect(), 8, fill);
        if (outline.alpha() > 0) {
            painter.setPen(QPen(outline, 1));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
        }
    }

private:
    QColor fill;
    QColor outline;
};

// One line of text that shrinks down to minimumScale of its size before it
// would be cut, and only then elides.
class FitLabel : public QWidget {
public:
    FitLabel(const QString& text, const QFont& font, const QColor& color, double minimumScale,
             QWidget* parent)
        : QWidget(parent)
        , text(text)
        , color(color)
        , minimumScale(minimumScale) {
        setFont(font);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override {
        const QFontMetricsF metrics(font());
        return QSize(static_cast<int>(std::ceil(metrics.horizontalAdvance(text))),
                     static_cast<int>(std::ceil(metrics.height())));
    }
    QSize minimumSizeHint() const override { return QSize(0, sizeHint().height()); }

protected:
    void paintEvent(QPaintEvent*) override {
        QFont drawn = font();
        const double natural = QFontMetricsF(drawn).horizontalAdvance(text);
        if (natural > width()) {
            const double scale = std::max(minimumScale, width() / natural);
            drawn.setPixelSize(std::max(1, static_cast<int>(std::floor(font().pixelSize() * scale))));
        }
        QPainter painter(this);
        painter.setFont(drawn);
        painter.setPen(color);
        const QString line = QFontMetricsF(drawn).elidedText(text, Qt::ElideRight, width());
        painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, line);
    }

private:
    QString text;
    QColor color;
    double minimumScale;
};

class Dot : public QWidget {
public:
    Dot(const QColor& color, QWidget* parent)
        : QWidget(parent)
        , color(color) {
        setFixedSize(8, 8);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawEllipse(rect());
    }

private:
    QColor color;
};

// The maintenance score as a ring filled clockwise from the top.
class ScoreRing : public QWidget {
public:
    ScoreRing(int score, QWidget* parent)
        : QWidget(parent)
        , score(score) {
        setFixedSize(118, 118);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        constexpr double lineWidth = 12;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF ring =
            QRectF(rect()).adjusted(lineWidth / 2, lineWidth / 2, -lineWidth / 2, -lineWidth / 2);

        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(white(0.12), lineWidth, Qt::SolidLine, Qt::FlatCap));
        painter.drawEllipse(ring);

        if (score > 0) {
            // Symmetric stops, so the gradient reads the same either way round.
            QConicalGradient gradient(ring.center(), 90);
            gradient.setColorAt(0, rgb(0.09, 0.86, 0.78));
            gradient.setColorAt(0.5, rgb(1.0, 0.78, 0.18));
            gradient.setColorAt(1, rgb(0.09, 0.86, 0.78));
            painter.setPen(QPen(QBrush(gradient), lineWidth, Qt::SolidLine, Qt::RoundCap));
            painter.drawArc(ring, 90 * 16, -static_cast<int>(std::lround(score / 100.0 * 360 * 16)));
        }

        const QFont numberFont = systemFont(34, QFont::ExtraBold);
        const QFont captionFont = systemFont(12, QFont::Bold);
        const double numberHeight = QFontMetricsF(numberFont).height();
        const double captionHeight = QFontMetricsF(captionFont).height();
        const double top = (height() - numberHeight - captionHeight) / 2;
        painter.setFont(numberFont);
        painter.setPen(Qt::white);
        painter.drawText(QRectF(0, top, width(), numberHeight), Qt::AlignCenter, QString::number(score));
        painter.setFont(captionFont);
        painter.setPen(white(0.58));
        painter.drawText(QRectF(0, top + numberHeight, width(), captionHeight), Qt::AlignCenter,
                         QStringLiteral("维护分"));
    }

private:
    int score;
};

// One day: its key, the done and skipped bars on a track, and the counts.
class DayRow : public QWidget {
public:
    DayRow(StatsDayBar bar, QWidget* parent)
        : QWidget(parent)
        , bar(std::move(bar))
        , counts(QStringLiteral("完成 %1 · 跳过 %2").arg(this->bar.done).arg(this->bar.skipped)) {
        setObjectName(QStringLiteral("dayRow"));
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override {
        const double text = std::max(QFontMetricsF(keyFont).height(), QFontMetricsF(countFont).height());
        return QSize(keyWidth + countsWidth() + 200, static_cast<int>(std::ceil(std::max(text, 12.0))) + 24);
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override {
        constexpr double padding = 14;
        constexpr double spacing = 14;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        fillRounded(painter, rect(), 8, white(0.045));

        painter.setFont(keyFont);
        painter.setPen(white(0.68));
        painter.drawText(QRectF(padding, 0, keyWidth, height()), Qt::AlignLeft | Qt::AlignVCenter,
                         bar.dayKey);

        const double boxWidth = countsWidth();
        painter.setFont(countFont);
        painter.setPen(white(0.7));
        painter.drawText(QRectF(width() - padding - boxWidth, 0, boxWidth, height()),
                         Qt::AlignRight | Qt::AlignVCenter, counts);

        const double left = padding + keyWidth + spacing;
        const double track = std::max(0.0, width() - padding - boxWidth - spacing - left);
        const double top = (height() - 12) / 2.0;
        fillRounded(painter, QRectF(left, top, track, 12), 5, white(0.07));
        const double doneWidth = std::max(track * bar.doneShare, 0.0);
        const double gap = doneWidth > 0 ? 3 : 0;
        // The gap comes out of the skipped bar, so the busiest day stays on its track.
        const double skippedWidth =
            std::clamp(track * bar.skippedShare, 0.0, std::max(0.0, track - doneWidth - gap));
        if (doneWidth > 0) {
            fillRounded(painter, QRectF(left, top, doneWidth, 12), 5, rgb(0.10, 0.82, 0.72));
        }
        if (skippedWidth > 0) {
            fillRounded(painter, QRectF(left + doneWidth + gap, top, skippedWidth, 12), 5,
                        rgb(1.0, 0.65, 0.18));
        }
    }

private:
    // The counts box is 100 wide, and wider rather than cut for large counts.
    double countsWidth() const {
        return std::max(100.0, std::ceil(QFontMetricsF(countFont).horizontalAdvance(counts)));
    }

    static constexpr int keyWidth = 92;
    StatsDayBar bar;
    QString counts;
    QFont keyFont = systemFont(12, QFont::Bold);
    QFont countFont = systemFont(12, QFont::DemiBold);
};

// One event of the timeline: its icon, its description and its time.
class TimelineRow : public QWidget {
public:
    TimelineRow(QString icon, QString text, QString time, QWidget* parent)
        : QWidget(parent)
        , icon(std::move(icon))
        , text(std::move(text))
        , time(std::move(time)) {
        setObjectName(QStringLiteral("timelineRow"));
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override {
        const double lines = QFontMetricsF(textFont).height() + 4 + QFontMetricsF(timeFont).height();
        return QSize(200,
                     static_cast<int>(std::ceil(std::max(lines, QFontMetricsF(iconFont).height()))) + 20);
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override {
        constexpr double padX = 14;
        constexpr double padY = 10;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        fillRounded(painter, rect(), 8, white(0.055));

        const QFontMetricsF textMetrics(textFont);
        painter.setFont(iconFont);
        painter.setPen(Qt::white);
        painter.drawText(QRectF(padX, padY, 24, QFontMetricsF(iconFont).height()),
                         Qt::AlignHCenter | Qt::AlignTop, icon);

        const double left = padX + 24 + 10;
        const double available = std::max(0.0, width() - left - padX);
        painter.setFont(textFont);
        painter.setPen(white(0.88));
        painter.drawText(QRectF(left, padY, available, textMetrics.height()), Qt::AlignLeft | Qt::AlignTop,
                         textMetrics.elidedText(text, Qt::ElideRight, available));
        painter.setFont(timeFont);
        painter.setPen(white(0.45));
        painter.drawText(
            QRectF(left, padY + textMetrics.height() + 4, available, QFontMetricsF(timeFont).height()),
            Qt::AlignLeft | Qt::AlignTop, time);
    }

private:
    QString icon;
    QString text;
    QString time;
    QFont iconFont = systemFont(15, QFont::Normal);
    QFont textFont = systemFont(13, QFont::DemiBold);
    QFont timeFont = systemFont(11, QFont::Medium);
};

QWidget* makeMetricCard(const StatsMetricCard& card, QWidget* parent) {
    auto* panel = new Panel(white(0.075), white(0.08), parent);
    panel->setFixedHeight(126);
    panel->setMinimumWidth(10);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(10);
    column->addStretch();

    auto* heading = new QHBoxLayout;
    heading->setSpacing(8);
    heading->addWidget(new Dot(card.accent, panel), 0, Qt::AlignVCenter);
    heading->addWidget(new FitLabel(card.title, systemFont(12, QFont::Bold), white(0.62), 0.75, panel), 1);
    column->addLayout(heading);
    column->addWidget(new FitLabel(
        card.value, systemFont(StatsReportView::metricValuePixelSize(card.value), QFont::ExtraBold),
        Qt::white, 0.72, panel));
    column->addWidget(new FitLabel(card.subtitle, systemFont(12, QFont::Medium), white(0.48), 0.75, panel));
    column->addStretch();
    return panel;
}

QVBoxLayout* makeColumn(QWidget* owner, int spacing) {
    auto* column = new QVBoxLayout(owner);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(spacing);
    return column;
}

} // namespace

StatsReportView::StatsReportView(StatsReport report, QWidget* parent)
    : QWidget(parent)
    , shown(std::move(report)) {
    setMinimumSize(820, 620);

    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setAutoFillBackground(false);
    scroll->viewport()->setAutoFillBackground(false);
    // A light scroll bar on the dark page.
    scroll->verticalScrollBar()->setStyleSheet(QStringLiteral(
        "QScrollBar:vertical { background: transparent; width: 10px; margin: 2px; }"
        "QScrollBar::handle:vertical { background: rgba(255, 255, 255, 70); border-radius: 3px; min-height: "
        "32px; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }"));

    auto* page = new QWidget(scroll);
    auto* blocks = new QVBoxLayout(page);
    blocks->setContentsMargins(28, 28, 28, 28);
    blocks->setSpacing(22);
    blocks->addWidget(makeHeader());
    blocks->addWidget(makeOverview());
    blocks->addWidget(makeDailySection());
    if (showsTimeline(shown.scope)) {
        blocks->addWidget(makeTimelineSection());
    }
    blocks->addStretch();
    scroll->setWidget(page);
    // The scroll area paints its page opaque; the gradient behind has to show.
    page->setAutoFillBackground(false);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->addWidget(scroll);
}

QWidget* StatsReportView::makeHeader() {
    auto* header = new QWidget(this);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(18);

    auto* left = new QVBoxLayout;
    left->setSpacing(8);
    left->addWidget(makeLabel(StatsReportText::title(shown.scope.kind), systemFont(32, QFont::ExtraBold),
                              Qt::white, header));
    left->addWidget(makeLabel(shown.rangeText + QStringLiteral(" · ") + shown.generatedAtText,
                              systemFont(13, QFont::Medium), white(0.62), header));
    left->addSpacing(4);
    left->addWidget(
        makeLabel(shown.summaryLine, systemFont(15, QFont::DemiBold), rgb(1.0, 0.86, 0.33), header));
    row->addLayout(left);
    row->addStretch(1);

    const int score = StatsReportText::maintenanceScore(shown.total);
    auto* right = new QVBoxLayout;
    right->setSpacing(6);
    right->addWidget(new ScoreRing(score, header), 0, Qt::AlignHCenter);
    right->addWidget(
        makeLabel(StatsReportText::scoreLabel(score), systemFont(12, QFont::DemiBold), white(0.7), header), 0,
        Qt::AlignHCenter);
    row->addLayout(right);
    return header;
}

QWidget* StatsReportView::makeOverview() {
    auto* overview = new QWidget(this);
    auto* grid = new QGridLayout(overview);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(12);
    const QList<StatsMetricCard> cards = metricCards(shown.total);
    for (int column = 0; column < cards.size(); ++column) {
        grid->addWidget(makeMetricCard(cards.at(column), overview), 0, column);
        grid->setColumnStretch(column, 1);
    }
    return overview;
}

QWidget* StatsReportView::makeDailySection() {
    auto* section = new QWidget(this);
    auto* column = makeColumn(section, 12);
    column->addWidget(makeSectionTitle(QStringLiteral("每日维护轨迹"), section));
    auto* rows = new QVBoxLayout;
    rows->setSpacing(10);
    for (const StatsDayBar& bar : dayBars(shown.days)) {
        rows->addWidget(new DayRow(bar, section));
    }
    column->addLayout(rows);
    return section;
}

QWidget* StatsReportView::makeTimelineSection() {
    auto* section = new QWidget(this);
    section->setObjectName(QStringLiteral("timeline"));
    auto* column = makeColumn(section, 12);
    column->addWidget(makeSectionTitle(QStringLiteral("今日流水小本本"), section));

    if (shown.events.isEmpty()) {
        auto* panel = new Panel(white(0.055), Qt::transparent, section);
        auto* inside = new QVBoxLayout(panel);
        inside->setContentsMargins(18, 18, 18, 18);
        QLabel* empty = makeLabel(QStringLiteral("身体客服今天还没开张，先喝口水也算给报表开光。"),
                                  systemFont(14, QFont::DemiBold), white(0.65), panel);
        empty->setObjectName(QStringLiteral("emptyTimeline"));
        empty->setWordWrap(true);
        inside->addWidget(empty);
        column->addWidget(panel);
        return section;
    }

    auto* rows = new QVBoxLayout;
    rows->setSpacing(8);
    for (const StatsEvent& event : shown.events) {
        rows->addWidget(new TimelineRow(StatsReportText::eventIcon(event.type),
                                        StatsReporter::eventText(event),
                                        StatsReportText::timeText(event.timestamp), section));
    }
    column->addLayout(rows);
    return section;
}

void StatsReportView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient gradient(rect().topLeft(), rect().bottomRight());
    gradient.setColorAt(0, rgb(0.06, 0.08, 0.10));
    gradient.setColorAt(0.5, rgb(0.10, 0.12, 0.13));
    gradient.setColorAt(1, rgb(0.07, 0.10, 0.12));
    painter.fillRect(rect(), gradient);
}

QList<StatsMetricCard> StatsReportView::metricCards(const StatsDaySummary& total) {
    const QList<QColor> accents = {QColor(90, 200, 245), QColor(106, 196, 220), rgb(0.15, 0.72, 1.0),
                                   rgb(0.70, 0.80, 1.0)};
    QList<StatsMetricCard> cards;
    for (const StatsReportText::Metric& metric : StatsReportText::metrics(total)) {
        cards.append({metric.title, metric.value, metric.subtitle, accents.at(cards.size())});
    }
    return cards;
}

int StatsReportView::metricValuePixelSize(const QString& value) {
    return value.size() < 9 ? 28 : 18;
}

QList<StatsDayBar> StatsReportView::dayBars(const QList<StatsDaySummary>& days) {
    qint64 peak = 1;
    for (const StatsDaySummary& day : days) {
        peak = std::max(peak, StatsReportText::doneCount(day) + StatsReportText::skippedCount(day));
    }
    QList<StatsDayBar> bars;
    bars.reserve(days.size());
    for (const StatsDaySummary& day : days) {
        const qint64 done = StatsReportText::doneCount(day);
        const qint64 skipped = StatsReportText::skippedCount(day);
        bars.append({day.dayKey, done, skipped, static_cast<double>(done) / static_cast<double>(peak),
                     static_cast<double>(skipped) / static_cast<double>(peak)});
    }
    return bars;
}

bool StatsReportView::showsTimeline(const StatsReportScope& scope) {
    return scope.kind == StatsReportScope::Kind::day;
}
