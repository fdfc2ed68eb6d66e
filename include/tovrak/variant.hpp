// The value types of the component's interface, with the semantics an
// Automation host gives them: the 16-bit Boolean and the tagged VARIANT.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>

#include "tovrak/export.hpp"

namespace tovrak {

// The 16-bit Boolean of the interface: true is -1, false is 0. Any other
// value that reaches it (from the wire or a host) counts as true.
struct VBool {
  int16_t value = 0;

  constexpr VBool() = default;
  constexpr explicit VBool(int16_t v) : value(v) {}
  constexpr static VBool of(bool b) { return VBool(static_cast<int16_t>(b ? -1 : 0)); }
  constexpr explicit operator bool() const { return value != 0; }
  friend constexpr bool operator==(VBool a, VBool b) { return a.value == b.value; }
};
inline constexpr VBool VTrue{-1};
inline constexpr VBool VFalse{0};

class Variant;

// An object reference held by a Variant (the `AutoNF` object assignment).
class TOVRAK_API Object {
 public:
  virtual ~Object() = default;
  // The value of the object's default member, as a scripting host reads it
  // when the object is used as a value. Objects without one raise a type
  // mismatch.
  virtual Variant value() const;
};

class TOVRAK_API Variant {
 public:
  enum class Type { Empty, Integer16, Integer32, Single, Double, Boolean, String, Object };

  Variant() = default;
  explicit Variant(int16_t v) : v_(v) {}
  explicit Variant(int32_t v) : v_(v) {}
  explicit Variant(float v) : v_(v) {}
  explicit Variant(double v) : v_(v) {}
  explicit Variant(VBool v) : v_(v) {}
  explicit Variant(std::string v) : v_(std::move(v)) {}
  explicit Variant(const char* v) : v_(std::string(v)) {}
  explicit Variant(std::shared_ptr<Object> v) : v_(std::move(v)) {}

  Type type() const { return static_cast<Type>(v_.index()); }
  bool empty() const { return type() == Type::Empty; }

  // The stored value when the type is known; undefined otherwise.
  int16_t i16() const { return std::get<int16_t>(v_); }
  int32_t i32() const { return std::get<int32_t>(v_); }
  float single() const { return std::get<float>(v_); }
  double dbl() const { return std::get<double>(v_); }
  VBool boolean() const { return std::get<VBool>(v_); }
  const std::string& str() const { return std::get<std::string>(v_); }
  const std::shared_ptr<Object>& object() const { return std::get<std::shared_ptr<Object>>(v_); }

  // Conversions as an Automation host makes them: numbers round half to even
  // into integers, text is read as a number, and a value that does not fit
  // raises ComError (overflow, type mismatch).
  int16_t to_i16() const;
  int32_t to_i32() const;
  float to_single() const;
  double to_double() const;
  VBool to_bool() const;
  std::string to_string() const;

  friend bool operator==(const Variant& a, const Variant& b) { return a.v_ == b.v_; }

 private:
  std::variant<std::monostate, int16_t, int32_t, float, double, VBool, std::string,
               std::shared_ptr<Object>>
      v_;
};

}  // namespace tovrak
