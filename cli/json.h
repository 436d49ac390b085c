// Writing JSON strings for the command-line output.
#pragma once

#include <string>

// `text` as a quoted JSON string. Valid UTF-8 passes through; any other byte
// is taken as Latin-1, the usual encoding of older RealMedia files.
std::string jsonString(const std::string& text);
