// Errors that reach the host: an Automation-style error with its HRESULT, the
// error number a scripting host shows, and a description.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "tovrak/export.hpp"

namespace tovrak {

class TOVRAK_API ComError : public std::runtime_error {
 public:
  ComError(int32_t hresult, int number, std::string description)
      : std::runtime_error(description),
        hresult_(hresult),
        number_(number),
        description_(std::move(description)) {}

  int32_t hresult() const { return hresult_; }
  // The error number as a scripting host reports it (9, 6, 13, ...).
  int number() const { return number_; }
  const std::string& description() const { return description_; }

  // The Automation errors the component raises itself.
  static ComError subscript_out_of_range() {
    return {static_cast<int32_t>(0x800A0009), 9, "Subscript out of range"};
  }
  static ComError overflow() { return {static_cast<int32_t>(0x800A0006), 6, "Overflow"}; }
  static ComError type_mismatch() {
    return {static_cast<int32_t>(0x800A000D), 13, "Type mismatch"};
  }
  static ComError invalid_property_value() {
    return {static_cast<int32_t>(0x800A017C), 380, "Invalid property value"};
  }
  // A run-time error with a description of its own (serial port failures).
  static ComError with_text(int number, std::string description) {
    return {static_cast<int32_t>(0x800A0000u | static_cast<uint32_t>(number & 0xFFFF)), number,
            std::move(description)};
  }
  // Late-binding failures, as the dispatch layer reports them.
  static ComError unknown_name(const std::string& name) {
    return {static_cast<int32_t>(0x80020006), 438,
            "Object doesn't support this property or method: " + name};
  }
  static ComError bad_param_count() {
    return {static_cast<int32_t>(0x8002000E), 450,
            "Wrong number of arguments or invalid property assignment"};
  }

 private:
  int32_t hresult_;
  int number_;
  std::string description_;
};

}  // namespace tovrak
