// Writes the tovrak command's manual page ("man") or its bash completion
// ("bash") to standard output, from the commands' own option tables.
#include <cstdio>
#include <cstring>

#include "hosts/cli/docs.hpp"
#include "tovrak/version.hpp"

int main(int argc, char** argv) {
  if (argc == 2 && !std::strcmp(argv[1], "man")) {
    std::fputs(tovrak::hosts::man_page(tovrak::version()).c_str(), stdout);
  } else if (argc == 2 && !std::strcmp(argv[1], "bash")) {
    std::fputs(tovrak::hosts::bash_completion().c_str(), stdout);
  } else {
    std::fputs("usage: tovrak_docgen man|bash\n", stderr);
    return 2;
  }
  return 0;
}
