// A host that calls the component the way the Visual Basic hosts of its era
// do: no header, only `CreateObject` and IDispatch::Invoke. Variables are
// passed by reference in their own types (Integer, Long, Single, Double,
// Boolean, String, Variant), literals by value, and a `WithEvents` handler
// is a dispatch sink on the connection point that gets Change's State as a
// by-reference Integer. Most such hosts are 32-bit programs.
//
//   tovrak_vb_host
#include <windows.h>

#include <ocidl.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "change_sink.hpp"
#include "check.hpp"
#include "host.hpp"

namespace {

using namespace tovrak::wintest;

// The host knows the event interface by its identifier, as a compiled program
// does that referenced the type library; no header of the component.
extern "C" const IID DIID___TOVRAK_Protocol;
const IID& kEventsIid = DIID___TOVRAK_Protocol;
// Err.Number of "Subscript out of range".
constexpr HRESULT kSubscript = static_cast<HRESULT>(0x800A0009);

// A variable of a Visual Basic type and the VARIANT that passes it by
// reference.
template <class T>
VARIANT Ref(VARTYPE vt, T* variable) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = static_cast<VARTYPE>(vt | VT_BYREF);
  V_BYREF(&v) = variable;
  return v;
}
VARIANT Value(VARTYPE vt, LONGLONG bits) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = vt;
  V_I8(&v) = bits;
  return v;
}
VARIANT Dbl(double d) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_R8;
  V_R8(&v) = d;
  return v;
}

// `Object` in Visual Basic: every call goes through GetIDsOfNames and Invoke.
struct Object {
  IDispatch* d = nullptr;
  EXCEPINFO error{};

  HRESULT invoke(const wchar_t* name, WORD flags, std::vector<VARIANT> args, VARIANT* result) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR n = const_cast<LPOLESTR>(name);
    HRESULT hr = d->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPID put = DISPID_PROPERTYPUT;
    const bool assigns = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
    DISPPARAMS p{reversed.data(), assigns ? &put : nullptr, static_cast<UINT>(reversed.size()),
                 assigns ? 1u : 0u};
    SysFreeString(error.bstrSource);
    SysFreeString(error.bstrDescription);
    SysFreeString(error.bstrHelpFile);
    error = EXCEPINFO{};
    UINT arg_err = 0;
    VARIANT ignored;
    VariantInit(&ignored);
    hr = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &p,
                   result ? result : (assigns ? nullptr : &ignored), &error, &arg_err);
    VariantClear(&ignored);
    if (hr == DISP_E_EXCEPTION) return error.scode;  // what Err.Number holds
    return hr;
  }
  // x = obj.Name(args...): a function call or a property read.
  HRESULT get(const wchar_t* name, std::vector<VARIANT> args, VARIANT* result) {
    if (result) VariantClear(result);
    return invoke(name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::move(args), result);
  }
  // obj.Name = value, Set obj.Name = object.
  HRESULT let(const wchar_t* name, VARIANT value) {
    return invoke(name, DISPATCH_PROPERTYPUT, {value}, nullptr);
  }
  HRESULT set(const wchar_t* name, IDispatch* object) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_DISPATCH;
    V_DISPATCH(&v) = object;
    return invoke(name, DISPATCH_PROPERTYPUTREF, {v}, nullptr);
  }
  ~Object() {
    SysFreeString(error.bstrSource);
    SysFreeString(error.bstrDescription);
    SysFreeString(error.bstrHelpFile);
  }
};

bool Is(const VARIANT& v, VARTYPE vt) { return V_VT(&v) == vt; }
std::wstring Text(BSTR b) { return b ? std::wstring(b, SysStringLen(b)) : std::wstring(); }

// Set Rig = CreateObject("TOVRAK_DLL.TOVRAK_Connector").TOVRAK_Protocol
bool CreateRig(Ptr<IDispatch>& rig) {
  CLSID clsid;
  Ptr<IDispatch> connector;
  CHECK_HR(CLSIDFromProgID(L"TOVRAK_DLL.TOVRAK_Connector", &clsid));
  CHECK_HR(
      CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, connector.put_void()));
  if (!connector) return false;
  Object c{connector.get()};
  VARIANT r;
  VariantInit(&r);
  CHECK_HR(c.get(L"TOVRAK_Protocol", {}, &r));
  if (!Is(r, VT_DISPATCH) || !V_DISPATCH(&r)) return false;
  *rig.put() = V_DISPATCH(&r);  // takes the reference
  return true;
}

// ---------------------------------------------------------------- groups

