// How a member of TOVRAK_Protocol is called with Variant arguments: each
// parameter type of the C++ signature knows its interface type, whether it
// is passed by reference, how an Automation host converts a Variant to it,
// and how it is written back.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

#include "tovrak/dispatch.hpp"
#include "tovrak/errors.hpp"

namespace tovrak::core {

template <class T>
struct Param;

template <class L, ValueType VT, bool ByRef>
struct ParamBase {
  using Local = L;
  static constexpr ValueType type = VT;
  static constexpr bool by_ref = ByRef;
  static Variant out(const Local& v) { return Variant(v); }
};

template <bool R>
struct I16 : ParamBase<int16_t, ValueType::Integer16, R> {
  static int16_t in(const Variant& v) { return v.to_i16(); }
};
template <bool R>
struct I32 : ParamBase<int32_t, ValueType::Integer32, R> {
  static int32_t in(const Variant& v) { return v.to_i32(); }
};
template <bool R>
struct R4 : ParamBase<float, ValueType::Single, R> {
  static float in(const Variant& v) { return v.to_single(); }
};
template <bool R>
struct R8 : ParamBase<double, ValueType::Double, R> {
  static double in(const Variant& v) { return v.to_double(); }
};
template <bool R>
struct Bool : ParamBase<VBool, ValueType::Boolean, R> {
  static VBool in(const Variant& v) { return v.to_bool(); }
};
template <bool R>
struct Str : ParamBase<std::string, ValueType::String, R> {
  static std::string in(const Variant& v) { return v.to_string(); }
};
template <bool R>
struct Var : ParamBase<Variant, ValueType::Variant, R> {
  static Variant in(const Variant& v) { return v; }
  static Variant out(const Variant& v) { return v; }
};

template <>
struct Param<int16_t&> : I16<true> {};
template <>
struct Param<int16_t> : I16<false> {};
template <>
struct Param<int32_t&> : I32<true> {};
template <>
struct Param<float&> : R4<true> {};
template <>
struct Param<float> : R4<false> {};
template <>
struct Param<double&> : R8<true> {};
template <>
struct Param<double> : R8<false> {};
template <>
struct Param<VBool&> : Bool<true> {};
template <>
struct Param<VBool> : Bool<false> {};
template <>
struct Param<std::string&> : Str<true> {};
template <>
struct Param<std::string> : Str<false> {};
template <>
struct Param<Variant&> : Var<true> {};
template <>
struct Param<const Variant&> : Var<false> {};
template <>
struct Param<std::shared_ptr<Object>>
    : ParamBase<std::shared_ptr<Object>, ValueType::Object, false> {
  static std::shared_ptr<Object> in(const Variant& v) {
    if (v.type() != Variant::Type::Object) throw ComError::type_mismatch();
    return v.object();
  }
};

template <class R>
struct Result {
  static constexpr ValueType type = Param<R>::type;
  static Variant wrap(const R& r) { return Variant(r); }
};
template <>
struct Result<void> {
  static constexpr ValueType type = ValueType::Void;
};
template <>
struct Result<Variant> {
  static constexpr ValueType type = ValueType::Variant;
  static Variant wrap(const Variant& r) { return r; }
};

template <auto F>
struct Bind;

template <class R, class... A, R (TOVRAK_Protocol::*F)(A...)>
struct Bind<F> {
  static constexpr size_t arity = sizeof...(A);
  static constexpr ValueType result = Result<R>::type;

  static std::vector<MemberArg> args(std::initializer_list<std::string_view> names) {
    std::vector<MemberArg> out;
    auto name = names.begin();
    ((out.push_back({*name++, Param<A>::type, Param<A>::by_ref})), ...);
    return out;
  }

  static Variant call(TOVRAK_Protocol& p, std::span<Variant> args) {
    if (args.size() != arity) throw ComError::bad_param_count();
    return call_with(p, args, std::index_sequence_for<A...>{});
  }

 private:
  template <size_t... I>
  static Variant call_with(TOVRAK_Protocol& p, std::span<Variant> args, std::index_sequence<I...>) {
    // Arguments convert left to right, all before the member runs.
    std::tuple<typename Param<A>::Local...> locals{Param<A>::in(args[I])...};
    (void)args;
    auto write_back = [&] {
      ((Param<A>::by_ref ? void(args[I] = Param<A>::out(std::get<I>(locals))) : void()), ...);
    };
    if constexpr (std::is_void_v<R>) {
      (p.*F)(static_cast<A>(std::get<I>(locals))...);
      write_back();
      return Variant();
    } else {
      R r = (p.*F)(static_cast<A>(std::get<I>(locals))...);
      write_back();
      return Result<R>::wrap(r);
    }
  }
};

}  // namespace tovrak::core
