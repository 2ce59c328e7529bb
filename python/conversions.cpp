#include "conversions.h"

// <datetime.h> keeps its API pointer per translation unit: every use of the datetime C
// API stays in this file.
#include <datetime.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>

#include "class_types.h"
#include "orvalis/error.h"

namespace orvalis::python {

namespace {

// Module-lifetime references, taken at import and deliberately never released: the
// singletons must outlive every value handed out, and releasing at process exit would
// race the interpreter's own teardown.
PyObject* g_decimal_type = nullptr;
PyObject* g_empty = nullptr;
PyObject* g_null = nullptr;
PyObject* g_nothing = nullptr;
PyObject* g_missing = nullptr;

PyObject* Keep(py::object object) { return object.release().ptr(); }

py::object Borrowed(PyObject* object) { return py::reinterpret_borrow<py::object>(object); }

const char* SpecialName(const Special& special) {
  if (special.nothing) return "Nothing";
  switch (special.kind) {
    case VariantKind::kNull:
      return "Null";
    case VariantKind::kMissing:
      return "Missing";
    default:
      return "Empty";
  }
}

Variant SpecialValue(const Special& special) {
  if (special.nothing) return Variant::Nothing();
  switch (special.kind) {
    case VariantKind::kNull:
      return Variant::Null();
    case VariantKind::kMissing:
      return Variant::Missing();
    default:
      return Variant();
  }
}

// ---- int ------------------------------------------------------------------------------

Variant IntToVariant(py::handle value) {
  int overflow = 0;
  const long long whole = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
  if (whole == -1 && PyErr_Occurred()) throw py::error_already_set();
  if (overflow == 0 && whole >= std::numeric_limits<int32_t>::min() &&
      whole <= std::numeric_limits<int32_t>::max()) {
    return Variant::Long(static_cast<int32_t>(whole));
  }
  const double as_double = PyLong_AsDouble(value.ptr());
  if (as_double == -1.0 && PyErr_Occurred()) throw py::error_already_set();
  auto back = py::reinterpret_steal<py::object>(PyLong_FromDouble(as_double));
  if (!back) throw py::error_already_set();
  const int same = PyObject_RichCompareBool(back.ptr(), value.ptr(), Py_EQ);
  if (same < 0) throw py::error_already_set();
  if (same == 0) {
    PyErr_SetString(PyExc_OverflowError,
                    "int has no exact Double form; pass float(x) or decimal.Decimal(x)");
    throw py::error_already_set();
  }
  return Variant(as_double);
}

// ---- str ------------------------------------------------------------------------------

Variant StrToVariant(py::handle value) {
  auto bytes = py::reinterpret_steal<py::object>(
      PyUnicode_AsEncodedString(value.ptr(), "utf-8", "surrogateescape"));
  if (!bytes) throw py::error_already_set();
  char* data = nullptr;
  Py_ssize_t size = 0;
  if (PyBytes_AsStringAndSize(bytes.ptr(), &data, &size) != 0) throw py::error_already_set();
  return Variant(std::string(data, static_cast<size_t>(size)));
}

py::object StrFromVariant(const std::string& text) {
  auto object = py::reinterpret_steal<py::object>(
      PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "surrogateescape"));
  if (!object) throw py::error_already_set();
  return object;
}

// ---- decimal.Decimal <-> Currency -----------------------------------------------------

// The amount in ten-thousandths, from the decimal's own digits: sign, coefficient digits
// and exponent (Decimal.as_tuple()). Rounds half to even; Error 6 out of range, for NaN
// and for infinities.
Currency DecimalToCurrency(py::handle value) {
  const py::tuple parts = value.attr("as_tuple")();
  const bool negative = parts[0].cast<int>() != 0;
  const py::tuple digits = parts[1];
  const py::object exponent_object = parts[2];
  if (!PyLong_Check(exponent_object.ptr())) throw MakeError(ErrorCode::kOverflow);  // NaN, Inf

  const auto count = static_cast<int64_t>(digits.size());
  bool all_zero = true;
  for (py::handle digit : digits) all_zero = all_zero && digit.cast<int>() == 0;
  if (all_zero) return Currency();

  int overflow = 0;
  const long long exponent = PyLong_AsLongLongAndOverflow(exponent_object.ptr(), &overflow);
  if (exponent == -1 && PyErr_Occurred()) throw py::error_already_set();
  if (overflow > 0) throw MakeError(ErrorCode::kOverflow);
  if (overflow < 0) return Currency();  // far below a ten-thousandth: rounds to zero

  // The magnitude in ten-thousandths, kept within the range of the sign.
  const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  uint64_t magnitude = 0;
  auto push = [&](uint64_t digit) {
    if (magnitude > (limit - digit) / 10) throw MakeError(ErrorCode::kOverflow);
    magnitude = magnitude * 10 + digit;
  };
  auto digit_at = [&](int64_t i) { return digits[static_cast<size_t>(i)].cast<uint64_t>(); };

  const int64_t shift = static_cast<int64_t>(exponent) + 4;  // exponent of the last digit
  if (shift >= 0) {
    for (int64_t i = 0; i < count; ++i) push(digit_at(i));
    for (int64_t i = 0; i < shift; ++i) push(0);  // overflows within 19 steps: not zero
  } else {
    const int64_t kept = count + shift;  // digits at or above the fourth decimal
    for (int64_t i = 0; i < kept; ++i) push(digit_at(i));
    if (kept >= 0) {
      const uint64_t first_dropped = digit_at(kept);
      bool rest_nonzero = false;
      for (int64_t i = kept + 1; i < count && !rest_nonzero; ++i) rest_nonzero = digit_at(i) != 0;
      const bool up =
          first_dropped > 5 || (first_dropped == 5 && (rest_nonzero || (magnitude & 1) != 0));
      if (up) {
        if (magnitude == limit) throw MakeError(ErrorCode::kOverflow);
        ++magnitude;
      }
    }
    // kept < 0: the first dropped digit is a leading zero, the amount rounds to zero.
  }
  if (!negative) return Currency::FromRaw(static_cast<int64_t>(magnitude));
  if (magnitude == uint64_t{1} << 63) return Currency::FromRaw(std::numeric_limits<int64_t>::min());
  return Currency::FromRaw(-static_cast<int64_t>(magnitude));
}

py::object CurrencyToDecimal(Currency value) {
  const int64_t raw = value.raw();
  const uint64_t magnitude =
      raw < 0 ? uint64_t{0} - static_cast<uint64_t>(raw) : static_cast<uint64_t>(raw);
  std::string digits = std::to_string(magnitude);
  if (digits.size() < 5) digits.insert(0, 5 - digits.size(), '0');
  digits.insert(digits.size() - 4, 1, '.');
  if (raw < 0) digits.insert(0, 1, '-');
  return Borrowed(g_decimal_type)(digits);
}

// ---- datetime <-> Date ----------------------------------------------------------------

// Whole seconds: the component keeps no finer time, microseconds are dropped.
Variant DateTimeToVariant(py::handle value) {
  PyObject* p = value.ptr();
  return Variant(Date::FromYmd(PyDateTime_GET_YEAR(p), PyDateTime_GET_MONTH(p),
                               PyDateTime_GET_DAY(p), PyDateTime_DATE_GET_HOUR(p),
                               PyDateTime_DATE_GET_MINUTE(p), PyDateTime_DATE_GET_SECOND(p)));
}

Variant DateToVariant(py::handle value) {
  PyObject* p = value.ptr();
  return Variant(
      Date::FromYmd(PyDateTime_GET_YEAR(p), PyDateTime_GET_MONTH(p), PyDateTime_GET_DAY(p)));
}

py::object DateFromVariant(Date date) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  date.ToYmd(year, month, day);
  date.ToHms(hour, minute, second);
  auto object = py::reinterpret_steal<py::object>(
      PyDateTime_FromDateAndTime(year, month, day, hour, minute, second, 0));
  if (!object) throw py::error_already_set();
  return object;
}

}  // namespace

