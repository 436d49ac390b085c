// Taking --text-encoding NAME from a command's arguments.
#include "cli/text_encoding_option.h"

#include "text/text_encoding.h"

bool takeTextEncoding(const std::vector<std::string>& args, std::size_t& i, std::string& encoding,
                      std::string& problem)
{
    static const std::string kOption = "--text-encoding";
    const std::string& arg = args[i];
    std::string name;
    if (arg == kOption) {
        if (i + 1 == args.size()) {
            problem = kOption + " needs a NAME, such as GBK, BIG5, SHIFT_JIS or WINDOWS-1251";
            return true;
        }
        name = args[++i];
    } else if (arg.compare(0, kOption.size() + 1, kOption + "=") == 0) {
        name = arg.substr(kOption.size() + 1);
    } else {
        return false;
    }
    if (!text::IsKnownEncoding(name)) {
        problem = "unknown text encoding \"" + name + "\": give a name iconv knows (iconv --list shows them), "
                  "such as GBK, BIG5, SHIFT_JIS, WINDOWS-1251 or WINDOWS-1252";
        return true;
    }
    encoding = name;
    problem.clear();
    return true;
}
