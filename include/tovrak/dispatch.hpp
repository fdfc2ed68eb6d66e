// Late binding: the members of TOVRAK_Protocol by name, in slot order, and
// calling them with Variant arguments the way a scripting host does. The
// member table is the one source of truth for names, slots, kinds and types;
// the type library of the Windows build is generated from it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tovrak/export.hpp"
#include "tovrak/protocol.hpp"
#include "tovrak/variant.hpp"

namespace tovrak {

// get, let (assign a value), set (assign an object), method.
enum class MemberKind { Get, Let, Set, Method };

// The types of the interface.
enum class ValueType {
  Void,
  Integer16,
  Integer32,
  Single,
  Double,
  Boolean,
  String,
  Variant,
  Object
};

struct MemberArg {
  std::string_view name;
  ValueType type;
  bool by_ref;
};

struct Member {
  int slot;  // 1-based, after the standard dispatch members
  std::string_view name;
  MemberKind kind;
  std::vector<MemberArg> args;
  ValueType result;
  // Converts the arguments, calls the member and writes by-reference
  // arguments back into `args`.
  Variant (*call)(TOVRAK_Protocol& target, std::span<Variant> args);
  // The member's help text (empty when it has none): MemberHelp(name).
  std::string_view help;
};

// The 174 members of _TOVRAK_Protocol in slot order.
TOVRAK_API const std::vector<Member>& Members();

// Finds a member by name, the way a dispatch interface resolves names (the
// exact letter case first, then any case). A Get request finds a method too,
// and a Method request finds a property read. Null when there is none.
TOVRAK_API const Member* FindMember(std::string_view name, MemberKind kind);

// Calls a member by name. Raises ComError for an unknown name, a wrong
// argument count, an argument that does not convert to its type, or what the
// member raises itself. By-reference arguments are written back.
TOVRAK_API Variant Invoke(TOVRAK_Protocol& target, std::string_view name, MemberKind kind,
                          std::vector<Variant>& args);

// The help text of a member name (empty when it has none), and every named
// text. The COM type library's help strings are these texts.
TOVRAK_API std::string_view MemberHelp(std::string_view name);
TOVRAK_API const std::vector<std::pair<std::string_view, std::string_view>>& MemberHelpTable();

TOVRAK_API std::string_view to_string(MemberKind kind);
TOVRAK_API std::string_view to_string(ValueType type);

}  // namespace tovrak
