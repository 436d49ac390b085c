// `kestrova-cli list`: the usable streams of RealMedia files.
#pragma once

#include <string>
#include <vector>

// Returns the exit status: 0 when every file was accepted, 1 otherwise.
int listCommand(const std::vector<std::string>& files, bool json);
