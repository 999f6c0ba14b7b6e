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

// Unsets XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_CACHE_HOME and XDG_RUNTIME_DIR
// where they hold a relative path. The base-directory rules make such a value
// invalid; Qt 6.4 takes it as it is, which would put Tavo's files (and its
// single-instance lock) under whatever folder it was started from. Without
// them Qt uses the standard places under the home folder.
void ignoreRelativeBaseFolders();