void ByReference() {
  Ptr<IDispatch> rig;
  if (!CreateRig(rig)) return;
  Object o{rig.get()};
  VARIANT r;
  VariantInit(&r);

  // Integer: Property(16) of a fresh object.
  short index = 16;
  CHECK_HR(o.get(L"Property", {Ref(VT_I2, &index)}, &r));
  CHECK(Is(r, VT_I2) && V_I2(&r) == 127);
  CHECK_EQ(index, 16);

  // Double: inside and outside the frequency range.
  double freq = 14.25;
  CHECK_HR(o.get(L"ValidFreq", {Ref(VT_R8, &freq)}, &r));
  CHECK(Is(r, VT_BOOL) && V_BOOL(&r) == VARIANT_TRUE);
  freq = 0;
  CHECK_HR(o.get(L"ValidFreq", {Ref(VT_R8, &freq)}, &r));
  CHECK(Is(r, VT_BOOL) && V_BOOL(&r) == VARIANT_FALSE);

  // Variant holding an Integer: receiver 1 is read, receiver 2 is Err 9.
  VARIANT receiver = Value(VT_I2, 1);
  CHECK_HR(o.get(L"AFLevel", {Ref(VT_VARIANT, &receiver)}, &r));
  CHECK(Is(r, VT_I2));
  CHECK(Is(receiver, VT_I2) && V_I2(&receiver) == 1);
  V_I2(&receiver) = 2;
  CHECK_EQ(o.get(L"AFLevel", {Ref(VT_VARIANT, &receiver)}, &r), kSubscript);
  CHECK(o.error.bstrDescription && Text(o.error.bstrDescription) == L"Subscript out of range");

  // Long and Integer: the member answers Empty.
  long i = 70000;
  short mode = 1;
  CHECK_HR(o.get(L"LPBT", {Ref(VT_I4, &i), Ref(VT_I2, &mode)}, &r));
  CHECK(Is(r, VT_EMPTY));
  CHECK_EQ(i, 70000L);

  // Single: the shift is taken as given.
  float shift = 600.0f;
  CHECK_HR(o.get(L"SetShift", {Ref(VT_R4, &shift)}, &r));
  CHECK(Is(r, VT_BOOL));
  CHECK_EQ(shift, 600.0f);

  // String and Boolean: the answers are taken from the buffer, which is
  // written back without them.
  BSTR buffer = SysAllocString(L"FA07100000;SM0012;FA");
  VARIANT_BOOL read = VARIANT_FALSE;
  o.get(L"ReadBuffer", {Ref(VT_BSTR, &buffer), Ref(VT_BOOL, &read)}, nullptr);
  CHECK_EQ(Text(buffer), std::wstring(L"FA"));
  CHECK_EQ(read, VARIANT_FALSE);
  SysFreeString(buffer);
  CHECK_HR(o.get(L"VFOA_Freq", {}, &r));
  CHECK(Is(r, VT_R8) && V_R8(&r) == 7.1);
  CHECK_HR(o.get(L"SMeter", {}, &r));
  CHECK(Is(r, VT_I2) && V_I2(&r) == 12);

  // Boolean and three Strings: a port that is not there, the reason in MSG.
  CHECK_HR(o.let(L"Port", Value(VT_I2, 9)));
  VARIANT_BOOL open = VARIANT_TRUE;
  BSTR address = SysAllocString(L""), code = SysAllocString(L""), msg = SysAllocString(L"");
  CHECK_HR(o.get(
      L"SetPort",
      {Ref(VT_BOOL, &open), Ref(VT_BSTR, &address), Ref(VT_BSTR, &code), Ref(VT_BSTR, &msg)}, &r));
  CHECK(Is(r, VT_BOOL) && V_BOOL(&r) == VARIANT_FALSE);
  CHECK(Text(msg).find(L"COM9") != std::wstring::npos);
  SysFreeString(address);
  SysFreeString(code);
  SysFreeString(msg);
  VariantClear(&r);
}

