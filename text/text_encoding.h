// The code pages of the texts RealMedia files carry: finding which one a
// file's texts are in, and showing them as UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace text {

// The code page texts are taken to be in when nothing better is known:
// Western Europe's Windows code page, which most RealMedia writers used.
inline constexpr char kFallbackEncoding[] = "WINDOWS-1252";

bool IsUtf8(std::string_view bytes);

// The name iconv knows the code page by ("GBK", "windows-1251", "CP932"...);
// false for a name it does not know.
bool IsKnownEncoding(const std::string& name);

// The code page of one file's texts, all of them taken together: "UTF-8"
// when every one is valid UTF-8 (plain ASCII included); otherwise the one
// uchardet finds for the texts that are not, or kFallbackEncoding when it
// finds none that iconv knows.
std::string DetectEncoding(const std::vector<std::string>& texts);

// `bytes` in `encoding`, as UTF-8. A byte sequence the code page does not
// hold becomes U+FFFD; nothing is dropped silently.
std::string ToUtf8(std::string_view bytes, const std::string& encoding);

}  // namespace text
