// kestrova's command line: the files to add when the dialog opens, and the
// options answered before any window opens.
#pragma once

#include <optional>
#include <vector>

#include "framework/afx.h"

// What the arguments Qt left ask for: files to add, in order, or a problem.
struct CommandLine {
    std::vector<CString> files;  // full paths, as Add lists them
    CString problem;  // empty when the arguments make sense
};

// Answers --version and --help (-h) before "--": prints the answer and
// returns the exit status. No value for any other command line. Needs no
// display, so it runs before Qt starts.
std::optional<int> AnswerInformationOption(int argc, char** argv);

// Reads the arguments Qt left: FILE... with "--" ending the options. Any
// option left is one the program does not know.
CommandLine ParseCommandLine(const std::vector<CString>& arguments);

// Tells the user on stderr what is wrong with the command line, with the
// usage; returns the exit status for bad usage.
int ReportCommandLineProblem(const CString& problem);
