// A C++ host of the registered component under Wine: it creates the classes
// by ProgID, binds early through the generated header and late through
// IDispatch, reads the type library, subscribes to Change through the
// connection point, and drives the serial link while playing the radio on the
// far end of a connected port pair.
//
//   tovrak_com_client [PORT FAR_PORT]      default 1 2
#include <windows.h>

#include <ocidl.h>
#include <oleauto.h>
#include <olectl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "TOVRAK_DLL.h"
#include "change_sink.hpp"
#include "check.hpp"
#include "host.hpp"

namespace {

using namespace tovrak::wintest;

short g_port = 1;
short g_far_port = 2;

// ---------------------------------------------------------------- helpers

std::wstring ErrorDescription() {
  Ptr<IErrorInfo> info;
  if (GetErrorInfo(0, info.put()) != S_OK || !info) return L"";
  Bstr text;
  info->GetDescription(text.put());
  return text.str();
}

HRESULT CreateByProgId(const wchar_t* prog_id, REFIID iid, void** out) {
  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(prog_id, &clsid);
  if (FAILED(hr)) return hr;
  return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, out);
}

bool SameObject(IUnknown* a, IUnknown* b) {
  Ptr<IUnknown> ua, ub;
  a->QueryInterface(IID_IUnknown, ua.put_void());
  b->QueryInterface(IID_IUnknown, ub.put_void());
  return ua.get() == ub.get();
}

// Late-bound calls, the way a scripting host makes them.
struct Late {
  IDispatch* d;

  DISPID id(const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR n = const_cast<LPOLESTR>(name);
    if (FAILED(d->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id))) return DISPID_UNKNOWN;
    return id;
  }
  // args in the order of the parameters.
  HRESULT call(const wchar_t* name, WORD flags, std::vector<VARIANT> args, VARIANT* result,
               EXCEPINFO* excep = nullptr) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS p{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
      p.rgdispidNamedArgs = &put;
      p.cNamedArgs = 1;
    }
    EXCEPINFO own{};
    UINT arg_err = 0;
    HRESULT hr = d->Invoke(id(name), IID_NULL, LOCALE_USER_DEFAULT, flags, &p, result,
                           excep ? excep : &own, &arg_err);
    SysFreeString(own.bstrSource);
    SysFreeString(own.bstrDescription);
    SysFreeString(own.bstrHelpFile);
    return hr;
  }
};

VARIANT I2(short v) {
  VARIANT x;
  VariantInit(&x);
  V_VT(&x) = VT_I2;
  V_I2(&x) = v;
  return x;
}
VARIANT I4(long v) {
  VARIANT x;
  VariantInit(&x);
  V_VT(&x) = VT_I4;
  V_I4(&x) = v;
  return x;
}
VARIANT RefTo(VARIANT* target) {
  VARIANT x;
  VariantInit(&x);
  V_VT(&x) = VT_VARIANT | VT_BYREF;
  V_VARIANTREF(&x) = target;
  return x;
}

// ---------------------------------------------------------------- groups

