// The manual page and the bash completion of the tovrak command, written
// from the commands' own option tables and help texts (the packaging
// builds them with the program, so neither can fall behind it).
#pragma once

#include <string>
#include <vector>

#include "hosts/cli/commands.hpp"
#include "hosts/cli/options.hpp"

namespace tovrak::hosts {

// What the command declares: its options, description and footer, as its
// --help shows them (the command ends before it does anything).
CommandDoc describe(const Command& command);

// The words an argument of a command takes, for completion: those listed
// after "Names:" in its help (one a line, or a list: "Names: freq, mode
// (LSB USB), vfo"), or an argument's "A or B".
std::vector<std::string> listed_names(const std::string& text);

// The manual page, in man(7) form.
std::string man_page(const std::string& version);
// The bash completion script.
std::string bash_completion();

}  // namespace tovrak::hosts
