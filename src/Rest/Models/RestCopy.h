#pragma once

#include <QStringList>

// The fixed lines of the rest view.
namespace RestCopy {

// One is shown per appearance of a rest view.
const QStringList& tips();
// One is shown, and handed to the owner, per completed hold.
const QStringList& skipFeedbackLines();

inline const QString skipLabel = QStringLiteral("跳过");
inline const QString skipHint = QStringLiteral("长按 1.5 秒跳过（眼睛会记账）");
inline const QString feedbackHeading = QStringLiteral("已跳过");

} // namespace RestCopy
