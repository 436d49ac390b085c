// Times as users write them ("90.5", "1:30", "0:01:30.250") and as reports show them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Seconds ("90", "90.5") or [[hh:]mm:]ss[.mmm] ("1:30", "0:01:30.250"), in
// ms; nothing when the text is not such a time. Minutes and seconds after
// a colon are below 60; at most three decimals; the result fits 32 bits.
std::optional<uint32_t> parseMediaTime(const std::string& text);

// "59.960 s" below a minute, "2:30.040" or "1:02:30.040" above.
std::string formatMediaTime(uint32_t ms);
