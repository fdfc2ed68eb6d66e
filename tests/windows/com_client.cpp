// A C++ host of the registered component under Wine: early binding through
// the generated header, the type library, Change through the connection
// point, and the serial link with this program as the radio on the far end
// (late binding is the Visual Basic style host's).
#include <windows.h>

#include <ocidl.h>
#include <olectl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "TOVRAK_DLL.h"
#include "host.hpp"

namespace {

using namespace tovrak::wintest;

// The Protocol class by its ProgID (the connector's is the scripting hosts').
HRESULT CreateProtocol(Ptr<_TOVRAK_Protocol>& out) {
  CLSID clsid{};  // unknown: CLSID_NULL, which no class has
  CLSIDFromProgID(L"TOVRAK_DLL.TOVRAK_Protocol", &clsid);
  return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID__TOVRAK_Protocol,
                          out.put_void());
}

// A Change handler on the host's stack: it records each State and the
// thread that told it, counts calls without Change's shape (dispatch id 1,
// one Integer by reference), and assigns to State, as a VB handler may.
class ChangeSink final : public IDispatch {
 public:
  std::vector<short> states;
  int malformed = 0;
  DWORD thread = 0;
  ULONG refs = 0;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    bool mine = iid == IID_IUnknown || iid == IID_IDispatch || iid == DIID___TOVRAK_Protocol;
    *out = mine ? (AddRef(), this) : nullptr;
    return mine ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return *n = 0, S_OK; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*,
                                   EXCEPINFO*, UINT*) override {
    VARIANT& state = p->rgvarg[0];
    if (id != 1 || p->cArgs != 1 || V_VT(&state) != (VT_I2 | VT_BYREF) || !V_I2REF(&state))
      return ++malformed, DISP_E_MEMBERNOTFOUND;
    states.push_back(*V_I2REF(&state));
    thread = GetCurrentThreadId();
    *V_I2REF(&state) = 99;
    return S_OK;
  }
  bool saw(short state) const { return std::count(states.begin(), states.end(), state) > 0; }
};

void CreationAndSharing() {
  Ptr<_TOVRAK_Connector> c1, c2;
  Ptr<_TOVRAK_Protocol> p1, p2, own;
  if (!Rig(c1, p1) || !Rig(c2, p2)) return;
  // One shared instance, and the same COM object for it every time.
  CHECK_EQ(p1.get(), p2.get());
  CHECK_HR(CreateProtocol(own));
  CHECK(own && own.get() != p1.get());
  Ptr<IUnknown> outer_try;  // aggregation is refused
  CHECK_EQ(CoCreateInstance(CLSID_TOVRAK_Connector, reinterpret_cast<IUnknown*>(c1.get()),
                            CLSCTX_INPROC_SERVER, IID_IUnknown, outer_try.put_void()),
           CLASS_E_NOAGGREGATION);

  // Nothing of the component alive and its form never loaded: it may go.
  for (auto* p : {&p1, &p2, &own}) p->reset();
  c1.reset();
  CHECK_EQ(AskCanUnload(), S_FALSE);
  c2.reset();
  CHECK_EQ(AskCanUnload(), S_OK);
  // Unloaded, and loaded again by the next creation.
  CoFreeUnusedLibrariesEx(0, 0);
  CHECK(GetModuleHandleW(L"TOVRAK_DLL.dll") == nullptr);
  Bstr about;
  if (Rig(c1, p1)) CHECK_HR(p1->get_About(about.put()));
  CHECK_EQ(about.str(), std::wstring(L"TOVRAK V1.2.3"));
}

// Through the vtable, as a compiled host calls (each kind of parameter is the
// late-binding hosts': IDispatch::Invoke calls the same vtable). Errors as an
// HRESULT with the description in the thread's error object.
void EarlyBinding() {
  Ptr<_TOVRAK_Connector> c;
  Ptr<_TOVRAK_Protocol> p;
  Ptr<ISupportErrorInfo> sei;
  Ptr<IErrorInfo> error;
  Bstr description;
  if (!Rig(c, p) || !CHECK_HR(p->QueryInterface(IID_ISupportErrorInfo, sei.put_void()))) return;
  CHECK_EQ(sei->InterfaceSupportsErrorInfo(IID__TOVRAK_Protocol), S_OK);
  short index = 101, s = 0;
  CHECK_EQ(p->get_Property(&index, &s), static_cast<HRESULT>(0x800A0009));
  if (CHECK_EQ(GetErrorInfo(0, error.put()), S_OK)) error->GetDescription(description.put());
  CHECK_EQ(description.str(), std::wstring(L"Subscript out of range"));
  CHECK_EQ(p->get_About(nullptr), E_POINTER);
}

