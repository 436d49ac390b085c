// `kestrova-cli check`: reads RealMedia files as a merge reads its sources
// and tells what in them is not sound.
#pragma once

#include <string>
#include <vector>

// Shows each file's texts in UTF-8, read in `textEncoding` when it is not
// empty, else in the code page detected for them. Returns the exit status:
// 0 when no file has a problem, 1 when one has, 2 when a file cannot be
// opened.
int checkCommand(const std::vector<std::string>& files, bool json, const std::string& textEncoding = {});
