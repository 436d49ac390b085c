// A scanned file's texts as the front ends show them: its content
// description, its file-info properties and its stream names, in UTF-8.
#pragma once

#include <string>
#include <vector>

#include "mux/source_details.h"

namespace text {

// Puts every text of `details` and every one of `streamNames` in UTF-8, in
// place: read in `encoding` when it is given (a name iconv knows), otherwise
// in the code page detected for all of them together. Returns the code page
// they were read in.
std::string ShowTextsAsUtf8(SourceDetails& details, std::vector<std::string>& streamNames,
                            const std::string& encoding = {});

}  // namespace text
