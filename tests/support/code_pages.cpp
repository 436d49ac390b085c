// Converting test texts from UTF-8 into legacy code pages with iconv.
#include "support/code_pages.h"

#include <gtest/gtest.h>
#include <iconv.h>

namespace testing_rm {

std::string inCodePage(const std::string& encoding, const std::string& utf8)
{
    const iconv_t cd = iconv_open(encoding.c_str(), "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        ADD_FAILURE() << "iconv does not know " << encoding;
        return {};
    }
    std::string out(utf8.size() * 4 + 4, '\0');
    char* from = const_cast<char*>(utf8.data());
    std::size_t fromLeft = utf8.size();
    char* to = out.data();
    std::size_t toLeft = out.size();
    if (iconv(cd, &from, &fromLeft, &to, &toLeft) == static_cast<std::size_t>(-1))
        ADD_FAILURE() << encoding << " cannot hold " << utf8;
    iconv_close(cd);
    out.resize(out.size() - toLeft);
    return out;
}

}  // namespace testing_rm
