// A host that calls the component the way the Visual Basic hosts of its era
// and scripting hosts do: only `CreateObject` and IDispatch::GetIDsOfNames/
// Invoke. Compiled hosts pass variables by reference in their own types,
// literals go by value (a script's Variant by reference and the errors a
// script sees are script_host.vbs's). One table of calls, in order, on one
// object: the member, the arguments, the HRESULT and the result.
#include <windows.h>

#include <oleauto.h>

#include <map>
#include <string>
#include <vector>

#include "host.hpp"

namespace {

using namespace tovrak::wintest;

// A variable of a Visual Basic type and the VARIANT that passes it by
// reference.
VARIANT Ref(VARTYPE vt, void* variable) {
  VARIANT v{};
  return V_VT(&v) = static_cast<VARTYPE>(vt | VT_BYREF), V_BYREF(&v) = variable, v;
}
// A literal of type vt, a string, an object (or Nothing).
VARIANT Value(VARTYPE vt, double number) {
  VARIANT v{};
  V_VT(&v) = VT_R8, V_R8(&v) = number;
  return VariantChangeType(&v, &v, 0, vt), v;
}
VARIANT Str(const wchar_t* text) {
  VARIANT v{};
  return V_VT(&v) = VT_BSTR, V_BSTR(&v) = SysAllocString(text), v;
}

// A value as a Visual Basic host shows it: its type name and its value.
std::wstring Shown(const VARIANT& v) {
  static const std::map<VARTYPE, std::wstring> kTypes = {
      {VT_I2, L"Integer "}, {VT_R8, L"Double "}, {VT_BOOL, L"Boolean "}, {VT_BSTR, L"String "}};
  VARIANT text{};
  if (V_VT(&v) == VT_EMPTY) return L"Empty";
  if (!kTypes.count(V_VT(&v)) ||
      FAILED(VariantChangeType(&text, const_cast<VARIANT*>(&v), VARIANT_ALPHABOOL, VT_BSTR)))
    return L"type " + std::to_wstring(V_VT(&v));
  std::wstring shown = kTypes.at(V_VT(&v)) + V_BSTR(&text);
  return VariantClear(&text), shown;
}

// `Object` in Visual Basic: every call goes through GetIDsOfNames and
// Invoke. Returns the HRESULT and the result as shown (and, when asked, the
// result itself).
HRESULT Call(IDispatch* d, const wchar_t* name, WORD flags, std::vector<VARIANT> args,
             std::wstring& shown, VARIANT* keep = nullptr) {
  shown.clear();
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR n = const_cast<LPOLESTR>(name);
  HRESULT hr = d->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPID put = DISPID_PROPERTYPUT;
  const bool assigns = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
  DISPPARAMS p{reversed.data(), assigns ? &put : nullptr, static_cast<UINT>(reversed.size()),
               assigns ? 1u : 0u};
  EXCEPINFO error{};
  UINT arg_err = 0;
  VARIANT result{};
  hr = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &p, assigns ? nullptr : &result, &error,
                 &arg_err);
  for (auto& a : args)
    if (!(V_VT(&a) & VT_BYREF)) VariantClear(&a);
  if (SUCCEEDED(hr) && !assigns) shown = Shown(result);
  for (BSTR b : {error.bstrSource, error.bstrDescription, error.bstrHelpFile}) SysFreeString(b);
  keep ? void(*keep = result) : void(VariantClear(&result));
  return hr;
}

constexpr WORD kGet = DISPATCH_METHOD | DISPATCH_PROPERTYGET;  // x = obj.Name(args)
constexpr WORD kLet = DISPATCH_PROPERTYPUT;                    // obj.Name = value

