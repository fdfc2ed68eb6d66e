// Values between COM and the core: BSTR and the core's byte strings through
// the ANSI code page, VARIANT and tovrak::Variant, VARIANT_BOOL and VBool,
// and dispatch objects held by a Variant. The generated forwarding layer uses
// In<T>, ByRef<T> and Out<T> for its arguments and results.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <oleauto.h>

#include <cstdint>
#include <memory>
#include <string>

#include "hosts/com/com_ptr.hpp"
#include "tovrak/errors.hpp"
#include "tovrak/variant.hpp"

namespace tovrak::com {

// Text through the ANSI code page, byte for character both ways.
std::string Narrow(const wchar_t* text, size_t length);
std::wstring Wide(const std::string& text);
std::string FromBstr(BSTR text);
// A new BSTR; raises "Out of memory" when none can be allocated.
BSTR ToBstr(const std::string& text);

// A VARIANT as the core reads it: by-reference values are followed, numbers
// of other types are read as Double, a dispatch object is held as an Object.
Variant FromVariant(const VARIANT& v);
// Writes a Variant into a VARIANT the caller has initialised or cleared.
void ToVariant(const Variant& v, VARIANT* out);
std::shared_ptr<Object> FromDispatch(IDispatch* object);

// An object of the host held by the core (the AutoNF object assignment). Its
// value is the object's default member.
class DispatchObject final : public Object {
 public:
  explicit DispatchObject(IDispatch* object) : object_(object) {}
  IDispatch* get() const { return object_.get(); }
  Variant value() const override;

 private:
  ComPtr<IDispatch> object_;
};

[[noreturn]] void ThrowHresult(HRESULT hr, const char* what);

template <class P>
P* NotNull(P* p) {
  if (!p) throw ComError(static_cast<int32_t>(E_POINTER), 0, "Invalid pointer");
  return p;
}

// ---------------------------------------------------------------- by value

template <class T>
struct ComOf;
template <>
struct ComOf<int16_t> {
  using type = short;
  static int16_t load(short v) { return v; }
  static void store(short* p, int16_t v) { *p = v; }
  static void init(short* p) { *p = 0; }
};
template <>
struct ComOf<int32_t> {
  using type = long;
  static int32_t load(long v) { return static_cast<int32_t>(v); }
  static void store(long* p, int32_t v) { *p = v; }
  static void init(long* p) { *p = 0; }
};
template <>
struct ComOf<float> {
  using type = float;
  static float load(float v) { return v; }
  static void store(float* p, float v) { *p = v; }
  static void init(float* p) { *p = 0; }
};
template <>
struct ComOf<double> {
  using type = double;
  static double load(double v) { return v; }
  static void store(double* p, double v) { *p = v; }
  static void init(double* p) { *p = 0; }
};
template <>
struct ComOf<VBool> {
  using type = VARIANT_BOOL;
  static VBool load(VARIANT_BOOL v) { return VBool(v); }
  static void store(VARIANT_BOOL* p, VBool v) { *p = v.value; }
  static void init(VARIANT_BOOL* p) { *p = VARIANT_FALSE; }
};
template <>
struct ComOf<std::string> {
  using type = BSTR;
  static std::string load(BSTR v) { return FromBstr(v); }
  static void store(BSTR* p, const std::string& v) {
    BSTR fresh = ToBstr(v);
    SysFreeString(*p);
    *p = fresh;
  }
  static void init(BSTR* p) { *p = nullptr; }
};
template <>
struct ComOf<Variant> {
  using type = VARIANT;
  static Variant load(const VARIANT& v) { return FromVariant(v); }
  static void store(VARIANT* p, const Variant& v) {
    VARIANT fresh;
    VariantInit(&fresh);
    ToVariant(v, &fresh);
    VariantClear(p);
    *p = fresh;
  }
  static void init(VARIANT* p) { VariantInit(p); }
};
template <>
struct ComOf<std::shared_ptr<Object>> {
  using type = IDispatch*;
  static std::shared_ptr<Object> load(IDispatch* v) { return FromDispatch(v); }
};

// An argument passed by value.
template <class T>
T In(const typename ComOf<T>::type& v) {
  return ComOf<T>::load(v);
}

// An argument passed by reference: the core works on a copy, which goes back
// to the caller's variable when the member returns normally.
template <class T>
class ByRef {
 public:
  using Com = typename ComOf<T>::type;
  explicit ByRef(Com* p) : value(ComOf<T>::load(*NotNull(p))), p_(p) {}
  void back() { ComOf<T>::store(p_, value); }
  T value;

 private:
  Com* p_;
};

// A VARIANT by reference goes back only when the member changed it, so that
// a value of a type the core does not hold (a date, a currency) stays as the
// caller gave it.
template <>
class ByRef<Variant> {
 public:
  explicit ByRef(VARIANT* p) : value(FromVariant(*NotNull(p))), before_(value), p_(p) {}
  void back() {
    if (!(value == before_)) ComOf<Variant>::store(p_, value);
  }
  Variant value;

 private:
  Variant before_;
  VARIANT* p_;
};

// The result of a member, through its [out, retval] pointer.
template <class T>
class Out {
 public:
  using Com = typename ComOf<T>::type;
  explicit Out(Com* p) : p_(NotNull(p)) { ComOf<T>::init(p_); }
  void set(const T& v) { ComOf<T>::store(p_, v); }

 private:
  Com* p_;
};

}  // namespace tovrak::com
