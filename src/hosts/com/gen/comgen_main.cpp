// tovrak_comgen: writes the generated files of the COM build into a
// directory, or checks that the files there are what the member table gives.
//
//   tovrak_comgen write DIR    (re)writes the files
//   tovrak_comgen check DIR    fails, naming the file, when one differs
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "hosts/com/gen/comgen.hpp"

namespace {

bool read_file(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  out = s.str();
  return true;
}

// The first line where two texts differ, 1-based.
int first_difference(const std::string& a, const std::string& b) {
  std::istringstream sa(a), sb(b);
  std::string la, lb;
  for (int line = 1;; ++line) {
    bool ga = static_cast<bool>(std::getline(sa, la));
    bool gb = static_cast<bool>(std::getline(sb, lb));
    if (!ga && !gb) return 0;
    if (ga != gb || la != lb) return line;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || (std::string(argv[1]) != "write" && std::string(argv[1]) != "check")) {
    std::fputs("usage: tovrak_comgen write|check DIR\n", stderr);
    return 2;
  }
  const std::string mode = argv[1];
  const std::string dir = argv[2];
  int stale = 0;
  for (const auto& f : tovrak::comgen::GenerateAll()) {
    const std::string path = dir + "/" + f.name;
    if (mode == "write") {
      std::ofstream out(path, std::ios::binary);
      out << f.text;
      if (!out) {
        std::fprintf(stderr, "tovrak_comgen: cannot write %s\n", path.c_str());
        return 1;
      }
      continue;
    }
    std::string current;
    if (!read_file(path, current)) {
      std::fprintf(stderr, "%s: missing\n", path.c_str());
      ++stale;
    } else if (current != f.text) {
      std::fprintf(stderr, "%s: differs from the member table from line %d\n", path.c_str(),
                   first_difference(current, f.text));
      ++stale;
    }
  }
  if (stale) {
    std::fputs(
        "The generated COM files are out of date; rebuild the target tovrak_com_regenerate.\n",
        stderr);
    return 1;
  }
  return 0;
}
