#pragma once

#include <QList>
#include <QString>

// The user-visible texts of the two body reminders. Every call draws one row
// uniformly at random, so consecutive reminders usually read differently.
namespace TavoCopy {

struct ReminderText {
    QString title;
    QString body;
};

const QList<ReminderText>& hydrationReminders();
const QList<ReminderText>& pelvicFloorReminders();
const QStringList& hydrationLoggedLines();
const QStringList& pelvicFloorLoggedLines();
// Appended, after one empty line, to every pelvic-floor reminder body.
const QString& pelvicFloorHowTo();

ReminderText hydrationReminder();
// The body carries the how-to paragraph.
ReminderText pelvicFloorReminder();
// A logged line; "%d" in it becomes the count.
QString hydrationLoggedLine(int count);
QString pelvicFloorLoggedLine(int count);

} // namespace TavoCopy
