// IDispatch of the component's dual interfaces, through their type
// information in the embedded type library (DispGetIDsOfNames, DispInvoke).
//
// Before the call, each argument is brought to the type its parameter
// declares, the way scripting hosts need it: a script passes its variables
// by reference as VARIANTs (VT_VARIANT | VT_BYREF) whatever the parameter
// type, which DispInvoke refuses for a typed by-reference parameter. Such an
// argument is converted into a value of the parameter's type, passed by
// reference, and after a successful call written back into the script's
// variable in that type, as the member left it.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <oleauto.h>

#include <atomic>
#include <mutex>
#include <vector>

namespace tovrak::com {

class TypeDispatch {
 public:
  // The dispatch of the dual interface `iid`, loaded on first use.
  explicit TypeDispatch(const IID& iid) : iid_(iid) {}
  TypeDispatch(const TypeDispatch&) = delete;
  TypeDispatch& operator=(const TypeDispatch&) = delete;

  HRESULT GetTypeInfo(UINT index, ITypeInfo** out);
  HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids);
  // `self` is the object's pointer of the dual interface.
  HRESULT Invoke(void* self, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* excep, UINT* arg_err);

 private:
  struct Param {
    VARTYPE type;  // the value's type, VT_VARIANT for a VARIANT
    bool by_ref;
  };
  struct Function {
    MEMBERID id;
    INVOKEKIND kind;
    std::vector<Param> params;  // without the result
  };

  HRESULT load();
  const Function* find(DISPID id, WORD flags) const;

  const IID& iid_;
  std::mutex load_mutex_;
  std::atomic<bool> loaded_{false};
  // Type information of the dispatch view and of the function table; held
  // for the life of the process.
  ITypeInfo* dispatch_info_ = nullptr;
  ITypeInfo* interface_info_ = nullptr;
  std::vector<Function> functions_;
};

}  // namespace tovrak::com
