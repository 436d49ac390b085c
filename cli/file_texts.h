// How kestrova-cli prints a file's texts (already in UTF-8): the lines of
// its content description in a report, and the members of its JSON.
#pragma once

#include <string>

#include "mux/source_details.h"

// A line per text the content description has ("  Title: ...\n"), each
// kept on one line; a text of nothing but NULs (some writers fill an unused
// field with them) is left out.
std::string contentLines(const FileTexts& texts);

// ", \"title\": ..., \"author\": ..., \"copyright\": ..., \"comment\": ..."
std::string jsonContentMembers(const FileTexts& texts);

// The file-info properties as one JSON object: numbers as numbers, texts as
// strings; buffers, whose bytes only their writer reads, are left out. A
// name given twice keeps the place of its first and the value of its last.
std::string jsonProperties(const FileTexts& texts);
