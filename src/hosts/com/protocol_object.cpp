#include <mutex>
#include <vector>

#include "hosts/com/counted.hpp"
#include "hosts/com/objects.hpp"
#include "hosts/com/server.hpp"
#include "platform/win32/win32_apartment.hpp"

namespace tovrak::com {

namespace {

TypeDispatch& Dispatch() {
  static TypeDispatch d(IID__TOVRAK_Protocol);
  return d;
}

// Core object -> its COM object, for as long as the COM object lives.
std::mutex g_objects_mutex;
std::map<TOVRAK_Protocol*, ProtocolObject*>& Objects() {
  static auto* objects = new std::map<TOVRAK_Protocol*, ProtocolObject*>();
  return *objects;
}

// Takes a reference unless the count already reached 0 (the object is
// going away).
bool AddRefIfAlive(std::atomic<ULONG>& refs) {
  ULONG n = refs.load();
  while (n != 0) {
    if (refs.compare_exchange_weak(n, n + 1)) return true;
  }
  return false;
}

// An enumeration of the one connection point.
class PointEnum final : public Counted<IEnumConnectionPoints> {
 public:
  PointEnum(IConnectionPoint* point, ULONG at)
      : Counted(IID_IEnumConnectionPoints), point_(point), at_(at) {}

  HRESULT STDMETHODCALLTYPE Next(ULONG count, IConnectionPoint** out, ULONG* fetched) override {
    if (!out) return E_POINTER;
    ULONG got = 0;
    if (count > 0 && at_ == 0) {
      out[0] = point_.get();
      point_->AddRef();
      got = 1;
      at_ = 1;
    }
    if (fetched) *fetched = got;
    return got == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    if (count == 0) return S_OK;
    bool had = at_ == 0;
    at_ = 1;
    return had && count == 1 ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    at_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumConnectionPoints** out) override {
    if (!out) return E_POINTER;
    *out = new PointEnum(point_.get(), at_);
    return S_OK;
  }

 private:
  ComPtr<IConnectionPoint> point_;
  ULONG at_;
};

// An enumeration of the sinks connected at the time it was made.
class SinkEnum final : public Counted<IEnumConnections> {
 public:
  SinkEnum(std::vector<std::pair<DWORD, ComPtr<IUnknown>>> sinks, size_t at)
      : Counted(IID_IEnumConnections), sinks_(std::move(sinks)), at_(at) {}

  HRESULT STDMETHODCALLTYPE Next(ULONG count, CONNECTDATA* out, ULONG* fetched) override {
    if (!out) return E_POINTER;
    ULONG got = 0;
    for (; got < count && at_ < sinks_.size(); ++got, ++at_) {
      out[got].dwCookie = sinks_[at_].first;
      out[got].pUnk = sinks_[at_].second.get();
      out[got].pUnk->AddRef();
    }
    if (fetched) *fetched = got;
    return got == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    size_t left = sinks_.size() - at_;
    at_ += std::min<size_t>(count, left);
    return count <= left ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    at_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumConnections** out) override {
    if (!out) return E_POINTER;
    *out = new SinkEnum(sinks_, at_);
    return S_OK;
  }

 private:
  std::vector<std::pair<DWORD, ComPtr<IUnknown>>> sinks_;
  size_t at_;
};

}  // namespace

// ---------------------------------------------------------------- Change

// The connection point of __TOVRAK_Protocol. Each sink subscribes to the
// core's Change event; the event reaches it through its IDispatch::Invoke
// with dispatch identifier 1 and the state as a VT_I2 | VT_BYREF argument.
class ProtocolObject::ChangePoint final : public IConnectionPoint {
 public:
  explicit ChangePoint(ProtocolObject& owner) : owner_(owner) {}
  ~ChangePoint() {
    for (auto& [cookie, sink] : sinks_) owner_.core().UnadviseChange(cookie);
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
      *out = static_cast<IConnectionPoint*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return owner_.AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return owner_.Release(); }

  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* out) override {
    if (!out) return E_POINTER;
    *out = DIID___TOVRAK_Protocol;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override {
    if (!out) return E_POINTER;
    *out = static_cast<IConnectionPointContainer*>(&owner_);
    owner_.AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
    if (!sink || !cookie) return E_POINTER;
    *cookie = 0;
    ComPtr<IDispatch> target;
    if (FAILED(
            sink->QueryInterface(DIID___TOVRAK_Protocol, reinterpret_cast<void**>(target.put()))) &&
        FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(target.put())))) {
      return CONNECT_E_CANNOTCONNECT;
    }
    return com::Guard(IID_IConnectionPoint, [&] {
      uint32_t c = owner_.core().AdviseChange([target](int16_t& state) {
        VARIANTARG arg;
        VariantInit(&arg);
        V_VT(&arg) = VT_I2 | VT_BYREF;
        V_I2REF(&arg) = &state;
        DISPPARAMS params{&arg, nullptr, 1, 0};
        // A sink's failure is its own business: the event goes on to the next.
        target->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                       nullptr);
      });
      sinks_[c] = ComPtr<IUnknown>(sink);
      *cookie = c;
    });
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
    auto it = sinks_.find(cookie);
    if (it == sinks_.end()) return CONNECT_E_NOCONNECTION;
    // The sink may be released here, and may release this object with it.
    ComPtr<IUnknown> sink = std::move(it->second);
    sinks_.erase(it);
    owner_.core().UnadviseChange(cookie);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override {
    if (!out) return E_POINTER;
    std::vector<std::pair<DWORD, ComPtr<IUnknown>>> sinks(sinks_.begin(), sinks_.end());
    *out = new SinkEnum(std::move(sinks), 0);
    return S_OK;
  }

 private:
  ProtocolObject& owner_;
  std::map<DWORD, ComPtr<IUnknown>> sinks_;
};

