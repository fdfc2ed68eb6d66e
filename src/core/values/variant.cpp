#include "tovrak/variant.hpp"

#include <cmath>
#include <limits>

#include "core/values/numbers.hpp"
#include "tovrak/errors.hpp"

namespace tovrak {

Variant Object::value() const { throw ComError::type_mismatch(); }

namespace {

// Text as an Automation host reads it as a number: optional blanks, a sign,
// digits with one decimal point, an optional exponent, and nothing else. The
// words True and False read as -1 and 0. Anything else is a type mismatch.
double text_to_double(const std::string& text) {
  std::string_view t = text;
  while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
  while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
  auto iequals = [](std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
      if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
    }
    return true;
  };
  if (iequals(t, "true")) return -1.0;
  if (iequals(t, "false")) return 0.0;
  size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  size_t digits = 0;
  bool point = false;
  for (; i < t.size(); ++i) {
    if (t[i] >= '0' && t[i] <= '9') {
      ++digits;
    } else if (t[i] == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digits == 0) throw ComError::type_mismatch();
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    size_t j = i + 1;
    if (j < t.size() && (t[j] == '+' || t[j] == '-')) ++j;
    size_t exp_digits = 0;
    while (j < t.size() && t[j] >= '0' && t[j] <= '9') ++j, ++exp_digits;
    if (exp_digits == 0) throw ComError::type_mismatch();
    i = j;
  }
  if (i != t.size()) throw ComError::type_mismatch();
  // Text beyond the range of a Double ("1e999") overflows, as the host's own
  // conversion does.
  const double v = std::strtod(std::string(t).c_str(), nullptr);
  if (!std::isfinite(v)) throw ComError::overflow();
  return v;
}

// An object used as a value gives the value of its default member; when that
// is an object again, it is followed this many levels. Deeper (an object whose
// value is itself, say) it holds no value: a type mismatch.
constexpr int kObjectDepth = 8;

Variant value_of_object(const Variant& v) {
  Variant value = v;
  for (int depth = 0; value.type() == Variant::Type::Object; ++depth) {
    if (depth == kObjectDepth || !value.object()) throw ComError::type_mismatch();
    value = value.object()->value();
  }
  return value;
}

}  // namespace

double Variant::to_double() const {
  switch (type()) {
    case Type::Empty:
      return 0.0;
    case Type::Integer16:
      return i16();
    case Type::Integer32:
      return i32();
    case Type::Single:
      return single();
    case Type::Double:
      return dbl();
    case Type::Boolean:
      return boolean().value ? -1.0 : 0.0;
    case Type::String:
      return text_to_double(str());
    case Type::Object:
      return value_of_object(*this).to_double();
  }
  throw ComError::type_mismatch();
}

int16_t Variant::to_i16() const {
  if (type() == Type::Integer16) return i16();
  return core::to_i16(to_double());
}

int32_t Variant::to_i32() const {
  if (type() == Type::Integer32) return i32();
  return core::to_i32(to_double());
}

float Variant::to_single() const {
  if (type() == Type::Single) return single();
  return core::to_single(to_double());
}

VBool Variant::to_bool() const {
  if (type() == Type::Boolean) return boolean();
  return VBool::of(to_double() != 0.0);
}

std::string Variant::to_string() const {
  switch (type()) {
    case Type::Empty:
      return "";
    case Type::Integer16:
      return std::to_string(i16());
    case Type::Integer32:
      return std::to_string(i32());
    case Type::Single:
      return core::shortest(single());
    case Type::Double:
      return core::shortest(dbl());
    case Type::Boolean:
      return boolean().value ? "True" : "False";
    case Type::String:
      return str();
    case Type::Object:
      return value_of_object(*this).to_string();
  }
  throw ComError::type_mismatch();
}

}  // namespace tovrak
