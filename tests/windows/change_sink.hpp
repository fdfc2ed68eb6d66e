// A sink of the component's Change event for the Windows test hosts. It lives
// on the host's stack, records each State it is told and the thread that told
// it, counts calls that do not have Change's shape (dispatch id 1, one Integer
// by reference), and, as a VB handler may, can assign a reply to State.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <optional>
#include <vector>

class ChangeSink final : public IDispatch {
 public:
  explicit ChangeSink(const IID& events) : events_(events) {}

  std::vector<short> states;
  int malformed = 0;
  DWORD thread = 0;
  std::optional<short> reply;  // assigned to State after it is recorded

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == events_) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }  // lives on the stack
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*,
                                   EXCEPINFO*, UINT*) override {
    if (id != 1 || p->cArgs != 1 || V_VT(&p->rgvarg[0]) != (VT_I2 | VT_BYREF) ||
        !V_I2REF(&p->rgvarg[0])) {
      ++malformed;
      return DISP_E_MEMBERNOTFOUND;
    }
    short& state = *V_I2REF(&p->rgvarg[0]);
    states.push_back(state);
    thread = GetCurrentThreadId();
    if (reply) state = *reply;
    return S_OK;
  }
  ULONG refs() const { return refs_; }
  bool saw(short state) const {
    for (short s : states) {
      if (s == state) return true;
    }
    return false;
  }

 private:
  const IID& events_;
  ULONG refs_ = 0;
};
