#include "Application/AppDelegate.h"

#include <QLabel>
#include <QLineEdit>
#include <QWidget>

std::unique_ptr<QWidget> AppDelegate::formView(const QList<FormRow>& rows) {
    const int n = static_cast<int>(rows.size());
    const int height = n == 0 ? 0 : 24 * n + 10 * (n - 1);
    auto view = std::make_unique<QWidget>();
    view->setFixedSize(256, height);
    for (int i = 0; i < n; ++i) {
        // Rows are placed from the top; the label sits one point above its field.
        const int fieldTop = 34 * i;
        auto* label = new QLabel(rows.at(i).title, view.get());
        label->setGeometry(0, fieldTop - 1, 128, 24);
        QLineEdit* field = rows.at(i).field;
        field->setParent(view.get());
        field->setGeometry(136, fieldTop, 120, 24);
        field->setReadOnly(false);
    }
    return view;
}