void TypeLibrary() {
  Ptr<_TOVRAK_Protocol> p;
  Ptr<IProvideClassInfo2> pci;
  Ptr<ITypeInfo> coclass, events, dispatch, table;
  Ptr<ITypeLib> lib;
  if (!CHECK_HR(CreateProtocol(p)) ||
      !CHECK_HR(p->QueryInterface(IID_IProvideClassInfo2, pci.put_void())))
    return;
  GUID source{};
  CHECK_HR(pci->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source));
  CHECK(IsEqualGUID(source, DIID___TOVRAK_Protocol));
  UINT at = 0;
  if (!CHECK_HR(pci->GetClassInfo(coclass.put())) ||
      !CHECK_HR(coclass->GetContainingTypeLib(lib.put(), &at)))
    return;

  Bstr help;  // the event's, with its line breaks
  if (CHECK_HR(lib->GetTypeInfoOfGuid(DIID___TOVRAK_Protocol, events.put())))
    CHECK_HR(events->GetDocumentation(1, nullptr, help.put(), nullptr, nullptr));
  CHECK_EQ(help.str(), std::wstring(L"Asynchronous transmission of a change :\r\nState=0 RX VFO\r\n"
                                    L"State=1 Mode/Filter\r\nState=2 Status\r\nState=3 S-Meter\r\n"
                                    L"See also SetPolling"));

  // The dual interface: 174 members after IDispatch's seven.
  HREFTYPE ref = 0;
  TYPEATTR* ta = nullptr;
  if (!CHECK_HR(lib->GetTypeInfoOfGuid(IID__TOVRAK_Protocol, dispatch.put())) ||
      !CHECK_HR(dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) ||
      !CHECK_HR(dispatch->GetRefTypeInfo(ref, table.put())) || !CHECK_HR(table->GetTypeAttr(&ta)))
    return;
  CHECK_EQ(ta->cFuncs, 174);
  CHECK_EQ(ta->wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION),
           TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION);
  table->ReleaseTypeAttr(ta);
}

// The radio's answers on a real port, and Change through the connection
// point on the host's thread.
void EventsAndSerialLink() {
  FarEnd radio(kFarPort);
  Ptr<_TOVRAK_Connector> c;
  Ptr<_TOVRAK_Protocol> p;
  Ptr<IConnectionPointContainer> cpc;
  Ptr<IConnectionPoint> cp, wrong;
  if (!CHECK(radio.ok()) || !Rig(c, p) ||
      !CHECK_HR(p->QueryInterface(IID_IConnectionPointContainer, cpc.put_void())))
    return;
  CHECK_EQ(cpc->FindConnectionPoint(IID_IDispatch, wrong.put()), CONNECT_E_NOCONNECTION);
  if (!CHECK_HR(cpc->FindConnectionPoint(DIID___TOVRAK_Protocol, cp.put()))) return;
  ChangeSink sink;
  DWORD cookie = 0;
  CHECK_HR(cp->Advise(&sink, &cookie));

  if (!CHECK(OpenPort(p.get(), kPort))) return;

  // An answer from the radio lands in the state and is told.
  radio.send("FA14250000;");
  double freq = 0;
  short smeter = 0;
  CHECK(RunUntil([&] { return SUCCEEDED(p->get_VFOA_Freq(&freq)) && freq == 14.25; }));
  CHECK(RunUntil([&] { return sink.saw(1) && sink.saw(3); }));
  CHECK_EQ(sink.thread, GetCurrentThreadId());
  CHECK_EQ(sink.malformed, 0);

  // Unsubscribed, the sink hears no more and is let go.
  CHECK_HR(cp->Unadvise(cookie));
  CHECK_EQ(cp->Unadvise(cookie), CONNECT_E_NOCONNECTION);
  CHECK_EQ(sink.refs, 0u);
  sink.states.clear();
  radio.send("SM0020;");
  CHECK(RunUntil([&] { return SUCCEEDED(p->get_SMeter(&smeter)) && smeter == 20; }));
  CHECK(sink.states.empty());
  // The form is loaded: the component stays in the process (its port is open).
  cp.reset(), cpc.reset(), p.reset(), c.reset();
  CHECK_EQ(AskCanUnload(), S_FALSE);
}

}  // namespace

int main() {
  return RunInApartment({{"creation and sharing", CreationAndSharing},
                         {"early binding", EarlyBinding},
                         {"type library", TypeLibrary},
                         {"events and the serial link", EventsAndSerialLink}});
}
