// Texts written in a legacy code page for the tests, by the system's iconv.
#pragma once

#include <string>

namespace testing_rm {

// `utf8` in `encoding` ("GBK", "WINDOWS-1251"...); a text the code page
// cannot hold fails the calling test.
std::string inCodePage(const std::string& encoding, const std::string& utf8);

}  // namespace testing_rm
