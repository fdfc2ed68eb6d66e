// A C++ host of the registered component under Wine: it creates the classes
// by ProgID, binds early through the generated header, reads the type
// library, subscribes to Change through the connection point, and drives the
// serial link while playing the radio on the far end of a connected port
// pair. (Late binding is the Visual Basic style host's.)
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

VARIANT I4(long v) {
  VARIANT x;
  VariantInit(&x);
  V_VT(&x) = VT_I4;
  V_I4(&x) = v;
  return x;
}

// ---------------------------------------------------------------- groups

void CreationAndSharing() {
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

// The forwarding of each kind of parameter through the vtable, and errors
// as an HRESULT with the description in the thread's error object.
void EarlyBinding() {
  Ptr<_TOVRAK_Connector> c;
  Ptr<_TOVRAK_Protocol> p;
  CHECK_HR(CoCreateInstance(CLSID_TOVRAK_Connector, nullptr, CLSCTX_INPROC_SERVER,
                            IID__TOVRAK_Connector, c.put_void()));
  if (!c || FAILED(c->get_TOVRAK_Protocol(p.put()))) return;
  VARIANT_BOOL b = 0;
  CHECK_HR(p->get_PortRTS(&b));
  CHECK_EQ(b, VARIANT_TRUE);
  double d = 0;
  CHECK_HR(p->get_RangeMin(&d));
  CHECK_EQ(d, 0.03);
  short index = 16, s = 0;
  CHECK_HR(p->get_Property(&index, &s));
  CHECK_EQ(s, 127);
  CHECK_HR(p->put_ChannelMin(5));
  CHECK_HR(p->get_ChannelMin(&s));
  CHECK_EQ(s, 5);

  // AutoNF holds a value, or an object by reference.
  VARIANT got;
  VariantInit(&got);
  CHECK_HR(p->put_AutoNF(I4(70000)));
  CHECK_HR(p->get_AutoNF(&got));
  CHECK(V_VT(&got) == VT_I4 && V_I4(&got) == 70000);
  VariantClear(&got);
  IDispatch* object = c.get();  // any dispatch object will do
  CHECK_HR(p->putref_AutoNF(object));
  CHECK_HR(p->get_AutoNF(&got));
  CHECK(V_VT(&got) == VT_DISPATCH && SameObject(V_DISPATCH(&got), object));
  VariantClear(&got);
  CHECK_HR(p->putref_AutoNF(nullptr));

  Ptr<ISupportErrorInfo> sei;
  CHECK_HR(p->QueryInterface(IID_ISupportErrorInfo, sei.put_void()));
  if (sei) CHECK_EQ(sei->InterfaceSupportsErrorInfo(IID__TOVRAK_Protocol), S_OK);
  index = 101;
  CHECK_EQ(p->get_Property(&index, &s), static_cast<HRESULT>(0x800A0009));
  CHECK_EQ(ErrorDescription(), std::wstring(L"Subscript out of range"));
  // A VARIANT by reference is read, and left as it was given.
  VARIANT text;
  VariantInit(&text);
  V_VT(&text) = VT_BSTR;
  V_BSTR(&text) = SysAllocString(L"1");
  CHECK_HR(p->get_AFLevel(&text, &s));
  CHECK(V_VT(&text) == VT_BSTR);
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

  // The dual interface: 174 members after IDispatch's seven.
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
  CHECK_EQ(ta->wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION),
           TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION);
  table->ReleaseTypeAttr(ta);
}

// Bytes both ways on a real port, and Change through the connection point
// on the host's thread, whatever the handler assigns to State.
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
  sink.reply = 99;
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
  VARIANT_BOOL is_open = VARIANT_FALSE;
  CHECK_HR(p->get_PortOpen(&is_open));
  CHECK_EQ(is_open, VARIANT_TRUE);
  if (is_open != VARIANT_TRUE) return;

  // An answer from the radio lands in the state and is told.
  radio.send("FA14250000;");
  double freq = 0;
  CHECK(RunUntil([&] { return SUCCEEDED(p->get_VFOA_Freq(&freq)) && freq == 14.25; }));
  CHECK(RunUntil([&] { return sink.saw(1) && sink.saw(3); }));
  CHECK_EQ(sink.thread, GetCurrentThreadId());
  CHECK_EQ(sink.malformed, 0);

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
  short smeter = 0;
  CHECK(RunUntil([&] { return SUCCEEDED(p->get_SMeter(&smeter)) && smeter == 20; }));
  CHECK(sink.states.empty());

  cat = 0;
  CHECK_HR(p->SetCAT(&cat, &cat_result));
  open = VARIANT_FALSE;
  CHECK_HR(p->SetPort(&open, address.put(), code.put(), msg.put(), &ok));
  CHECK_HR(p->get_PortOpen(&is_open));
  CHECK_EQ(is_open, VARIANT_FALSE);

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
      {"early binding", EarlyBinding},
      {"type library", TypeLibrary},
      {"events and the serial link", EventsAndSerialLink},
  });
  CoUninitialize();
  return failed ? 1 : 0;
}