void CreationAndSharing() {
  CLSID clsid;
  CHECK_HR(CLSIDFromProgID(L"TOVRAK_DLL.TOVRAK_Connector", &clsid));
  CHECK(IsEqualCLSID(clsid, CLSID_TOVRAK_Connector));
  CHECK_HR(CLSIDFromProgID(L"TOVRAK_DLL.TOVRAK_Protocol", &clsid));
  CHECK(IsEqualCLSID(clsid, CLSID_TOVRAK_Protocol));

  Ptr<_TOVRAK_Connector> c1, c2;
  CHECK_HR(CreateByProgId(L"TOVRAK_DLL.TOVRAK_Connector", IID__TOVRAK_Connector, c1.put_void()));
  CHECK_HR(CreateByProgId(L"TOVRAK_DLL.TOVRAK_Connector", IID__TOVRAK_Connector, c2.put_void()));
  if (!c1 || !c2) return;
  Ptr<_TOVRAK_Protocol> p1, p1again, p2, own;
  CHECK_HR(c1->get_TOVRAK_Protocol(p1.put()));
  CHECK_HR(c1->get_TOVRAK_Protocol(p1again.put()));
  CHECK_HR(c2->get_TOVRAK_Protocol(p2.put()));
  // One shared instance, and the same COM object for it every time.
  CHECK_EQ(p1.get(), p1again.get());
  CHECK_EQ(p1.get(), p2.get());
  CHECK(SameObject(p1.get(), p2.get()));
  CHECK_HR(CreateByProgId(L"TOVRAK_DLL.TOVRAK_Protocol", IID__TOVRAK_Protocol, own.put_void()));
  CHECK(own && !SameObject(own.get(), p1.get()));

  // Aggregation is refused; an unknown class is not offered.
  Ptr<IUnknown> outer_try;
  CHECK_EQ(CoCreateInstance(CLSID_TOVRAK_Connector, reinterpret_cast<IUnknown*>(c1.get()),
                            CLSCTX_INPROC_SERVER, IID_IUnknown, outer_try.put_void()),
           CLASS_E_NOAGGREGATION);

  // Nothing of the component alive and its form never loaded: it may go.
  p1.reset();
  p1again.reset();
  p2.reset();
  own.reset();
  c1.reset();
  CHECK_EQ(AskCanUnload(), S_FALSE);
  c2.reset();
  CHECK_EQ(AskCanUnload(), S_OK);
  // Unloaded, and loaded again by the next creation.
  CoFreeUnusedLibrariesEx(0, 0);
  CHECK(GetModuleHandleW(L"TOVRAK_DLL.dll") == nullptr);
  CHECK_HR(CreateByProgId(L"TOVRAK_DLL.TOVRAK_Connector", IID__TOVRAK_Connector, c1.put_void()));
  if (c1) CHECK_HR(c1->get_TOVRAK_Protocol(p1.put()));
  Bstr about;
  if (p1) CHECK_HR(p1->get_About(about.put()));
  CHECK_EQ(about.str(), std::wstring(L"TOVRAK V1.2.3"));
}

void StartUpValuesEarlyBound() {
  Ptr<_TOVRAK_Connector> c;
  Ptr<_TOVRAK_Protocol> p;
  CHECK_HR(CoCreateInstance(CLSID_TOVRAK_Connector, nullptr, CLSCTX_INPROC_SERVER,
                            IID__TOVRAK_Connector, c.put_void()));
  if (!c) return;
  CHECK_HR(c->get_TOVRAK_Protocol(p.put()));
  if (!p) return;
  Bstr about;
  CHECK_HR(p->get_About(about.put()));
  CHECK_EQ(about.str(), std::wstring(L"TOVRAK V1.2.3"));
  VARIANT_BOOL b = 0;
  CHECK_HR(p->get_AutoPolling(&b));
  CHECK_EQ(b, VARIANT_TRUE);
  CHECK_HR(p->get_PortRTS(&b));
  CHECK_EQ(b, VARIANT_TRUE);
  CHECK_HR(p->get_PortDTR(&b));
  CHECK_EQ(b, VARIANT_FALSE);
  short s = 0;
  CHECK_HR(p->get_PowerON(&s));
  CHECK_EQ(s, -1);
  CHECK_HR(p->get_ChannelMax(&s));
  CHECK_EQ(s, 99);
  double d = 0;
  CHECK_HR(p->get_RangeMin(&d));
  CHECK_EQ(d, 0.03);
  CHECK_HR(p->get_VFO(&d));
  CHECK_EQ(d, 0.0);
  short index = 16;
  CHECK_HR(p->get_Property(&index, &s));
  CHECK_EQ(s, 127);
  Bstr speed;
  CHECK_HR(p->get_PortSpeed(speed.put()));
  CHECK_EQ(speed.str(), std::wstring());

  // A value set through one accessor reads back through the other, and
  // strings keep their characters.
  CHECK_HR(p->put_ChannelMin(5));
  CHECK_HR(p->get_ChannelMin(&s));
  CHECK_EQ(s, 5);
  CHECK_HR(p->put_StatusChange(VARIANT_TRUE));
  CHECK_HR(p->get_StatusChange(&b));
  CHECK_EQ(b, VARIANT_TRUE);

  // AutoNF holds a value, or an object by reference.
  VARIANT v = I4(70000);
  CHECK_HR(p->put_AutoNF(v));
  VARIANT got;
  VariantInit(&got);
  CHECK_HR(p->get_AutoNF(&got));
  CHECK(V_VT(&got) == VT_I4 && V_I4(&got) == 70000);
  VariantClear(&got);
  IDispatch* object = c.get();  // any dispatch object will do
  CHECK_HR(p->putref_AutoNF(object));
  CHECK_HR(p->get_AutoNF(&got));
  CHECK(V_VT(&got) == VT_DISPATCH && SameObject(V_DISPATCH(&got), object));
  VariantClear(&got);
  CHECK_HR(p->putref_AutoNF(nullptr));
}

