// Parsing and showing times of the media, for the front ends and reports.
#include "mux/media_time.h"

#include <cstdio>
#include <vector>

namespace {

// Digits only, at least one; false past `limit`.
bool parseWhole(const std::string& text, uint64_t limit, uint64_t& value)
{
    if (text.empty() || text.size() > 10)
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return value <= limit;
}

} // namespace

std::optional<uint32_t> parseMediaTime(const std::string& text)
{
    std::vector<std::string> fields;
    std::size_t from = 0;
    for (;;) {
        const std::size_t colon = text.find(':', from);
        fields.push_back(text.substr(from, colon == std::string::npos ? std::string::npos : colon - from));
        if (colon == std::string::npos)
            break;
        from = colon + 1;
    }
    if (fields.size() > 3)
        return std::nullopt;

    // The last field carries the fraction.
    std::string seconds = fields.back();
    uint64_t fractionMs = 0;
    if (const std::size_t dot = seconds.find('.'); dot != std::string::npos) {
        const std::string fraction = seconds.substr(dot + 1);
        uint64_t digits = 0;
        if (fraction.size() > 3 || !parseWhole(fraction, 999, digits))
            return std::nullopt;
        fractionMs = digits * (fraction.size() == 1 ? 100 : fraction.size() == 2 ? 10 : 1);
        seconds.resize(dot);
    }
    uint64_t total = 0;
    uint64_t value = 0;
    // Plain seconds may be any size; after a colon they are below 60.
    if (!parseWhole(seconds, fields.size() == 1 ? 4294967ull : 59, value))
        return std::nullopt;
    total = value;
    if (fields.size() >= 2) {
        if (!parseWhole(fields[fields.size() - 2], fields.size() == 2 ? 71582ull : 59, value))
            return std::nullopt;
        total += value * 60;
    }
    if (fields.size() == 3) {
        if (!parseWhole(fields[0], 1193ull, value))
            return std::nullopt;
        total += value * 3600;
    }
    const uint64_t ms = total * 1000 + fractionMs;
    if (ms > UINT32_MAX)
        return std::nullopt;
    return static_cast<uint32_t>(ms);
}

std::string formatMediaTime(uint32_t ms)
{
    const uint32_t fraction = ms % 1000;
    const uint32_t seconds = ms / 1000;
    char text[32];
    if (seconds < 60)
        std::snprintf(text, sizeof text, "%u.%03u s", seconds, fraction);
    else if (seconds < 3600)
        std::snprintf(text, sizeof text, "%u:%02u.%03u", seconds / 60, seconds % 60, fraction);
    else
        std::snprintf(text, sizeof text, "%u:%02u:%02u.%03u", seconds / 3600, seconds / 60 % 60, seconds % 60,
                      fraction);
    return text;
}
