#pragma once

#include <QList>
#include <QObject>
#include <QRect>

class QScreen;

// The attached screens in the platform's order, as frames in the virtual desktop.
class Screens : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual QList<QRect> frames() const = 0;

Q_SIGNALS:
    // A screen was attached or detached, or its frame moved or resized.
    void changed();
};

class QtScreens final : public Screens {
    Q_OBJECT
public:
    explicit QtScreens(QObject* parent = nullptr);
    QList<QRect> frames() const override;

    // The screen whose frame this is, or the one under its centre.
    static QScreen* screenFor(const QRect& frame);

private:
    void watch(QScreen* screen);
};
