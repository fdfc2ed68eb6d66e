#include "hosts/com/dispatch.hpp"

#include "hosts/com/com_ptr.hpp"
#include "hosts/com/errors.hpp"
#include "hosts/com/server.hpp"

namespace tovrak::com {

namespace {

// The VARIANT an argument refers to, following references to VARIANTs.
const VARIANT* Target(const VARIANT* v) {
  while (V_VT(v) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(v)) v = V_VARIANTREF(v);
  return v;
}

// Writes a value back into an argument the caller passed by reference with
// a type of its own: a script's VARIANT takes the value in the parameter's
// type; a typed reference takes it converted to its type.
void WriteBack(VARIANT* arg, const VARIANT& value) {
  if (V_VT(arg) == (VT_VARIANT | VT_BYREF)) {
    VARIANT* target = const_cast<VARIANT*>(Target(arg));
    VARIANT copy;
    VariantInit(&copy);
    if (SUCCEEDED(VariantCopy(&copy, const_cast<VARIANT*>(&value)))) {
      VariantClear(target);
      *target = copy;
    }
    return;
  }
  const VARTYPE type = V_VT(arg) & ~VT_BYREF;
  VARIANT converted;
  VariantInit(&converted);
  if (FAILED(VariantChangeType(&converted, const_cast<VARIANT*>(&value), 0, type))) return;
  switch (type) {
    case VT_I2:
      *V_I2REF(arg) = V_I2(&converted);
      break;
    case VT_UI1:
      *V_UI1REF(arg) = V_UI1(&converted);
      break;
    case VT_I4:
      *V_I4REF(arg) = V_I4(&converted);
      break;
    case VT_R4:
      *V_R4REF(arg) = V_R4(&converted);
      break;
    case VT_R8:
      *V_R8REF(arg) = V_R8(&converted);
      break;
    case VT_BOOL:
      *V_BOOLREF(arg) = V_BOOL(&converted);
      break;
    case VT_BSTR:
      SysFreeString(*V_BSTRREF(arg));
      *V_BSTRREF(arg) = V_BSTR(&converted);
      return;  // the string now belongs to the caller
    default:
      break;
  }
  VariantClear(&converted);
}

// One argument on its way to DispInvoke.
struct Prepared {
  VARIANTARG arg;  // what DispInvoke gets
  VARIANT temp;    // a converted value `arg` refers to, if any
  bool write_back = false;
  Prepared() {
    VariantInit(&arg);
    VariantInit(&temp);
  }
  ~Prepared() { VariantClear(&temp); }
  Prepared(const Prepared&) = delete;
  Prepared& operator=(const Prepared&) = delete;
};

}  // namespace

HRESULT TypeDispatch::load() {
  if (loaded_) return S_OK;
  std::lock_guard<std::mutex> lock(load_mutex_);
  if (loaded_) return S_OK;
  ComPtr<ITypeInfo> dispatch;
  HRESULT hr = TypeInfoOf(iid_, dispatch.put());
  if (FAILED(hr)) return hr;
  // A dual interface's type information is its dispatch view; its function
  // table is the referenced interface.
  ComPtr<ITypeInfo> table;
  HREFTYPE ref = 0;
  if (SUCCEEDED(dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref))) {
    hr = dispatch->GetRefTypeInfo(ref, table.put());
    if (FAILED(hr)) return hr;
  } else {
    table = dispatch;
  }
  TYPEATTR* attr = nullptr;
  hr = table->GetTypeAttr(&attr);
  if (FAILED(hr)) return hr;
  const WORD count = attr->cFuncs;
  table->ReleaseTypeAttr(attr);
  std::vector<Function> functions;
  for (WORD i = 0; i < count; ++i) {
    FUNCDESC* fd = nullptr;
    hr = table->GetFuncDesc(i, &fd);
    if (FAILED(hr)) return hr;
    Function f{fd->memid, fd->invkind, {}};
    for (SHORT p = 0; p < fd->cParams; ++p) {
      const ELEMDESC& e = fd->lprgelemdescParam[p];
      if (e.paramdesc.wParamFlags & PARAMFLAG_FRETVAL) continue;
      const bool by_ref = e.tdesc.vt == VT_PTR;
      const VARTYPE type = by_ref ? e.tdesc.lptdesc->vt : e.tdesc.vt;
      f.params.push_back({type, by_ref});
    }
    table->ReleaseFuncDesc(fd);
    functions.push_back(std::move(f));
  }
  functions_ = std::move(functions);
  dispatch_info_ = dispatch.detach();
  interface_info_ = table.detach();
  loaded_ = true;
  return S_OK;
}

