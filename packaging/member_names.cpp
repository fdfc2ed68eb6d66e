// Prints the names of the component's members, one a line, each once, for
// the bash completion of the tovrak command.
#include <iostream>
#include <set>
#include <string_view>

#include "tovrak/dispatch.hpp"

int main() {
  std::set<std::string_view> names;
  for (const auto& m : tovrak::Members()) names.insert(m.name);
  for (auto n : names) std::cout << n << '\n';
}
