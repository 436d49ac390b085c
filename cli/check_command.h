// `kestrova-cli check`: reads RealMedia files as a merge reads its sources
// and tells what in them is not sound.
#pragma once

#include <string>
#include <vector>

struct CheckOptions {
    bool json = false;       // one JSON array, in the order of the files
    bool jsonLines = false;  // one JSON object per file as it finishes, and a summary line
    bool recursive = false;  // folders are walked for RealMedia files
    unsigned jobs = 1;       // files checked at once
    // The code page the files' texts are read in; empty: the one detected.
    std::string textEncoding;
};

// Checks the files given and, with `recursive`, the RealMedia files in the
// folders given. The report of each file is printed in the order given
// (as it finishes with jsonLines), whatever the number of jobs. Returns
// the exit status: 0 when no file has a problem, 1 when one has, 2 when a
// file or folder cannot be opened.
int checkCommand(const std::vector<std::string>& paths, const CheckOptions& options);
