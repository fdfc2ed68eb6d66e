// The COM objects of the component: TOVRAK_Protocol over a core control
// object, with its Change event through a connection point, and
// TOVRAK_Connector over a core connector.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <ocidl.h>
#include <oleauto.h>
#include <olectl.h>

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "TOVRAK_DLL.h"
#include "hosts/com/com_ptr.hpp"
#include "hosts/com/dispatch.hpp"
#include "hosts/com/errors.hpp"
#include "hosts/com/marshal.hpp"
#include "tovrak/connector.hpp"
#include "tovrak/protocol.hpp"

namespace tovrak::com {

class ProtocolObject final : public _TOVRAK_Protocol,
                             public IConnectionPointContainer,
                             public IProvideClassInfo2,
                             public ISupportErrorInfo {
 public:
  // The COM object of a core control object: the same object every time for
  // the same core object, as long as the COM object lives.
  static ComPtr<ProtocolObject> Of(const std::shared_ptr<TOVRAK_Protocol>& core);

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* excep, UINT* arg_err) override;

  // _TOVRAK_Protocol: one forwarding method per slot, generated.
#include "hosts/com/generated/protocol_methods.inc"

  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override;
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;

  // IProvideClassInfo2
  HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** out) override;
  HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* out) override;

  // ISupportErrorInfo
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

 private:
  class ChangePoint;

  explicit ProtocolObject(std::shared_ptr<TOVRAK_Protocol> core);
  ~ProtocolObject();

  TOVRAK_Protocol& core() { return *core_; }
  template <class F>
  HRESULT Guard(F&& body) noexcept {
    return com::Guard(IID__TOVRAK_Protocol, std::forward<F>(body));
  }

  std::atomic<ULONG> refs_{1};
  std::shared_ptr<TOVRAK_Protocol> core_;
  std::unique_ptr<ChangePoint> change_;
};

class ConnectorObject final : public _TOVRAK_Connector,
                              public IProvideClassInfo,
                              public ISupportErrorInfo {
 public:
  // A new connector in the calling thread's apartment.
  static HRESULT Create(REFIID iid, void** out);

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* excep, UINT* arg_err) override;

  // _TOVRAK_Connector
  HRESULT STDMETHODCALLTYPE get_TOVRAK_Protocol(_TOVRAK_Protocol** result) override;

  // IProvideClassInfo
  HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** out) override;

  // ISupportErrorInfo
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

 private:
  explicit ConnectorObject(std::unique_ptr<TOVRAK_Connector> core);
  ~ConnectorObject();

  std::atomic<ULONG> refs_{1};
  std::unique_ptr<TOVRAK_Connector> core_;
};

// Creates a TOVRAK_Protocol of its own in the calling thread's apartment.
HRESULT CreateProtocolObject(REFIID iid, void** out);

}  // namespace tovrak::com
