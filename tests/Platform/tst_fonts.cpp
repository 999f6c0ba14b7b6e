// Emoji come out in colour wherever the system draws text: through the
// fonts every view and menu uses, and through drawText() for the emoji whose
// base character the CJK face also carries as a black-and-white glyph.
#include "Platform/Desktop/Fonts.h"
#include "Platform/Memory.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTest>

class FontsTest : public QObject {
    Q_OBJECT

private:
    // Pixels whose channels differ clearly: a grey or white glyph has none.
    static int colouredPixels(const QImage& image) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                count +=
                    std::max({std::abs(pixel.red() - pixel.green()), std::abs(pixel.green() - pixel.blue()),
                              std::abs(pixel.red() - pixel.blue())}) > 60;
            }
        }
        return count;
    }

    // Kilobytes of font files mapped into this process and resident.
    static long fontFilePages() {
        QFile smaps(QStringLiteral("/proc/self/smaps"));
        if (!smaps.open(QIODevice::ReadOnly)) {
            return -1;
        }
        long total = 0;
        bool font = false;
        for (const QByteArray& line : smaps.readAll().split('\n')) {
            if (!line.isEmpty() && std::isxdigit(static_cast<unsigned char>(line.at(0))) &&
                line.contains('-')) {
                const QByteArray name = line.toLower();
                font = name.endsWith(".ttc") || name.endsWith(".otf") || name.endsWith(".ttf");
            } else if (font && line.startsWith("Rss:")) {
                total += line.mid(4).trimmed().split(' ').first().toLong();
            }
        }
        return total;
    }

    // Centred and wrapped in a 240 × 120 box.
    static QImage drawn(const QString& text, qreal ratio = 1, bool throughDrawText = false) {
        QImage image(QSize(240, 120) * ratio, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::black);
        QPainter painter(&image);
        painter.setFont(systemFont(28));
        painter.setPen(Qt::white);
        const QRectF box(0, 0, 240, 120);
        const int flags = Qt::AlignCenter | Qt::TextWordWrap;
        if (throughDrawText) {
            drawText(painter, box, flags, text);
        } else {
            painter.drawText(box, flags, text);
        }
        return image;
    }

private Q_SLOTS:
    void emojiAreInColour_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("throughDrawText");
        QTest::addColumn<bool>("coloured");
        // The theme icons and the first character of every skip feedback line.
        QTest::newRow("bolt, plain drawing") << QStringLiteral("\u26A1\uFE0F") << false << true;
        QTest::newRow("bolt") << QStringLiteral("\u26A1\uFE0F") << true << true;
        QTest::newRow("park") << QStringLiteral("\U0001F3DE\uFE0F") << true << true;
        QTest::newRow("sparkles") << QStringLiteral("\u2728") << false << true;
        QTest::newRow("warning line")
            << QStringLiteral("\u26A0\uFE0F 可以跳过，但眼睛已经记账了") << true << true;
        QTest::newRow("warning line, wrapped")
            << QStringLiteral("\u26A0\uFE0F 别让眼睛替你的 deadline 继续加班") << true << true;
        // Without the selector the warning sign keeps its text style.
        QTest::newRow("warning sign as text") << QStringLiteral("\u26A0 注意") << true << false;
    }
    void emojiAreInColour() {
        QFETCH(QString, text);
        QFETCH(bool, throughDrawText);
        QFETCH(bool, coloured);
        for (const qreal ratio : {1.0, 2.0}) {
            const int count = colouredPixels(drawn(text, ratio, throughDrawText));
            QVERIFY2(coloured ? count > 40 * ratio * ratio : count == 0,
                     qPrintable(QStringLiteral("%1 coloured pixels at ratio %2").arg(count).arg(ratio)));
        }
    }

    // After a rest the pages its text read from the font files go back to
    // the system; text drawn later looks the same.
    void fontPagesGoBack() {
        const QString text = QStringLiteral("闭上眼睛，让它们休息一下");
        const QImage before = drawn(text);
        QVERIFY(fontFilePages() > 0);
        releaseMappedFontPages();
        QCOMPARE(fontFilePages(), 0);
        QCOMPARE(drawn(text), before);
    }
};

QTEST_MAIN(FontsTest)
#include "tst_fonts.moc"
