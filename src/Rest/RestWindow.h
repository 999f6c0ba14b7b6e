#pragma once

#include <QWidget>

// A borderless window over one whole screen, above panels and other windows.
// It takes keyboard focus so the rest view sees the space bar.
class RestWindow : public QWidget {
    Q_OBJECT
public:
    explicit RestWindow(const QRect& screenFrame, QWidget* parent = nullptr);

    // Replaces the hosted view; the old one is deleted.
    void setContentView(QWidget* view);
    QWidget* contentView() const { return content; }
    void setFrame(const QRect& screenFrame);
    void orderFrontAndFocus();
    void orderOut();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* content = nullptr;
};
