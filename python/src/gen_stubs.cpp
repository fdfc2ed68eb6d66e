// Writes the .pyi of the extension module: the template with the members of
// Protocol, from the member table, in place of its @MEMBERS@ line.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "describe.hpp"

namespace {

using tovrak::python::PyMember;

// The docstring as a Python literal: backslashes and quotes escaped.
void write_doc(std::ostream& out, const std::string& doc) {
  std::string text;
  for (char c : doc) {
    if (c == '\\' || c == '"') text += '\\';
    text += c;
  }
  out << "        \"\"\"" << text << "\"\"\"\n";
}

void write_member(std::ostream& out, const PyMember& m) {
  using tovrak::python::py_type;
  std::string doc = tovrak::python::docstring(m);
  if (!m.is_property()) {
    const tovrak::Member& f = *m.method;
    out << "    def " << m.name << "(self";
    for (const auto& a : f.args) out << ", " << a.name << ": " << py_type(a.type);
    out << ") -> " << tovrak::python::result_type(f) << ":\n";
    write_doc(out, doc);
    return;
  }
  std::string type = m.get ? std::string(py_type(m.get->result)) : "Any";
  out << "    @property\n    def " << m.name << "(self) -> " << type << ":\n";
  write_doc(out, doc);
  if (m.let || m.set) {
    out << "    @" << m.name << ".setter\n    def " << m.name
        << "(self, value: " << (m.set ? "Any" : type) << ") -> None: ...\n";
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: gen_stubs TEMPLATE OUTPUT\n";
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::cerr << "gen_stubs: cannot read " << argv[1] << "\n";
    return 1;
  }
  std::ostringstream out;
  std::string line;
  while (std::getline(in, line)) {
    if (line != "@MEMBERS@") {
      out << line << "\n";
      continue;
    }
    for (const PyMember& m : tovrak::python::py_members()) write_member(out, m);
  }
  std::ofstream file(argv[2]);
  file << out.str();
  if (!file) {
    std::cerr << "gen_stubs: cannot write " << argv[2] << "\n";
    return 1;
  }
  return 0;
}
