#pragma once

#include <QByteArrayView>
#include <QStringList>

#include <optional>

// The photo service's list: a JSON array of objects that each carry a string
// "id" (other keys are ignored).
namespace PhotoList {

// A list of 30 entries is a few kilobytes; a body beyond this is not read.
inline constexpr qint64 maxBytes = 1024 * 1024;
// Entries are flat objects; deeper nesting is refused as soon as it is seen.
inline constexpr int maxDepth = 8;

// The ids in list order; none when the body is not such a list, is larger
// than maxBytes or nests deeper than maxDepth. Reads the text as it goes,
// without building a tree of it.
std::optional<QStringList> decodeIds(QByteArrayView body);

} // namespace PhotoList
