#include "Application/AppDelegate.h"

#include "Platform/Alerts.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QCoreApplication>
#include <QPalette>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFrame>
#include <QVBoxLayout>
#include <QWidget>

#include <cmath>

namespace {

enum class AboutStyle { Heading, Lead, Note };

struct AboutPiece {
    QString text;
    AboutStyle style;
};

const QList<AboutPiece>& aboutPieces() {
    static const QList<AboutPiece> pieces = {
        {QStringLiteral("【护眼这块】\n"), AboutStyle::Heading},
        {QStringLiteral("工作可以再干，眼睛别当耗材。盯屏幕盯久了，就去看看远处，眨眨眼，松松肩颈。老板的消息"
                        "会再弹，自己的命只有一条，舒服了再继续卷，不舒服就别硬扛。\n"),
         AboutStyle::Lead},
        {QStringLiteral("可以把 20-20-20 当作轻量节奏：每 20 分钟，让视线离开屏幕，看远一点至少 20 秒。Tavo "
                        "负责把你从连续用眼里拽出来，顺便提醒你眨眨眼、松松肩颈。\n\n"),
         AboutStyle::Note},
        {QStringLiteral("【喝水这块】\n"), AboutStyle::Heading},
        {QStringLiteral("咖啡奶茶快乐水都能喝，但别等身体弹红色警告才想起补水。不是让你猛灌，也不是凑 "
                        "KPI，就小口喝、慢慢来，别把自己熬成风干状态。\n"),
         AboutStyle::Lead},
        {QStringLiteral(
             "喝水不用比赛。把间隔设成自己能坚持的节奏，Tavo 到点提醒你小口补水；完成次数只是记录，"
             "不是 KPI。\n\n"),
         AboutStyle::Note},
        {QStringLiteral("【提肛这块】\n"), AboutStyle::Heading},
        {QStringLiteral(
             "上半身在上班，底盘也得保养。收一收、放一放，呼吸照常，别憋气，别硬练；不舒服就停。\n"),
         AboutStyle::Lead},
        {QStringLiteral("初学时先从轻量开始：收 3 秒、放 3 秒，做一小组就够。Tavo "
                        "只负责到点提醒和记录，不催你加码，也不评价你今天跳过几次。\n\n"),
         AboutStyle::Note},
        {QStringLiteral("最后一句\n"), AboutStyle::Heading},
        {QStringLiteral(
             "钱是老板的，命是自己的。活可以慢慢干，人别嘎。提醒只是辅助，身体发来的信号，别总点“下次"
             "一定”。\n"),
         AboutStyle::Lead},
        {QStringLiteral(
             "Tavo 的目标很小：让你在忙的时候，留一点注意力给自己。舒服、可坚持、不过量，就很好。"),
         AboutStyle::Note},
    };
    return pieces;
}

// Sizes here are screen points (logical pixels), as the alert's geometry is;
// Qt's font points follow the screen's logical DPI, usually 96 rather than 72.
qreal fontPoints(qreal screenPoints) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screenPoints * 72.0 / (screen ? screen->logicalDotsPerInchY() : 96.0);
}

// Font, colour and spacing of one style.
void formatsFor(AboutStyle style, QTextCharFormat& character, QTextBlockFormat& block) {
    const QPalette palette = QApplication::palette();
    QFont font = QApplication::font();
    QColor colour = palette.color(QPalette::Text);
    qreal lineSpacing = 3;
    qreal paragraphSpacing = 3;
    switch (style) {
    case AboutStyle::Heading:
        font.setPointSizeF(fontPoints(13));
        font.setBold(true);
        lineSpacing = 2;
        break;
    case AboutStyle::Lead:
        font.setPointSizeF(fontPoints(12.5));
        font.setWeight(QFont::DemiBold);
        break;
    case AboutStyle::Note:
        font.setPointSizeF(fontPoints(11.5));
        font.setWeight(QFont::Normal);
        // A secondary label: the text colour, toned down.
        colour.setAlphaF(0.55);
        paragraphSpacing = 9;
        break;
    }
    character.setFont(font);
    character.setForeground(colour);
    block.setLineHeight(lineSpacing, QTextBlockFormat::LineDistanceHeight);
    block.setBottomMargin(paragraphSpacing);
}

} // namespace

std::unique_ptr<QTextDocument> AppDelegate::aboutDetailAttributedText() {
    auto document = std::make_unique<QTextDocument>();
    document->setDocumentMargin(0);
    QTextCursor cursor(document.get());
    for (const AboutPiece& piece : aboutPieces()) {
        QTextCharFormat character;
        QTextBlockFormat block;
        formatsFor(piece.style, character, block);
        // Each line break ends a paragraph, and a paragraph is styled by the
        // piece it starts with (every piece starts on a fresh, empty line).
        cursor.setBlockFormat(block);
        cursor.setBlockCharFormat(character);
        const QStringList lines = piece.text.split(u'\n');
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (i > 0) {
                cursor.insertBlock(block, character);
            }
            cursor.insertText(lines.at(i), character);
        }
    }
    return document;
}

int AppDelegate::aboutAccessoryHeight(const QTextDocument& text) {
    std::unique_ptr<QTextDocument> measured(text.clone());
    measured->setDocumentMargin(0);
    measured->setTextWidth(656);
    return static_cast<int>(std::ceil(measured->documentLayout()->documentSize().height())) + 16 + 6;
}

void AppDelegate::showAbout() {
    const std::unique_ptr<QTextDocument> text = aboutDetailAttributedText();
    const int height = aboutAccessoryHeight(*text);

    QWidget accessory;
    accessory.setFixedSize(680, height);
    auto* layout = new QVBoxLayout(&accessory);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* view = new QTextEdit(&accessory);
    view->setReadOnly(true);
    view->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // The button keeps the first focus, so Return answers the alert and no caret shows.
    view->setFocusPolicy(Qt::ClickFocus);
    view->setFrameShape(QFrame::NoFrame);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setLineWrapMode(QTextEdit::WidgetWidth);
    view->setDocument(text.get());
    // The 12 × 8 point inset around the text, inside the text background.
    QTextFrameFormat frame = text->rootFrame()->frameFormat();
    frame.setLeftMargin(12);
    frame.setRightMargin(12);
    frame.setTopMargin(8);
    frame.setBottomMargin(8);
    text->rootFrame()->setFrameFormat(frame);
    layout->addWidget(view);

    Alert alert;
    alert.messageText = QStringLiteral("关于 Tavo");
    alert.informativeText = QStringLiteral("菜单栏状态续命搭子：不帮你卷，只提醒你别嘎。\nV") +
                            QCoreApplication::applicationVersion() + QStringLiteral(" ");
    alert.style = AlertStyle::Informational;
    alert.buttons = {QStringLiteral("下次一定")};
    alert.accessory = &accessory;
    platform.alerts->run(alert);
}
