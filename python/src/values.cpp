#include "values.hpp"

#include <limits>

namespace tovrak::python {

namespace {

// An object assigned by reference (`rig.AutoNF = obj`): the component reads
// it through its `value` attribute, as a scripting host reads an object's
// default member.
class PyObjectRef : public Object {
 public:
  explicit PyObjectRef(py::object o) : obj_(new py::object(std::move(o)), Release{}) {}
  Variant value() const override {
    py::gil_scoped_acquire gil;
    if (!py::hasattr(*obj_, "value")) throw ComError::type_mismatch();
    return to_variant(obj_->attr("value"));
  }
  const py::object& object() const { return *obj_; }

 private:
  // The component may drop the object with the interpreter lock released.
  struct Release {
    void operator()(py::object* o) const {
      py::gil_scoped_acquire gil;
      delete o;
    }
  };
  std::shared_ptr<py::object> obj_;
};

std::string text_of(const py::handle& value) {
  if (py::isinstance<py::bytes>(value)) return value.cast<std::string>();
  py::object bytes = py::reinterpret_steal<py::object>(
      PyUnicode_AsEncodedString(value.ptr(), "latin-1", "strict"));
  if (!bytes) throw py::error_already_set();
  return bytes.cast<std::string>();
}

}  // namespace

Variant to_variant(const py::handle& value) {
  if (value.is_none()) return Variant();
  if (py::isinstance<py::bool_>(value)) return Variant(VBool::of(value.cast<bool>()));
  if (py::isinstance<py::int_>(value)) {
    // Small numbers travel as Integer, larger ones as Long, as a scripting
    // host types its literals; beyond that as Double, so that the component
    // reports the overflow.
    long long n = 0;
    try {
      n = value.cast<long long>();
    } catch (const py::cast_error&) {
      return Variant(value.cast<double>());
    }
    if (n >= std::numeric_limits<int16_t>::min() && n <= std::numeric_limits<int16_t>::max()) {
      return Variant(static_cast<int16_t>(n));
    }
    if (n >= std::numeric_limits<int32_t>::min() && n <= std::numeric_limits<int32_t>::max()) {
      return Variant(static_cast<int32_t>(n));
    }
    return Variant(static_cast<double>(n));
  }
  if (py::isinstance<py::float_>(value)) return Variant(value.cast<double>());
  if (py::isinstance<py::str>(value) || py::isinstance<py::bytes>(value)) {
    return Variant(text_of(value));
  }
  return Variant(std::shared_ptr<Object>(
      std::make_shared<PyObjectRef>(py::reinterpret_borrow<py::object>(value))));
}

py::object from_variant(const Variant& value) {
  switch (value.type()) {
    case Variant::Type::Empty:
      return py::none();
    case Variant::Type::Integer16:
      return py::int_(value.i16());
    case Variant::Type::Integer32:
      return py::int_(value.i32());
    case Variant::Type::Single:
      return py::float_(value.single());
    case Variant::Type::Double:
      return py::float_(value.dbl());
    case Variant::Type::Boolean:
      return py::bool_(static_cast<bool>(value.boolean()));
    case Variant::Type::String: {
      const std::string& s = value.str();
      return py::reinterpret_steal<py::object>(
          PyUnicode_DecodeLatin1(s.data(), static_cast<Py_ssize_t>(s.size()), nullptr));
    }
    case Variant::Type::Object:
      if (auto* ref = dynamic_cast<const PyObjectRef*>(value.object().get())) return ref->object();
      return from_variant(value.object()->value());
  }
  return py::none();
}

void register_errors(py::module_& m) {
  static py::exception<ComError> error(m, "Error");
  error.doc() =
      "An error the component raises: .code is the HRESULT (0x800A0009 ...), .number\n"
      "the error number a scripting host shows (9 ...), .description the text.";
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const ComError& e) {
      py::object instance = py::handle(error.ptr())(py::str(e.description()));
      instance.attr("code") = py::int_(static_cast<uint32_t>(e.hresult()));
      instance.attr("number") = py::int_(e.number());
      instance.attr("description") = py::str(e.description());
      PyErr_SetObject(error.ptr(), instance.ptr());
    }
  });
}

}  // namespace tovrak::python
