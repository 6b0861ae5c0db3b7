// Starting another program beside Korvel: it runs on its own and outlives us.
#pragma once

#include <string>
#include <vector>

namespace korvel {

// Starts `argv[0]` with the arguments that follow, without waiting for it. False when it
// could not be started.
bool StartProgram(const std::vector<std::string>& argv);

}  // namespace korvel
