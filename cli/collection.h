// Gathering the files of a check: the paths given, and the RealMedia files
// inside the folders given, walked to any depth.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Collection {
    std::vector<std::string> files;  // in the order given; each folder's files sorted by path
    uint64_t skipped = 0;            // files in the folders that are not RealMedia by their name
    // Folders given without `recursive`, and folders or entries that
    // could not be read: "PATH: why".
    std::vector<std::string> errors;
};

// Whether a name ends in ".rm", ".rmvb" or ".ra", in any case.
bool hasRealMediaName(const std::string& path);

// Files given are taken whatever their name; a folder is walked when
// `recursive`, taking the files with a RealMedia name and counting the rest.
Collection gatherFiles(const std::vector<std::string>& paths, bool recursive);
