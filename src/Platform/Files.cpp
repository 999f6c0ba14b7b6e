#include "Platform/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

std::optional<QString> replaceFile(const QString& path, const QByteArray& bytes) {
    // QSaveFile writes to a link's target; with the link gone it makes a file of its own.
    QFile link(path);
    if (QFileInfo(path).isSymbolicLink() && !link.remove()) {
        return link.errorString();
    }
    QSaveFile file(path);
    bool saved = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    // commit() alone would put a half-written file in place when the final
    // flush hits a full disk, so a failed flush cancels the save first.
    if (saved && !file.flush()) {
        file.cancelWriting();
        saved = false;
    }
    if (!saved || !file.commit()) {
        return file.errorString();
    }
    return std::nullopt;
}

void ignoreRelativeBaseFolders() {
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        if (qEnvironmentVariableIsSet(name) && !QDir::isAbsolutePath(qEnvironmentVariable(name))) {
            qunsetenv(name);
        }
    }
}
