// Feeds arbitrary bytes to the photo service's list decoder, which reads as
// it goes. Besides crashes it checks it against the plain reading of the same
// text as a tree: whatever it accepts reads the same there, and whatever
// reads as a list there within the size and depth caps it accepts too.
#include "Wallpapers/PhotoList.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstdlib>

namespace {

int depthOf(const nlohmann::json& value) {
    int deepest = 0;
    if (value.is_structured()) {
        for (const nlohmann::json& child : value) {
            deepest = std::max(deepest, depthOf(child));
        }
        return deepest + 1;
    }
    return 0;
}

std::optional<QStringList> readAsTree(const nlohmann::json& json) {
    if (!json.is_array()) {
        return std::nullopt;
    }
    QStringList ids;
    for (const nlohmann::json& entry : json) {
        const auto id = entry.is_object() ? entry.find("id") : entry.end();
        if (!entry.is_object() || id == entry.end() || !id->is_string()) {
            return std::nullopt;
        }
        ids.append(QString::fromStdString(id->get<std::string>()));
    }
    return ids;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<QStringList> streamed = PhotoList::decodeIds(bytes);
    const nlohmann::json tree = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
    const std::optional<QStringList> expected = tree.is_discarded() ? std::nullopt : readAsTree(tree);
    if (streamed && streamed != expected) {
        std::abort();
    }
    if (!streamed && expected && depthOf(tree) <= PhotoList::maxDepth) {
        std::abort();
    }
    return 0;
}