// ---------------------------------------------------------------- object

ComPtr<ProtocolObject> ProtocolObject::Of(const std::shared_ptr<TOVRAK_Protocol>& core) {
  std::lock_guard<std::mutex> lock(g_objects_mutex);
  auto it = Objects().find(core.get());
  if (it != Objects().end() && AddRefIfAlive(it->second->refs_)) {
    return ComPtr<ProtocolObject>::adopt(it->second);
  }
  auto* object = new ProtocolObject(core);
  Objects()[core.get()] = object;
  return ComPtr<ProtocolObject>::adopt(object);
}

ProtocolObject::ProtocolObject(std::shared_ptr<TOVRAK_Protocol> core)
    : core_(std::move(core)), change_(std::make_unique<ChangePoint>(*this)) {
  ObjectCreated();
}

ProtocolObject::~ProtocolObject() {
  {
    std::lock_guard<std::mutex> lock(g_objects_mutex);
    auto it = Objects().find(core_.get());
    if (it != Objects().end() && it->second == this) Objects().erase(it);
  }
  change_.reset();
  core_.reset();
  ObjectDestroyed();
}

HRESULT CreateProtocolObject(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  ComPtr<ProtocolObject> object;
  HRESULT hr = Guard(IID__TOVRAK_Protocol, [&] {
    object = ProtocolObject::Of(CreateProtocol(platform::Win32Apartment::Current()));
  });
  if (FAILED(hr)) return hr;
  return object->QueryInterface(iid, out);
}

HRESULT ProtocolObject::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID__TOVRAK_Protocol) {
    *out = static_cast<_TOVRAK_Protocol*>(this);
  } else if (iid == IID_IConnectionPointContainer) {
    *out = static_cast<IConnectionPointContainer*>(this);
  } else if (iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2) {
    *out = static_cast<IProvideClassInfo2*>(this);
  } else if (iid == IID_ISupportErrorInfo) {
    *out = static_cast<ISupportErrorInfo*>(this);
  } else {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG ProtocolObject::AddRef() { return ++refs_; }

ULONG ProtocolObject::Release() {
  ULONG n = --refs_;
  if (n == 0) delete this;
  return n;
}

HRESULT ProtocolObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT ProtocolObject::GetTypeInfo(UINT index, LCID, ITypeInfo** out) {
  return Dispatch().GetTypeInfo(index, out);
}

HRESULT ProtocolObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  return Dispatch().GetIDsOfNames(names, count, ids);
}

HRESULT ProtocolObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                               VARIANT* result, EXCEPINFO* excep, UINT* arg_err) {
  return Dispatch().Invoke(static_cast<_TOVRAK_Protocol*>(this), id, flags, params, result, excep,
                           arg_err);
}

HRESULT ProtocolObject::EnumConnectionPoints(IEnumConnectionPoints** out) {
  if (!out) return E_POINTER;
  *out = new PointEnum(change_.get(), 0);
  return S_OK;
}

HRESULT ProtocolObject::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
  if (!out) return E_POINTER;
  if (iid != DIID___TOVRAK_Protocol) {
    *out = nullptr;
    return CONNECT_E_NOCONNECTION;
  }
  *out = change_.get();
  AddRef();
  return S_OK;
}

HRESULT ProtocolObject::GetClassInfo(ITypeInfo** out) {
  return TypeInfoOf(CLSID_TOVRAK_Protocol, out);
}

HRESULT ProtocolObject::GetGUID(DWORD kind, GUID* out) {
  if (!out) return E_POINTER;
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
    *out = GUID_NULL;
    return E_INVALIDARG;
  }
  *out = DIID___TOVRAK_Protocol;
  return S_OK;
}

HRESULT ProtocolObject::InterfaceSupportsErrorInfo(REFIID iid) {
  return iid == IID__TOVRAK_Protocol ? S_OK : S_FALSE;
}

}  // namespace tovrak::com
