#pragma once

#include <QString>

class QIcon;
class QMenu;

// The one item in the system tray that everything hangs off.
class StatusItem {
public:
    virtual ~StatusItem() = default;
    // False when the item has no button to show an icon or tool tip on.
    virtual bool hasButton() const = 0;
    virtual void setIcon(const QIcon& icon) = 0;
    virtual void setToolTip(const QString& toolTip) = 0;
    virtual void setMenu(QMenu* menu) = 0;
    // Whether a tray host shows the item now; without one, Tavo has no icon and no menu.
    virtual bool hasTrayHost() const = 0;
};
