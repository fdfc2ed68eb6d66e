#include "values.hpp"

#include <array>
#include <limits>
#include <utility>
#include <vector>

namespace tovrak::python {

namespace {

// An object assigned by reference (`rig.AutoNF = obj`) or passed where a
// value is taken: the component reads it through its `value` attribute, as a
// scripting host reads an object's default member.
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

// The decoding error handler that reads each byte of a stretch that is not
// UTF-8 as one Latin-1 character: Python's decoder marks each byte that
// starts no well-formed character (with the continuation bytes it gave up
// on), so the text reads as the component reads it.
constexpr const char* kLatin1Fallback = "tovrak.latin-1";

std::string text_of(const py::handle& value) {
  if (py::isinstance<py::bytes>(value)) return value.cast<std::string>();
  Py_ssize_t size = 0;
  const char* utf8 = PyUnicode_AsUTF8AndSize(value.ptr(), &size);
  if (!utf8) throw py::error_already_set();
  return std::string(utf8, static_cast<size_t>(size));
}

Variant number_of(const py::handle& value) {
  // Small numbers travel as Integer, larger ones as Long, as a scripting
  // host types its literals; beyond that as Double, so that the component
  // reports the overflow.
  int overflow = 0;
  const long long n = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
  if (overflow == 0 && n >= std::numeric_limits<int16_t>::min() &&
      n <= std::numeric_limits<int16_t>::max()) {
    return Variant(static_cast<int16_t>(n));
  }
  if (overflow == 0 && n >= std::numeric_limits<int32_t>::min() &&
      n <= std::numeric_limits<int32_t>::max()) {
    return Variant(static_cast<int32_t>(n));
  }
  const double d = PyLong_AsDouble(value.ptr());
  if (d == -1.0 && PyErr_Occurred()) {
    PyErr_Clear();
    throw ComError::overflow();  // beyond a Double
  }
  return Variant(d);
}

}  // namespace

Variant to_variant(const py::handle& value) {
  if (value.is_none()) return Variant();
  if (py::isinstance<py::bool_>(value)) return Variant(VBool::of(value.cast<bool>()));
  if (py::isinstance<py::int_>(value)) return number_of(value);
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
      PyObject* text =
          PyUnicode_DecodeUTF8(s.data(), static_cast<Py_ssize_t>(s.size()), kLatin1Fallback);
      if (!text) throw py::error_already_set();
      return py::reinterpret_steal<py::object>(text);
    }
    case Variant::Type::Object:
      if (auto* ref = dynamic_cast<const PyObjectRef*>(value.object().get())) return ref->object();
      return from_variant(value.object()->value());
  }
  return py::none();
}

void register_text_rules() {
  py::module_::import("codecs").attr("register_error")(
      kLatin1Fallback, py::cpp_function([](const py::object& error) {
        const auto start = error.attr("start").cast<Py_ssize_t>();
        const auto end = error.attr("end").cast<Py_ssize_t>();
        const std::string bytes = error.attr("object").cast<std::string>();
        const std::string_view bad(bytes.data() + start, static_cast<size_t>(end - start));
        py::object chars = py::reinterpret_steal<py::object>(
            PyUnicode_DecodeLatin1(bad.data(), static_cast<Py_ssize_t>(bad.size()), nullptr));
        return py::make_tuple(chars, end);
      }));
}

void register_errors(py::module_& m) {
  static py::exception<ComError> error(m, "Error");
  error.doc() =
      "An error the component raises: .code is the HRESULT (0x800A0009 ...), .number\n"
      "the error number a scripting host shows (9 ...), .description the text.\n"
      "The errors of the kinds below are also Python's own: catch TypeError,\n"
      "OverflowError, IndexError or ValueError as anywhere else.";
  // The component's errors of a kind Python has an exception for: the error,
  // its class's name, Python's exception, the class's doc.
  struct Kind {
    int32_t hresult;
    const char* name;
    PyObject* python;
    const char* doc;
  };
  const std::array<Kind, 4> kinds = {{
      {ComError::type_mismatch().hresult(), "TypeMismatchError", PyExc_TypeError,
       "A value of a type the member cannot take (\"Type mismatch\")."},
      {ComError::overflow().hresult(), "ValueOverflowError", PyExc_OverflowError,
       "A number beyond the range of the member's type (\"Overflow\")."},
      {ComError::subscript_out_of_range().hresult(), "SubscriptError", PyExc_IndexError,
       "An index outside a table of the component (\"Subscript out of range\")."},
      {ComError::invalid_property_value().hresult(), "InvalidValueError", PyExc_ValueError,
       "A value the property does not take (\"Invalid property value\")."},
  }};
  // The class of each HRESULT, kept for the life of the process.
  static auto* classes = new std::vector<std::pair<int32_t, py::object>>();
  for (const Kind& k : kinds) {
    const std::string qualified = "tovrak." + std::string(k.name);
    auto cls = py::reinterpret_steal<py::object>(PyErr_NewExceptionWithDoc(
        qualified.c_str(), k.doc, py::make_tuple(error, py::handle(k.python)).ptr(), nullptr));
    if (!cls) throw py::error_already_set();
    m.attr(k.name) = cls;
    classes->emplace_back(k.hresult, cls);
  }
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const ComError& e) {
      py::handle type = error;
      for (const auto& [hresult, cls] : *classes) {
        if (hresult == e.hresult()) type = cls;
      }
      py::object instance = type(py::str(e.description()));
      instance.attr("code") = py::int_(static_cast<uint32_t>(e.hresult()));
      instance.attr("number") = py::int_(e.number());
      instance.attr("description") = py::str(e.description());
      PyErr_SetObject(type.ptr(), instance.ptr());
    }
  });
}

}  // namespace tovrak::python