const TypeDispatch::Function* TypeDispatch::find(DISPID id, WORD flags) const {
  for (const auto& f : functions_) {
    if (f.id == id && (static_cast<WORD>(f.kind) & flags)) return &f;
  }
  return nullptr;
}

HRESULT TypeDispatch::GetTypeInfo(UINT index, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  HRESULT hr = load();
  if (FAILED(hr)) return hr;
  dispatch_info_->AddRef();
  *out = dispatch_info_;
  return S_OK;
}

HRESULT TypeDispatch::GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids) {
  HRESULT hr = load();
  if (FAILED(hr)) return hr;
  return DispGetIDsOfNames(dispatch_info_, names, count, ids);
}

HRESULT TypeDispatch::Invoke(void* self, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                             EXCEPINFO* excep, UINT* arg_err) {
  HRESULT hr = load();
  if (FAILED(hr)) return hr;
  if (!params) return E_INVALIDARG;
  const Function* f = find(id, flags);
  if (!f) return DISP_E_MEMBERNOTFOUND;
  const bool assigns = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
  if (params->cNamedArgs > 1 ||
      (params->cNamedArgs == 1 &&
       !(assigns && params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT))) {
    return DISP_E_NONAMEDARGS;
  }
  const UINT n = params->cArgs;
  if (n != f->params.size()) return DISP_E_BADPARAMCOUNT;

  // Arguments come last first: rgvarg[0] is the last parameter (the value
  // of an assignment).
  std::vector<Prepared> prepared(n);
  for (UINT i = 0; i < n; ++i) {
    VARIANT* in = &params->rgvarg[i];
    const Param& p = f->params[n - 1 - i];
    Prepared& out = prepared[i];
    const VARTYPE given = V_VT(in);
    if (!p.by_ref) {
      // By value: a reference is followed, the value converted by DispInvoke.
      if (given & VT_BYREF) {
        hr = VariantCopyInd(&out.temp, in);
        out.arg = out.temp;
      } else {
        out.arg = *in;
      }
    } else if (given == (p.type | VT_BYREF)) {
      out.arg = *in;  // already what the parameter takes
    } else if (p.type == VT_VARIANT) {
      hr = VariantCopyInd(&out.temp, const_cast<VARIANT*>(Target(in)));
      V_VT(&out.arg) = VT_VARIANT | VT_BYREF;
      V_VARIANTREF(&out.arg) = &out.temp;
      out.write_back = (given & VT_BYREF) != 0;
    } else {
      VARIANT value;
      VariantInit(&value);
      hr = VariantCopyInd(&value, const_cast<VARIANT*>(Target(in)));
      if (SUCCEEDED(hr)) hr = VariantChangeType(&out.temp, &value, 0, p.type);
      VariantClear(&value);
      V_VT(&out.arg) = p.type | VT_BYREF;
      V_BYREF(&out.arg) = &V_I4(&out.temp);  // the start of the value, whatever its type
      out.write_back = (given & VT_BYREF) != 0;
    }
    if (FAILED(hr)) {
      if (arg_err) *arg_err = i;
      return hr;
    }
  }

  std::vector<VARIANTARG> args(n);
  for (UINT i = 0; i < n; ++i) args[i] = prepared[i].arg;
  DISPPARAMS call{args.data(), params->rgdispidNamedArgs, n, params->cNamedArgs};
  EXCEPINFO own{};
  ClearRaised();
  hr = DispInvoke(self, interface_info_, id, flags, &call, result, &own, arg_err);
  RaisedError raised;
  if (FAILED(hr) && TakeRaised(raised)) {
    SysFreeString(own.bstrSource);
    SysFreeString(own.bstrDescription);
    SysFreeString(own.bstrHelpFile);
    if (!excep) return raised.hresult;
    FillExcepInfo(excep, raised);
    return DISP_E_EXCEPTION;
  }
  if (hr == DISP_E_EXCEPTION && excep) {
    *excep = own;
  } else {
    SysFreeString(own.bstrSource);
    SysFreeString(own.bstrDescription);
    SysFreeString(own.bstrHelpFile);
  }
  if (SUCCEEDED(hr)) {
    for (UINT i = 0; i < n; ++i) {
      if (prepared[i].write_back) WriteBack(&params->rgvarg[i], prepared[i].temp);
    }
  }
  return hr;
}

}  // namespace tovrak::com