void ErrorsEarlyBound() {
  Ptr<_TOVRAK_Connector> c;
  Ptr<_TOVRAK_Protocol> p;
  CHECK_HR(CoCreateInstance(CLSID_TOVRAK_Connector, nullptr, CLSCTX_INPROC_SERVER,
                            IID__TOVRAK_Connector, c.put_void()));
  if (!c || FAILED(c->get_TOVRAK_Protocol(p.put()))) return;
  Ptr<ISupportErrorInfo> sei;
  CHECK_HR(p->QueryInterface(IID_ISupportErrorInfo, sei.put_void()));
  if (sei) CHECK_EQ(sei->InterfaceSupportsErrorInfo(IID__TOVRAK_Protocol), S_OK);

  short index = 101, s = 0;
  CHECK_EQ(p->get_Property(&index, &s), static_cast<HRESULT>(0x800A0009));
  CHECK_EQ(ErrorDescription(), std::wstring(L"Subscript out of range"));
  VARIANT receiver = I2(2);
  CHECK_EQ(p->get_AFLevel(&receiver, &s), static_cast<HRESULT>(0x800A0009));
  CHECK_EQ(ErrorDescription(), std::wstring(L"Subscript out of range"));
  // Receiver given as the text 1 reads receiver 1.
  VARIANT text;
  VariantInit(&text);
  V_VT(&text) = VT_BSTR;
  V_BSTR(&text) = SysAllocString(L"1");
  CHECK_HR(p->get_AFLevel(&text, &s));
  CHECK(V_VT(&text) == VT_BSTR);  // left as it was given
  VariantClear(&text);
  CHECK_EQ(p->get_About(nullptr), E_POINTER);
}