void InitConversions(py::module_& module) {
  PyDateTime_IMPORT;
  if (PyDateTimeAPI == nullptr) throw py::error_already_set();
  g_decimal_type = Keep(py::module_::import("decimal").attr("Decimal"));

  py::class_<Special>(module, "Special",
                      "The type of the singletons Empty, Null, Nothing and Missing.")
      .def("__repr__",
           [](const Special& self) { return std::string("orvalis.") + SpecialName(self); })
      .def("__bool__", [](const Special&) { return false; })
      // pickle and copy hand back the module's own singleton.
      .def("__reduce__", [](const Special& self) { return std::string(SpecialName(self)); });

  auto add = [&](const char* name, Special special) {
    py::object object = py::cast(special);
    module.attr(name) = object;
    return Keep(object);
  };
  g_empty = add("Empty", Special{VariantKind::kEmpty});
  g_null = add("Null", Special{VariantKind::kNull});
  g_nothing = add("Nothing", Special{VariantKind::kObject, true});
  g_missing = add("Missing", Special{VariantKind::kMissing});
}

Variant ToVariant(py::handle value) {
  PyObject* p = value.ptr();
  if (py::isinstance<Special>(value)) return SpecialValue(value.cast<const Special&>());
  if (value.is_none()) return Variant();
  if (py::isinstance<ObjectRef>(value)) return Variant(value.cast<const ObjectRef&>().object);
  if (py::isinstance<Ref>(value)) {
    const py::object& inner = value.cast<const Ref&>().value;
    if (py::isinstance<Ref>(inner)) throw py::type_error("orvalis.Ref cannot hold an orvalis.Ref");
    return ToVariant(inner);
  }
  if (PyBool_Check(p)) return Variant(p == Py_True);
  if (PyLong_Check(p)) return IntToVariant(value);
  if (PyFloat_Check(p)) return Variant(PyFloat_AS_DOUBLE(p));
  if (PyUnicode_Check(p)) return StrToVariant(value);
  const int is_decimal = PyObject_IsInstance(p, g_decimal_type);
  if (is_decimal < 0) throw py::error_already_set();
  if (is_decimal != 0) return Variant(DecimalToCurrency(value));
  if (PyDateTime_Check(p)) return DateTimeToVariant(value);
  if (PyDate_Check(p)) return DateToVariant(value);
  throw py::type_error(std::string("orvalis: no Variant form for a value of type ") +
                       Py_TYPE(p)->tp_name);
}

py::object FromVariant(const Variant& value) {
  switch (value.kind()) {
    case VariantKind::kEmpty:
      return Borrowed(g_empty);
    case VariantKind::kNull:
      return Borrowed(g_null);
    case VariantKind::kMissing:
      return Borrowed(g_missing);
    case VariantKind::kInteger:
      return py::int_(value.integer_value());
    case VariantKind::kLong:
      return py::int_(value.long_value());
    case VariantKind::kByte:
      return py::int_(value.byte_value());
    case VariantKind::kBoolean:
      return py::bool_(value.boolean_value());
    case VariantKind::kCurrency:
      return CurrencyToDecimal(value.currency_value());
    case VariantKind::kDouble:
      return py::float_(value.double_value());
    case VariantKind::kDate:
      return DateFromVariant(value.date_value());
    case VariantKind::kString:
      return StrFromVariant(value.string_value());
    case VariantKind::kObject:
      if (value.IsNothing()) return Borrowed(g_nothing);
      return WrapObject(value.object_value());
  }
  return Borrowed(g_empty);
}

}  // namespace orvalis::python
