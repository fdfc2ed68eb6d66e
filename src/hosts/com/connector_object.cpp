#include "hosts/com/objects.hpp"
#include "hosts/com/server.hpp"
#include "platform/win32/win32_apartment.hpp"

namespace tovrak::com {

namespace {

TypeDispatch& Dispatch() {
  static TypeDispatch d(IID__TOVRAK_Connector);
  return d;
}

}  // namespace

HRESULT ConnectorObject::Create(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  ConnectorObject* object = nullptr;
  HRESULT hr = Guard(IID__TOVRAK_Connector, [&] {
    auto core = std::make_unique<TOVRAK_Connector>(platform::Win32Apartment::Current());
    object = new ConnectorObject(std::move(core));
  });
  if (FAILED(hr)) return hr;
  hr = object->QueryInterface(iid, out);
  object->Release();
  return hr;
}

ConnectorObject::ConnectorObject(std::unique_ptr<TOVRAK_Connector> core) : core_(std::move(core)) {
  ObjectCreated();
}

ConnectorObject::~ConnectorObject() {
  core_.reset();
  ObjectDestroyed();
}

HRESULT ConnectorObject::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID__TOVRAK_Connector) {
    *out = static_cast<_TOVRAK_Connector*>(this);
  } else if (iid == IID_IProvideClassInfo) {
    *out = static_cast<IProvideClassInfo*>(this);
  } else if (iid == IID_ISupportErrorInfo) {
    *out = static_cast<ISupportErrorInfo*>(this);
  } else {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG ConnectorObject::AddRef() { return ++refs_; }

ULONG ConnectorObject::Release() {
  ULONG n = --refs_;
  if (n == 0) delete this;
  return n;
}

HRESULT ConnectorObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT ConnectorObject::GetTypeInfo(UINT index, LCID, ITypeInfo** out) {
  return Dispatch().GetTypeInfo(index, out);
}

HRESULT ConnectorObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  return Dispatch().GetIDsOfNames(names, count, ids);
}

HRESULT ConnectorObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                VARIANT* result, EXCEPINFO* excep, UINT* arg_err) {
  return Dispatch().Invoke(static_cast<_TOVRAK_Connector*>(this), id, flags, params, result, excep,
                           arg_err);
}

HRESULT ConnectorObject::get_TOVRAK_Protocol(_TOVRAK_Protocol** result) {
  return Guard(IID__TOVRAK_Connector, [&] {
    NotNull(result);
    *result = nullptr;
    auto shared = core_->get_TOVRAK_Protocol();
    if (shared) *result = ProtocolObject::Of(shared).detach();
  });
}

HRESULT ConnectorObject::GetClassInfo(ITypeInfo** out) {
  return TypeInfoOf(CLSID_TOVRAK_Connector, out);
}

HRESULT ConnectorObject::InterfaceSupportsErrorInfo(REFIID iid) {
  return iid == IID__TOVRAK_Connector ? S_OK : S_FALSE;
}

}  // namespace tovrak::com