void TypeLibrary() {
  Ptr<_TOVRAK_Protocol> p;
  CHECK_HR(CoCreateInstance(CLSID_TOVRAK_Protocol, nullptr, CLSCTX_INPROC_SERVER,
                            IID__TOVRAK_Protocol, p.put_void()));
  if (!p) return;
  Ptr<IProvideClassInfo2> pci;
  CHECK_HR(p->QueryInterface(IID_IProvideClassInfo2, pci.put_void()));
  if (!pci) return;
  GUID source{};
  CHECK_HR(pci->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source));
  CHECK(IsEqualGUID(source, DIID___TOVRAK_Protocol));
  Ptr<ITypeInfo> coclass;
  CHECK_HR(pci->GetClassInfo(coclass.put()));
  if (!coclass) return;
  Ptr<ITypeLib> lib;
  UINT at = 0;
  CHECK_HR(coclass->GetContainingTypeLib(lib.put(), &at));
  if (!lib) return;
  TLIBATTR* la = nullptr;
  CHECK_HR(lib->GetLibAttr(&la));
  if (la) {
    CHECK_EQ(la->wMajorVerNum, 1);
    CHECK_EQ(la->wMinorVerNum, 3);
    CHECK(IsEqualGUID(la->guid, LIBID_TOVRAK_DLL));
    lib->ReleaseTLibAttr(la);
  }
  Bstr lib_name;
  CHECK_HR(lib->GetDocumentation(-1, lib_name.put(), nullptr, nullptr, nullptr));
  CHECK_EQ(lib_name.str(), std::wstring(L"TOVRAK_DLL"));

  // The event: dispatch identifier 1, one Integer16 by reference, its help.
  Ptr<ITypeInfo> events;
  CHECK_HR(lib->GetTypeInfoOfGuid(DIID___TOVRAK_Protocol, events.put()));
  if (events) {
    FUNCDESC* fd = nullptr;
    CHECK_HR(events->GetFuncDesc(0, &fd));
    if (fd) {
      CHECK_EQ(fd->memid, 1);
      CHECK_EQ(fd->cParams, 1);
      CHECK(fd->lprgelemdescParam[0].tdesc.vt == VT_PTR &&
            fd->lprgelemdescParam[0].tdesc.lptdesc->vt == VT_I2);
      Bstr name, help;
      CHECK_HR(events->GetDocumentation(fd->memid, name.put(), help.put(), nullptr, nullptr));
      CHECK_EQ(name.str(), std::wstring(L"Change"));
      CHECK_EQ(help.str(),
               std::wstring(L"Asynchronous transmission of a change :\r\nState=0 RX VFO\r\n"
                            L"State=1 Mode/Filter\r\nState=2 Status\r\nState=3 S-Meter\r\n"
                            L"See also SetPolling"));
      events->ReleaseFuncDesc(fd);
    }
  }

  // The dual interface: 174 members after IDispatch's seven, in slot order.
  Ptr<ITypeInfo> dispatch, table;
  CHECK_HR(lib->GetTypeInfoOfGuid(IID__TOVRAK_Protocol, dispatch.put()));
  HREFTYPE ref = 0;
  if (dispatch && SUCCEEDED(dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref))) {
    CHECK_HR(dispatch->GetRefTypeInfo(ref, table.put()));
  }
  if (!table) return;
  TYPEATTR* ta = nullptr;
  CHECK_HR(table->GetTypeAttr(&ta));
  if (!ta) return;
  CHECK_EQ(ta->cFuncs, 174);
  CHECK(ta->wTypeFlags & TYPEFLAG_FDUAL);
  CHECK(ta->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
  const WORD count = ta->cFuncs;
  table->ReleaseTypeAttr(ta);
  int in_order = 0;
  std::wstring names[175];
  for (WORD i = 0; i < count; ++i) {
    FUNCDESC* fd = nullptr;
    if (FAILED(table->GetFuncDesc(i, &fd))) continue;
    if (fd->oVft == static_cast<SHORT>((7 + i) * sizeof(void*))) ++in_order;
    Bstr name;
    table->GetDocumentation(fd->memid, name.put(), nullptr, nullptr, nullptr);
    names[i + 1] = name.str();
    table->ReleaseFuncDesc(fd);
  }
  CHECK_EQ(in_order, 174);
  CHECK_EQ(names[1], std::wstring(L"MeterCaption"));
  CHECK_EQ(names[85], std::wstring(L"setTXW"));
  CHECK_EQ(names[149], std::wstring(L"VFOA_Freq"));
  CHECK_EQ(names[174], std::wstring(L"SetVFOB"));

  // Help strings: a property's quoted meaning, and the multi-line ones.
  DISPID id = 0;
  LPOLESTR n = const_cast<LPOLESTR>(L"Property");
  CHECK_HR(dispatch->GetIDsOfNames(&n, 1, &id));
  Bstr help;
  CHECK_HR(dispatch->GetDocumentation(id, nullptr, help.put(), nullptr, nullptr));
  CHECK(help.str().rfind(L"Property indicates the supported functions.\r\nFor each function", 0) ==
        0);
  n = const_cast<LPOLESTR>(L"PortSpeed");
  CHECK_HR(dispatch->GetIDsOfNames(&n, 1, &id));
  CHECK_HR(dispatch->GetDocumentation(id, nullptr, help.put(), nullptr, nullptr));
  CHECK_EQ(help.str(), std::wstring(L"Com Port Speed"));
}

