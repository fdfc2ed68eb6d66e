// The generator of the COM interface files: its table of help strings.
#include <gtest/gtest.h>

#include <string>

#include "hosts/com/gen/comgen.hpp"
#include "tovrak/dispatch.hpp"

namespace tovrak::comgen {
namespace {

TEST(HelpStrings, NameRealMembersAndCompileAsIdlStrings) {
  for (const auto& [name, text] : HelpTable()) {
    bool found = false;
    for (const auto& m : Members()) found = found || m.name == name;
    EXPECT_TRUE(found) << "help string for unknown member " << name;
    // A quote would end the IDL string; the only escapes are line breaks.
    EXPECT_EQ(text.find('"'), std::string_view::npos) << name;
    for (size_t i = text.find('\\'); i != std::string_view::npos; i = text.find('\\', i + 2)) {
      ASSERT_LT(i + 1, text.size()) << name;
      EXPECT_TRUE(text[i + 1] == 'r' || text[i + 1] == 'n') << name;
    }
  }
}

}  // namespace
}  // namespace tovrak::comgen
