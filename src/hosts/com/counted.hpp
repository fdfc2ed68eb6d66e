// IUnknown of a small object that answers one interface and counts its own
// references: the class factory and the connection enumerators.
#pragma once

#include <objbase.h>

#include <atomic>

namespace tovrak::com {

template <class I>
class Counted : public I {
 public:
  explicit Counted(const IID& iid) : iid_(iid) {}
  virtual ~Counted() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == iid_) {
      *out = static_cast<I*>(this);
      this->AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }

 private:
  const IID& iid_;
  std::atomic<ULONG> refs_{1};
};

}  // namespace tovrak::com
