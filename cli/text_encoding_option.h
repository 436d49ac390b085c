// --text-encoding NAME: the code page a command reads the files' texts in,
// taken the same way by every command that shows texts.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// When args[i] is "--text-encoding NAME" or "--text-encoding=NAME", puts
// NAME in `encoding`, moves i onto the last argument the option used, and
// returns true; `problem` then says what is wrong when NAME is missing or is
// no code page iconv knows, and is "" otherwise. Returns false, changing
// nothing, for any other argument.
// The option's lines in a command's usage.
#define TEXT_ENCODING_USAGE \
    "      --text-encoding NAME\n" \
    "                          read the files' texts in code page NAME (GBK, BIG5,\n" \
    "                          SHIFT_JIS, WINDOWS-1251...) instead of detecting it\n"

bool takeTextEncoding(const std::vector<std::string>& args, std::size_t& i, std::string& encoding,
                      std::string& problem);
