// `kestrova-cli list`: the usable streams of RealMedia files.
#pragma once

#include <string>
#include <vector>

// Shows each file's texts in UTF-8, read in `textEncoding` when it is not
// empty, else in the code page detected for them. Returns the exit status:
// 0 when every file was listed, 2 when a file could not be opened, and
// otherwise 1 when a file was refused as not usable.
int listCommand(const std::vector<std::string>& files, bool json, const std::string& textEncoding = {});
