#include "programs/page_options.h"

#include <cstring>

#include "programs/options.h"

namespace {

constexpr int32_t kMaxStillMs = 3600000;
constexpr int32_t kMaxFps = 1000; // demo times are whole milliseconds
// A value is quoted back in the page's sentence up to this many characters: an address can be
// as long as a browser allows.
constexpr size_t kQuotedValueLength = 24;

// Whole decimal numbers only, up to limit.
bool ParseWhole(const std::string& text, int32_t limit, int32_t* out) {
    if (text.empty()) return false;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
        if (value > limit) return false;
    }
    *out = static_cast<int32_t>(value);
    return true;
}

// The player's messages name its option; the page's reader sees the address instead.
std::string AsQueryMessage(std::string message) {
    const std::string option = "--size";
    const size_t at = message.find(option);
    if (at != std::string::npos) {
        const bool spaced = message.compare(at + option.size(), 1, " ") == 0 &&
                            message.compare(at + option.size() + 1, 5, "wants") != 0;
        message.replace(at, option.size() + (spaced ? 1 : 0), spaced ? "?size=" : "?size");
    }
    return message;
}

std::string Quoted(const std::string& value) {
    if (value.size() <= kQuotedValueLength) return value;
    return value.substr(0, kQuotedValueLength) + "...";
}

bool TakeOption(const std::string& name, const std::string& value, PageOptions* options,
                std::string* error) {
    if (name == "size") {
        if (value == "native") {
            options->nativeSize = true;
            return true;
        }
        // Too long for any size: refused on its first characters.
        const std::string judged = Quoted(value);
        if (ParseFrameSize(judged.c_str(), &options->frameWidth, &options->frameHeight, error))
            return true;
        *error = AsQueryMessage(*error);
        return false;
    }
    if (name == "still") {
        if (ParseWhole(value, kMaxStillMs, &options->stillMs)) return true;
        *error = "?still wants whole milliseconds from 0 to " + std::to_string(kMaxStillMs) +
                 ", not '" + Quoted(value) + "'";
        return false;
    }
    if (ParseWhole(value, kMaxFps, &options->fps) && options->fps >= 1) return true;
    *error = "&fps wants a whole number from 1 to " + std::to_string(kMaxFps) + ", not '" +
             Quoted(value) + "'";
    return false;
}

} // namespace

bool ParsePageQuery(const char* query, PageOptions* options, std::string* error) {
    *options = PageOptions{};
    if (*query == '?') ++query;
    bool seenSize = false, seenStill = false, seenFps = false;
    while (*query) {
        const char* end = strchr(query, '&');
        const std::string pair(query, end ? end : query + strlen(query));
        query = end ? end + 1 : query + pair.size();
        const size_t eq = pair.find('=');
        const std::string name = pair.substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : pair.substr(eq + 1);
        bool* seen = name == "size" ? &seenSize : name == "still" ? &seenStill
                   : name == "fps"  ? &seenFps  : nullptr;
        if (!seen) continue;
        if (*seen) {
            *error = name + " is given twice";
            return false;
        }
        *seen = true;
        if (!TakeOption(name, value, options, error)) return false;
    }
    if (seenFps && !seenStill) {
        *error = "&fps sets the rate of a still; it needs ?still=MS";
        return false;
    }
    return true;
}
