// A file's texts as the front ends show them, in UTF-8: its content
// description and its file-info properties, all read in one code page.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "mux/source_details.h"

namespace text {

// Puts the texts in UTF-8, in place. With an `encoding` (a name iconv
// knows), every text is read in it. Without one, a text that is valid UTF-8
// stays as it is, and the others are read in the code page detected for all
// of them together. Returns the code page the texts that were not UTF-8
// were read in ("UTF-8" when there were none).
std::string ShowAsUtf8(const std::vector<std::string*>& texts, const std::string& encoding = {});

// The same for a file's title, author, copyright and comment, and the names
// and text values of its properties.
std::string ShowTextsAsUtf8(FileTexts& texts, const std::string& encoding = {});

// What a merge job calls for the texts it keeps beside given ones
// (MuxJob::keptTextsToUtf8): ShowAsUtf8 with `encoding`.
std::function<void(std::vector<std::string>& texts)> KeptTextsToUtf8(const std::string& encoding = {});

}  // namespace text
