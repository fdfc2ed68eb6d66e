// The simulated radio's options on a command line, read the same way by every
// tovrak command that starts one.
#pragma once

#include <string>
#include <vector>

#include "hosts/sim/sim_radio.hpp"

namespace tovrak::sim {

// Takes the radio option at args[i] (and its value) into `options`; false if
// it is none of them. Raises std::invalid_argument for a missing or bad value.
bool take_sim_option(const std::vector<std::string>& args, size_t& i, SimOptions& options);

extern const char* const kSimOptionsHelp;

}  // namespace tovrak::sim