void LateBinding() {
  Ptr<IDispatch> conn;
  CHECK_HR(CreateByProgId(L"TOVRAK_DLL.TOVRAK_Connector", IID_IDispatch, conn.put_void()));
  if (!conn) return;
  VARIANT r;
  VariantInit(&r);
  Late lc{conn.get()};
  CHECK_HR(lc.call(L"TOVRAK_Protocol", DISPATCH_PROPERTYGET, {}, &r));
  if (V_VT(&r) != VT_DISPATCH || !V_DISPATCH(&r)) return;
  Ptr<IDispatch> rig;
  *rig.put() = V_DISPATCH(&r);  // takes the reference
  Late l{rig.get()};

  // Names resolve exactly as written, and in any case.
  CHECK(l.id(L"setTXW") != DISPID_UNKNOWN);
  CHECK(l.id(L"VFOA_Freq") != DISPID_UNKNOWN);
  CHECK(l.id(L"sub_freq") != DISPID_UNKNOWN);
  CHECK_EQ(l.id(L"Frequency"), DISPID_UNKNOWN);

  // A let with a 32-bit value, read back.
  VariantInit(&r);
  CHECK_HR(l.call(L"ChannelMax", DISPATCH_PROPERTYPUT, {I4(250)}, nullptr));
  CHECK_HR(l.call(L"ChannelMax", DISPATCH_PROPERTYGET, {}, &r));
  CHECK(V_VT(&r) == VT_I2 && V_I2(&r) == 250);
  CHECK_EQ(l.call(L"ChannelMax", DISPATCH_PROPERTYPUT, {I4(40000)}, nullptr), DISP_E_OVERFLOW);

  // A script's variable holding the text "16", passed by reference: the
  // member reads it as 16 and writes 16 back in its own type.
  VARIANT var;
  VariantInit(&var);
  V_VT(&var) = VT_BSTR;
  V_BSTR(&var) = SysAllocString(L"16");
  CHECK_HR(l.call(L"Property", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {RefTo(&var)}, &r));
  CHECK(V_VT(&r) == VT_I2 && V_I2(&r) == 127);
  CHECK(V_VT(&var) == VT_I2 && V_I2(&var) == 16);
  VariantClear(&var);
  // A by-reference Integer16 variable goes straight through.
  short index = 45;
  VARIANT direct;
  VariantInit(&direct);
  V_VT(&direct) = VT_I2 | VT_BYREF;
  V_I2REF(&direct) = &index;
  CHECK_HR(l.call(L"Property", DISPATCH_PROPERTYGET, {direct}, &r));
  CHECK(V_VT(&r) == VT_I2 && V_I2(&r) == 0);

  // Refusals: a subscript out of range, a wrong count, a value that is no number.
  EXCEPINFO ei{};
  CHECK_EQ(l.call(L"AFLevel", DISPATCH_PROPERTYGET, {I2(2)}, &r, &ei), DISP_E_EXCEPTION);
  CHECK_EQ(ei.scode, static_cast<SCODE>(0x800A0009));
  CHECK(ei.bstrDescription && std::wstring(ei.bstrDescription) == L"Subscript out of range");
  SysFreeString(ei.bstrSource);
  SysFreeString(ei.bstrDescription);
  CHECK_EQ(l.call(L"Property", DISPATCH_PROPERTYGET, {}, &r), DISP_E_BADPARAMCOUNT);
  CHECK_EQ(l.call(L"Property", DISPATCH_PROPERTYGET, {I2(1), I2(2)}, &r), DISP_E_BADPARAMCOUNT);
  VARIANT word;
  VariantInit(&word);
  V_VT(&word) = VT_BSTR;
  V_BSTR(&word) = SysAllocString(L"abc");
  CHECK_EQ(l.call(L"Property", DISPATCH_PROPERTYGET, {RefTo(&word)}, &r), DISP_E_TYPEMISMATCH);
  CHECK(V_VT(&word) == VT_BSTR);  // a refused call writes nothing back
  VariantClear(&word);
  CHECK_EQ(l.call(L"Frequency", DISPATCH_PROPERTYGET, {}, &r), DISP_E_MEMBERNOTFOUND);
}

