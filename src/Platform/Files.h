#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Replaces the file at path with bytes in one step: a reader sees the old file
// or the new one, never half of one, and a failure leaves the old one whole.
// A symbolic link at path is replaced itself, never followed, so a link left
// in one of Tavo's folders cannot make it overwrite a file elsewhere.
// Returns the error, if any.
std::optional<QString> replaceFile(const QString& path, const QByteArray& bytes);