void ByValue() {
  Ptr<IDispatch> rig;
  if (!CreateRig(rig)) return;
  Object o{rig.get()};
  VARIANT r;
  VariantInit(&r);

  // Rig.SetFreq 3.65 (a Double literal), read back as the VFO A frequency.
  CHECK_HR(o.get(L"SetFreq", {Dbl(3.65)}, &r));
  CHECK(Is(r, VT_BOOL) && V_BOOL(&r) == VARIANT_TRUE);
  CHECK_HR(o.get(L"VFOA_Freq", {}, &r));
  CHECK(Is(r, VT_R8) && V_R8(&r) == 3.65);

  // Integer, Long, Boolean and String lets.
  CHECK_HR(o.let(L"ChannelMin", Value(VT_I2, 5)));
  CHECK_HR(o.get(L"ChannelMin", {}, &r));
  CHECK(Is(r, VT_I2) && V_I2(&r) == 5);
  CHECK_HR(o.let(L"ChannelMax", Value(VT_I4, 250)));
  CHECK_HR(o.get(L"ChannelMax", {}, &r));
  CHECK(Is(r, VT_I2) && V_I2(&r) == 250);
  CHECK_EQ(o.let(L"ChannelMax", Value(VT_I4, 40000)), DISP_E_OVERFLOW);
  CHECK_HR(o.let(L"StatusChange", Value(VT_BOOL, VARIANT_TRUE)));
  CHECK_HR(o.get(L"StatusChange", {}, &r));
  CHECK(Is(r, VT_BOOL) && V_BOOL(&r) == VARIANT_TRUE);
  VARIANT speed;
  VariantInit(&speed);
  V_VT(&speed) = VT_BSTR;
  V_BSTR(&speed) = SysAllocString(L"4800");
  CHECK_HR(o.let(L"PortSpeed", speed));
  VariantClear(&speed);
  CHECK_HR(o.get(L"PortSpeed", {}, &r));
  CHECK(Is(r, VT_BSTR) && Text(V_BSTR(&r)) == L"4800");

  // A Variant let, and Set with an object.
  CHECK_HR(o.let(L"AutoNF", Dbl(2.5)));
  CHECK_HR(o.get(L"AutoNF", {}, &r));
  CHECK(Is(r, VT_R8) && V_R8(&r) == 2.5);
  CHECK_HR(o.set(L"AutoNF", rig.get()));
  CHECK_HR(o.get(L"AutoNF", {}, &r));
  CHECK(Is(r, VT_DISPATCH) && V_DISPATCH(&r) != nullptr);
  VariantClear(&r);
  CHECK_HR(o.set(L"AutoNF", nullptr));
}

void ChangeEvents() {
  Ptr<IDispatch> rig;
  if (!CreateRig(rig)) return;
  Object o{rig.get()};
  // `Private WithEvents Rig As TOVRAK_Protocol` with a Change handler that
  // records State and, as handlers may, assigns to it.
  ChangeSink handler(kEventsIid);
  handler.reply = 99;
  Ptr<IConnectionPointContainer> cpc;
  Ptr<IConnectionPoint> cp;
  CHECK_HR(rig->QueryInterface(IID_IConnectionPointContainer, cpc.put_void()));
  if (!cpc) return;
  CHECK_HR(cpc->FindConnectionPoint(kEventsIid, cp.put()));
  if (!cp) return;
  DWORD cookie = 0;
  CHECK_HR(cp->Advise(&handler, &cookie));

  // Answers from the radio, handed in as a String: the mode and the S-meter
  // move, each told with its State; the handler's assignment is harmless.
  BSTR buffer = SysAllocString(L"FA21300000;MD02;SM0007;");
  VARIANT_BOOL read = VARIANT_FALSE;
  o.get(L"ReadBuffer", {Ref(VT_BSTR, &buffer), Ref(VT_BOOL, &read)}, nullptr);
  SysFreeString(buffer);
  CHECK(RunUntil([&] { return handler.saw(1) && handler.saw(3); }));
  CHECK_EQ(handler.malformed, 0);
  VARIANT r;
  VariantInit(&r);
  CHECK_HR(o.get(L"VFOA_Freq", {}, &r));
  CHECK(Is(r, VT_R8) && V_R8(&r) == 21.3);

  // Unadvised, the handler hears no more and is let go.
  CHECK_HR(cp->Unadvise(cookie));
  CHECK_EQ(handler.refs(), 0u);
  handler.states.clear();
  buffer = SysAllocString(L"MD03;SM0009;");
  o.get(L"ReadBuffer", {Ref(VT_BSTR, &buffer), Ref(VT_BOOL, &read)}, nullptr);
  SysFreeString(buffer);
  CHECK(RunUntil(
      [&] { return SUCCEEDED(o.get(L"SMeter", {}, &r)) && Is(r, VT_I2) && V_I2(&r) == 9; }));
  RunUntil([] { return false; }, 200);
  CHECK(handler.states.empty());
}

}  // namespace

int main() {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  int failed = tovrak::wintest::RunGroups({
      {"variables by reference, each type", ByReference},
      {"literals and lets by value", ByValue},
      {"Change through the connection point", ChangeEvents},
  });
  CoUninitialize();
  return failed ? 1 : 0;
}
