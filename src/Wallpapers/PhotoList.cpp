#include "Wallpapers/PhotoList.h"

#include <nlohmann/json.hpp>

#include <string>

namespace PhotoList {

namespace {

// Collects the ids while the parser reads; answering false stops it at once.
class IdCollector final : public nlohmann::json_sax<nlohmann::json> {
public:
    QStringList ids;

    bool null() override { return scalar(); }
    bool boolean(bool) override { return scalar(); }
    bool number_integer(number_integer_t) override { return scalar(); }
    bool number_unsigned(number_unsigned_t) override { return scalar(); }
    bool number_float(number_float_t, const string_t&) override { return scalar(); }
    bool binary(binary_t&) override { return scalar(); }
    bool string(string_t& value) override {
        if (depth == entryDepth && isIdValue) {
            // Of a key given twice, the last counts.
            if (hasId) {
                ids.removeLast();
            }
            ids.append(QString::fromStdString(value));
            hasId = true;
            isIdValue = false;
            return true;
        }
        return scalar();
    }
    bool start_object(std::size_t) override { return open(true); }
    bool start_array(std::size_t) override { return open(false); }
    bool key(string_t& name) override {
        isIdValue = depth == entryDepth && name == "id";
        return true;
    }
    bool end_object() override {
        if (depth == entryDepth && !hasId) {
            return false;
        }
        --depth;
        return true;
    }
    bool end_array() override {
        --depth;
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }

private:
    static constexpr int listDepth = 1;
    static constexpr int entryDepth = 2;

    // Only the list itself is an array at the top, and only objects are in it.
    bool open(bool isObject) {
        ++depth;
        if (depth > maxDepth || (depth == listDepth && isObject) || (depth == entryDepth && !isObject)) {
            return false;
        }
        if (depth == entryDepth) {
            hasId = false;
        }
        isIdValue = false;
        return true;
    }
    bool scalar() {
        // An "id" that is not a string, or a bare value at the top or in the list.
        const bool fine = depth > entryDepth || (depth == entryDepth && !isIdValue);
        isIdValue = false;
        return fine;
    }

    int depth = 0;
    bool hasId = false;
    bool isIdValue = false;
};

} // namespace

std::optional<QStringList> decodeIds(QByteArrayView body) {
    if (body.size() > maxBytes) {
        return std::nullopt;
    }
    IdCollector collector;
    if (!nlohmann::json::sax_parse(body.begin(), body.end(), &collector)) {
        return std::nullopt;
    }
    return collector.ids;
}

} // namespace PhotoList
