// The generator of the COM interface files: its help strings, dispatch
// identifiers and the COM types it gives each member. (The Windows build
// compiles its output; the tests under Wine check the type library and the
// forwarding layer in use.)
#include <gtest/gtest.h>

#include <set>
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
  EXPECT_EQ(HelpText("ReadBuffer"), "Reserved");
  EXPECT_EQ(HelpText("SetData"), "Reserved");
  EXPECT_EQ(HelpText("BK"), "");
}

TEST(DispatchIds, OnePerNameSharedByTheAccessorsOfAProperty) {
  std::set<int> ids;
  std::set<std::string_view> names;
  for (const auto& m : Members()) {
    names.insert(m.name);
    ids.insert(DispatchId(m.name));
  }
  EXPECT_EQ(ids.size(), names.size());
  EXPECT_EQ(*ids.begin(), 1);
  EXPECT_EQ(*ids.rbegin(), static_cast<int>(names.size()));
  EXPECT_EQ(DispatchId("MeterCaption"), 1);
  // StatusChange's let (slot 7) and get (slot 8) are one property.
  EXPECT_EQ(DispatchId("StatusChange"), 7);
  EXPECT_THROW(DispatchId("Frequency"), std::logic_error);
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(Idl, DeclaresEachMemberWithItsPassingAndTypes) {
  const std::string idl = GenerateIdl();
  // By value only where the member table says so; results through retval.
  EXPECT_TRUE(
      Contains(idl, "HRESULT SetFreq([in] double Freq, [out, retval] VARIANT_BOOL* result);"));
  EXPECT_TRUE(Contains(idl, "HRESULT SetCommand([in, out] short* Format, [in] BSTR Sequence);"));
  EXPECT_TRUE(Contains(
      idl,
      "HRESULT LPBT([in, out] long* i, [in, out] short* Mode, [out, retval] VARIANT* result);"));
  EXPECT_TRUE(
      Contains(idl, "HRESULT AFLevel([in, out] VARIANT* Receiver, [out, retval] short* result);"));
  EXPECT_TRUE(Contains(idl, "HRESULT SetShift([in, out] float* Shift,"));
  EXPECT_TRUE(
      Contains(idl, "HRESULT ReadBuffer([in, out] BSTR* Buffer, [in, out] VARIANT_BOOL* Read);"));
  // The three accessors of AutoNF.
  EXPECT_TRUE(Contains(idl,
                       "propput, helpstring(\"Auto Notch Filter (ON/OFF)\")]\n"
                       "        HRESULT AutoNF([in] VARIANT value);"));
  EXPECT_TRUE(Contains(idl,
                       "propputref, helpstring(\"Auto Notch Filter (ON/OFF)\")]\n"
                       "        HRESULT AutoNF([in] IDispatch* value);"));
  EXPECT_TRUE(Contains(idl, "HRESULT AutoNF([out, retval] VARIANT* result);"));
  // The event and the connector.
  EXPECT_TRUE(Contains(idl, "[id(0x00000001), helpstring(\"Asynchronous transmission of a change"));
  EXPECT_TRUE(Contains(idl, "void Change([in, out] short* State);"));
  EXPECT_TRUE(Contains(idl, "[default, source] dispinterface __TOVRAK_Protocol;"));
  EXPECT_TRUE(Contains(idl, "HRESULT TOVRAK_Protocol([out, retval] _TOVRAK_Protocol** result);"));
  EXPECT_TRUE(Contains(idl, "version(1.3)"));
}

}  // namespace
}  // namespace tovrak::comgen
