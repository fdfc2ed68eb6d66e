#include "describe.hpp"

#include <map>

namespace tovrak::python {

namespace {

// The member's help text, its line breaks as the type library writes them
// ("\\r\\n") made real.
std::string help_of(const Member& m) {
  std::string_view rest(m.help);
  std::string text;
  for (size_t at; (at = rest.find("\\r\\n")) != std::string_view::npos;
       rest.remove_prefix(at + 4)) {
    text.append(rest.substr(0, at));
    text += '\n';
  }
  text.append(rest);
  return text;
}

}  // namespace

std::string_view py_type(ValueType type) {
  switch (type) {
    case ValueType::Void:
      return "None";
    case ValueType::Integer16:
    case ValueType::Integer32:
      return "int";
    case ValueType::Single:
    case ValueType::Double:
      return "float";
    case ValueType::Boolean:
      return "bool";
    case ValueType::String:
      return "str";
    case ValueType::Variant:
      return "Any";
    case ValueType::Object:
      return "object";
  }
  return "Any";
}

std::string result_type(const Member& m) {
  std::string written;
  for (const MemberArg& a : m.args) {
    if (a.by_ref && m.kind == MemberKind::Method) written += ", " + std::string(py_type(a.type));
  }
  if (written.empty()) return std::string(py_type(m.result));
  return "tuple[" + std::string(py_type(m.result)) + written + "]";
}

std::string signature(const Member& m) {
  std::string s = "(";
  for (size_t i = 0; i < m.args.size(); ++i) {
    if (i) s += ", ";
    s += std::string(m.args[i].name) + ": " + std::string(py_type(m.args[i].type));
  }
  return s + ") -> " + result_type(m);
}

std::vector<PyMember> py_members() {
  std::vector<PyMember> out;
  std::map<std::string_view, size_t> index;
  for (const Member& m : Members()) {
    auto [it, fresh] = index.emplace(m.name, out.size());
    if (fresh) out.push_back(PyMember{std::string(m.name)});
    PyMember& p = out[it->second];
    switch (m.kind) {
      case MemberKind::Get:
        (m.args.empty() ? p.get : p.method) = &m;
        break;
      case MemberKind::Let:
        p.let = &m;
        break;
      case MemberKind::Set:
        p.set = &m;
        break;
      case MemberKind::Method:
        p.method = &m;
        break;
    }
  }
  return out;
}

std::string docstring(const PyMember& p) {
  std::string doc;
  auto add = [&](const Member* m, std::string_view head) {
    if (!m) return;
    if (!doc.empty()) doc += "\n";
    doc += std::string(head) + signature(*m);
  };
  if (p.method) {
    add(p.method, p.name);
  } else {
    add(p.get, "get");
    add(p.let, "set");
    add(p.set, "set (object)");
  }
  // A property's help text serves its get, let and set alike.
  const Member* any = p.method ? p.method : p.get ? p.get : p.let ? p.let : p.set;
  std::string help = help_of(*any);
  if (!help.empty()) {
    doc += "\n\n";
    doc += help;
  }
  return doc;
}

}  // namespace tovrak::python
