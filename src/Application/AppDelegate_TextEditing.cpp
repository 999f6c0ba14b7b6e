#include "Application/AppDelegate.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace {

// Ctrl+Q from any window of the process, dialogs included, quits through
// quitApp(): there is no menu bar to carry it, and the editing shortcuts
// (cut, copy, paste, select all) come with every text field already.
class QuitShortcut final : public QObject {
public:
    explicit QuitShortcut(AppDelegate* delegate)
        : QObject(delegate)
        , delegate(delegate) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Claiming the override first keeps a widget from taking the keys itself.
        if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_Q)) {
                if (event->type() == QEvent::ShortcutOverride) {
                    event->accept();
                } else if (!key->isAutoRepeat() && !delegate->isQuitting) {
                    delegate->quitApp();
                }
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    AppDelegate* delegate;
};

} // namespace

void AppDelegate::configureMainMenuForTextEditing() {
    QCoreApplication::instance()->installEventFilter(new QuitShortcut(this));
}