void Calls() {
  // Set Rig = CreateObject("TOVRAK_DLL.TOVRAK_Connector").TOVRAK_Protocol
  CLSID clsid;
  Ptr<IDispatch> connector, rig;
  VARIANT r{};
  std::wstring ignored;
  if (!CHECK_HR(CLSIDFromProgID(L"TOVRAK_DLL.TOVRAK_Connector", &clsid)) ||
      !CHECK_HR(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                 connector.put_void())) ||
      !CHECK_HR(Call(connector.get(), L"TOVRAK_Protocol", kGet, {}, ignored, &r)) ||
      !CHECK(V_VT(&r) == VT_DISPATCH && V_DISPATCH(&r)))
    return;
  *rig.put() = V_DISPATCH(&r);  // takes the reference

  // The host's variables, each in its own type.
  short index = 16, mode = 1;
  long index_long = 16, i = 70000;
  float shift = 600.0f;
  double freq = 14.25;
  VARIANT_BOOL read = VARIANT_FALSE, open = VARIANT_TRUE;
  BSTR buffer = SysAllocString(L"FA07100000;SM0012;FA");
  BSTR address = SysAllocString(L""), code = SysAllocString(L""), msg = SysAllocString(L"");

  const std::vector<VARIANT> port_args = {Ref(VT_BOOL, &open), Ref(VT_BSTR, &address),
                                          Ref(VT_BSTR, &code), Ref(VT_BSTR, &msg)};
  const struct Row {
    const wchar_t* member;
    WORD flags;
    std::vector<VARIANT> args;
    HRESULT hr;
    const wchar_t* shown;
  } rows[] = {
      // Variables by reference, in the member's type or converted to it.
      {L"Property", kGet, {Ref(VT_I2, &index)}, S_OK, L"Integer 127"},
      {L"Property", kGet, {Ref(VT_I4, &index_long)}, S_OK, L"Integer 127"},
      {L"ValidFreq", kGet, {Ref(VT_R8, &freq)}, S_OK, L"Boolean True"},
      {L"LPBT", kGet, {Ref(VT_I4, &i), Ref(VT_I2, &mode)}, S_OK, L"Empty"},
      {L"SetShift", kGet, {Ref(VT_R4, &shift)}, S_OK, L"Boolean True"},
      // The answers are taken from the buffer, which is written back without them.
      {L"ReadBuffer", kGet, {Ref(VT_BSTR, &buffer), Ref(VT_BOOL, &read)}, S_OK, L"Empty"},
      {L"VFOA_Freq", kGet, {}, S_OK, L"Double 7.1"},
      {L"SMeter", kGet, {}, S_OK, L"Integer 12"},
      // A port that is not there: the reason in MSG.
      {L"Port", kLet, {Value(VT_I2, 9)}, S_OK, L""},
      {L"SetPort", kGet, port_args, S_OK, L"Boolean False"},
      // Literals and assignments by value.
      {L"SetFreq", kGet, {Value(VT_R8, 3.65)}, S_OK, L"Boolean True"},
      {L"VFOA_Freq", kGet, {}, S_OK, L"Double 3.65"},
      {L"ChannelMax", kLet, {Value(VT_I4, 250)}, S_OK, L""},
      {L"ChannelMax", kGet, {}, S_OK, L"Integer 250"},
      {L"StatusChange", kLet, {Value(VT_BOOL, VARIANT_TRUE)}, S_OK, L""},
      {L"StatusChange", kGet, {}, S_OK, L"Boolean True"},
      {L"PortSpeed", kLet, {Str(L"4800")}, S_OK, L""},
      {L"PortSpeed", kGet, {}, S_OK, L"String 4800"},
      {L"AutoNF", kLet, {Value(VT_R8, 2.5)}, S_OK, L""},
      {L"AutoNF", kGet, {}, S_OK, L"Double 2.5"},
      // Names in any case; refusals.
      {L"sub_freq", kGet, {}, S_OK, L"Double 0"},
      {L"Property", kGet, {}, DISP_E_BADPARAMCOUNT, L""},
      {L"Property", kGet, {Value(VT_I2, 1), Value(VT_I2, 2)}, DISP_E_BADPARAMCOUNT, L""},
      {L"Frequency", kGet, {}, DISP_E_UNKNOWNNAME, L""},
      {L"About", kLet, {Str(L"x")}, DISP_E_MEMBERNOTFOUND, L""},
  };
  for (const Row& row : rows) {
    std::wstring shown;
    HRESULT hr = Call(rig.get(), row.member, row.flags, row.args, shown);
    CHECK_EQ(
        Show(std::wstring(row.member)) + ": " + Show(hr) + " " + Show(shown),
        Show(std::wstring(row.member)) + ": " + Show(row.hr) + " " + Show(std::wstring(row.shown)));
  }

  // What the calls left in the variables, in their own types.
  CHECK_EQ(Show(index) + " " + Show(index_long) + " " + Show(i) + " " + Show(shift) + " " +
               Show(std::wstring(buffer)) + " " + Show(read),
           std::string("16 16 70000 600 FA 0"));
  CHECK(std::wstring(msg).find(L"COM9") != std::wstring::npos);
  for (BSTR b : {buffer, address, code, msg}) SysFreeString(b);
}

}  // namespace

int main() { return RunInApartment({{"calls through IDispatch", Calls}}); }
