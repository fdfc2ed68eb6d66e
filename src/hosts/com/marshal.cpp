#include "hosts/com/marshal.hpp"

#include <climits>

namespace tovrak::com {

void ThrowHresult(HRESULT hr, const char* what) {
  if (hr == E_OUTOFMEMORY) throw ComError(static_cast<int32_t>(hr), 7, "Out of memory");
  if (hr == DISP_E_OVERFLOW) throw ComError::overflow();
  if (hr == DISP_E_TYPEMISMATCH) throw ComError::type_mismatch();
  char code[16];
  wsprintfA(code, "%08lX", static_cast<unsigned long>(hr));
  throw ComError(static_cast<int32_t>(hr), 0, std::string(what) + " failed (0x" + code + ")");
}

std::string Narrow(const wchar_t* text, size_t length) {
  if (!text || length == 0) return {};
  if (length > INT_MAX) ThrowHresult(E_OUTOFMEMORY, "text conversion");
  int n =
      WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  if (text.size() > INT_MAX) ThrowHresult(E_OUTOFMEMORY, "text conversion");
  int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::string FromBstr(BSTR text) { return Narrow(text, text ? SysStringLen(text) : 0); }

BSTR ToBstr(const std::string& text) {
  std::wstring w = Wide(text);
  BSTR out = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
  if (!out) ThrowHresult(E_OUTOFMEMORY, "string allocation");
  return out;
}

std::shared_ptr<Object> FromDispatch(IDispatch* object) {
  if (!object) return nullptr;
  return std::make_shared<DispatchObject>(object);
}

Variant FromVariant(const VARIANT& v) {
  const VARIANT* p = &v;
  while (V_VT(p) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(p)) p = V_VARIANTREF(p);
  const VARTYPE vt = V_VT(p);
  if (vt & VT_ARRAY) throw ComError::type_mismatch();
  const bool ref = (vt & VT_BYREF) != 0;
  switch (vt & VT_TYPEMASK) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_ERROR:  // an argument left out
      return Variant();
    case VT_I2:
      return Variant(static_cast<int16_t>(ref ? *V_I2REF(p) : V_I2(p)));
    case VT_UI1:
      return Variant(static_cast<int16_t>(ref ? *V_UI1REF(p) : V_UI1(p)));
    case VT_I4:
      return Variant(static_cast<int32_t>(ref ? *V_I4REF(p) : V_I4(p)));
    case VT_R4:
      return Variant(ref ? *V_R4REF(p) : V_R4(p));
    case VT_R8:
      return Variant(ref ? *V_R8REF(p) : V_R8(p));
    case VT_BOOL:
      return Variant(VBool(ref ? *V_BOOLREF(p) : V_BOOL(p)));
    case VT_BSTR:
      return Variant(FromBstr(ref ? *V_BSTRREF(p) : V_BSTR(p)));
    case VT_DISPATCH:
      return Variant(FromDispatch(ref ? *V_DISPATCHREF(p) : V_DISPATCH(p)));
    case VT_UNKNOWN: {
      IUnknown* unknown = ref ? *V_UNKNOWNREF(p) : V_UNKNOWN(p);
      if (!unknown) return Variant(std::shared_ptr<Object>());
      ComPtr<IDispatch> object;
      if (FAILED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(object.put())))) {
        throw ComError::type_mismatch();
      }
      return Variant(FromDispatch(object.get()));
    }
    default: {
      // Dates, currency, decimals and the other integer types: as a number.
      VARIANT d;
      VariantInit(&d);
      HRESULT hr = VariantChangeType(&d, const_cast<VARIANT*>(p), 0, VT_R8);
      if (FAILED(hr)) ThrowHresult(hr, "value conversion");
      return Variant(V_R8(&d));
    }
  }
}

void ToVariant(const Variant& v, VARIANT* out) {
  switch (v.type()) {
    case Variant::Type::Empty:
      V_VT(out) = VT_EMPTY;
      return;
    case Variant::Type::Integer16:
      V_VT(out) = VT_I2;
      V_I2(out) = v.i16();
      return;
    case Variant::Type::Integer32:
      V_VT(out) = VT_I4;
      V_I4(out) = v.i32();
      return;
    case Variant::Type::Single:
      V_VT(out) = VT_R4;
      V_R4(out) = v.single();
      return;
    case Variant::Type::Double:
      V_VT(out) = VT_R8;
      V_R8(out) = v.dbl();
      return;
    case Variant::Type::Boolean:
      V_VT(out) = VT_BOOL;
      V_BOOL(out) = v.boolean().value;
      return;
    case Variant::Type::String:
      V_BSTR(out) = ToBstr(v.str());
      V_VT(out) = VT_BSTR;
      return;
    case Variant::Type::Object: {
      auto* d = dynamic_cast<DispatchObject*>(v.object().get());
      if (d || !v.object()) {
        V_VT(out) = VT_DISPATCH;
        V_DISPATCH(out) = d ? d->get() : nullptr;
        if (d) d->get()->AddRef();
        return;
      }
      // An object of the core's own is handed over as its value.
      ToVariant(v.object()->value(), out);
      return;
    }
  }
}

Variant DispatchObject::value() const {
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  VARIANT result;
  VariantInit(&result);
  HRESULT hr =
      object_->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT,
                      DISPATCH_PROPERTYGET | DISPATCH_METHOD, &none, &result, nullptr, nullptr);
  if (FAILED(hr)) throw ComError::type_mismatch();
  try {
    Variant out = FromVariant(result);
    VariantClear(&result);
    return out;
  } catch (...) {
    VariantClear(&result);
    throw;
  }
}

}  // namespace tovrak::com