void EventsAndSerialLink() {
  FarEnd radio(g_far_port);
  CHECK(radio.ok());
  if (!radio.ok()) return;
  Ptr<_TOVRAK_Connector> c;
  Ptr<_TOVRAK_Protocol> p;
  CHECK_HR(CoCreateInstance(CLSID_TOVRAK_Connector, nullptr, CLSCTX_INPROC_SERVER,
                            IID__TOVRAK_Connector, c.put_void()));
  if (!c || FAILED(c->get_TOVRAK_Protocol(p.put()))) return;

  ChangeSink sink(DIID___TOVRAK_Protocol);
  Ptr<IConnectionPointContainer> cpc;
  Ptr<IConnectionPoint> cp;
  CHECK_HR(p->QueryInterface(IID_IConnectionPointContainer, cpc.put_void()));
  if (!cpc) return;
  CHECK_HR(cpc->FindConnectionPoint(DIID___TOVRAK_Protocol, cp.put()));
  Ptr<IConnectionPoint> wrong;
  CHECK_EQ(cpc->FindConnectionPoint(IID_IDispatch, wrong.put()), CONNECT_E_NOCONNECTION);
  if (!cp) return;
  DWORD cookie = 0;
  CHECK_HR(cp->Advise(&sink, &cookie));
  CHECK(cookie != 0);

  // The host's order: port, speed, open.
  CHECK_HR(p->put_Port(g_port));
  Bstr speed(L"9600");
  CHECK_HR(p->put_PortSpeed(speed.get()));
  VARIANT_BOOL open = VARIANT_TRUE, ok = VARIANT_FALSE;
  Bstr address, code, msg;
  CHECK_HR(p->SetPort(&open, address.put(), code.put(), msg.put(), &ok));
  CHECK_EQ(ok, VARIANT_TRUE);
  CHECK_EQ(msg.str(), std::wstring());
  VARIANT_BOOL is_open = VARIANT_FALSE;
  CHECK_HR(p->get_PortOpen(&is_open));
  CHECK_EQ(is_open, VARIANT_TRUE);
  if (is_open != VARIANT_TRUE) return;

  // An answer from the radio: the frequency lands in the state, and the
  // first answer after opening reports mode and S-meter, and asks for width
  // and IF shift.
  radio.send("FA14250000;");
  double freq = 0;
  CHECK(RunUntil([&] { return SUCCEEDED(p->get_VFOA_Freq(&freq)) && freq == 14.25; }));
  CHECK(RunUntil([&] { return sink.saw(1) && sink.saw(3); }));
  CHECK_EQ(sink.thread, GetCurrentThreadId());
  CHECK_HR(p->get_Freq(&freq));
  CHECK_EQ(freq, 14.25);
  CHECK(RunUntil([&] { return radio.heard_text("SH0;") && radio.heard_text("IS0;"); }));

  // An S-meter answer split over two writes is decoded once complete.
  sink.states.clear();
  radio.send("SM00");
  RunUntil([] { return false; }, 100);
  radio.send("15;");
  short smeter = 0;
  CHECK(RunUntil([&] { return SUCCEEDED(p->get_SMeter(&smeter)) && smeter == 15; }));
  CHECK(RunUntil([&] { return sink.saw(3); }));
  CHECK_EQ(sink.malformed, 0);

  // A mode answer for VFO A: CW.
  sink.states.clear();
  radio.send("MD03;");
  short mode = -1;
  CHECK(RunUntil([&] { return SUCCEEDED(p->get_Mode(&mode)) && mode == 2; }));
  CHECK(RunUntil([&] { return sink.saw(1); }));

  // A command of the host goes out on the wire.
  radio.forget();
  VARIANT_BOOL done = VARIANT_FALSE;
  CHECK_HR(p->SetFreq(7.05, &done));
  CHECK_EQ(done, VARIANT_TRUE);
  CHECK(RunUntil([&] { return radio.heard_text("FA07050000;"); }));

  // CAT on: the radio is asked who it is, and the timers start polling.
  radio.forget();
  short cat = 1, cat_result = 0;
  CHECK_HR(p->SetCAT(&cat, &cat_result));
  CHECK_EQ(cat_result, -1);
  CHECK(RunUntil([&] { return radio.heard_text("ID;"); }, 10000));
  CHECK(RunUntil([&] { return radio.heard_text("FB;") || radio.heard_text("IF;"); }, 10000));

  // Unsubscribed, the sink hears no more and is let go.
  CHECK_HR(cp->Unadvise(cookie));
  CHECK_EQ(cp->Unadvise(cookie), CONNECT_E_NOCONNECTION);
  CHECK_EQ(sink.refs(), 0u);
  sink.states.clear();
  radio.send("SM0020;");
  CHECK(RunUntil([&] { return SUCCEEDED(p->get_SMeter(&smeter)) && smeter == 20; }));
  CHECK(sink.states.empty());

  cat = 0;
  CHECK_HR(p->SetCAT(&cat, &cat_result));
  open = VARIANT_FALSE;
  CHECK_HR(p->SetPort(&open, address.put(), code.put(), msg.put(), &ok));
  CHECK_EQ(ok, VARIANT_TRUE);
  CHECK_HR(p->get_PortOpen(&is_open));
  CHECK_EQ(is_open, VARIANT_FALSE);

  // A port that is not there: refused with the reason in MSG.
  CHECK_HR(p->put_Port(9));
  open = VARIANT_TRUE;
  CHECK_HR(p->SetPort(&open, address.put(), code.put(), msg.put(), &ok));
  CHECK_EQ(ok, VARIANT_FALSE);
  CHECK(msg.str().find(L"COM9") != std::wstring::npos);

  // The form is loaded: the component stays in the process.
  cp.reset();
  cpc.reset();
  p.reset();
  c.reset();
  CHECK_EQ(AskCanUnload(), S_FALSE);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3) {
    g_port = static_cast<short>(std::atoi(argv[1]));
    g_far_port = static_cast<short>(std::atoi(argv[2]));
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  using tovrak::wintest::Group;
  int failed = tovrak::wintest::RunGroups({
      {"creation and sharing", CreationAndSharing},
      {"start-up values, early bound", StartUpValuesEarlyBound},
      {"errors, early bound", ErrorsEarlyBound},
      {"type library", TypeLibrary},
      {"late binding", LateBinding},
      {"events and the serial link", EventsAndSerialLink},
  });
  CoUninitialize();
  return failed ? 1 : 0;
}
