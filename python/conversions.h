// Values between Python and the component's Variants, for the `orvalis` Python module.
//
//   Python                         Variant
//   orvalis.Empty / None           Empty (None is accepted as an argument only)
//   orvalis.Null                   Null
//   orvalis.Nothing                Object holding no object
//   orvalis.Missing                Missing (an optional argument left out)
//   bool                           Boolean
//   int                            Long when it fits 32 bits, else Double when exact,
//                                  else OverflowError; Integer, Long, Byte give int
//   float                          Double
//   str                            String (UTF-8; undecodable bytes as lone surrogates)
//   decimal.Decimal                Currency, exact: rounded half to even at the fourth
//                                  decimal, Error 6 out of range; Currency gives a Decimal
//                                  with four decimals
//   datetime.datetime / date       Date (wall-clock fields; tzinfo ignored); Date gives a
//                                  naive datetime.datetime rounded to the second
//   orvalis.Object                 Object (an object comes back as an instance of its
//                                  class's own subclass of orvalis.Object, class_types.h)
//   orvalis.Ref                    its value (a call writes the argument back into it)
//
// Every function here needs the GIL.
#pragma once

#include <pybind11/pybind11.h>

#include <memory>

#include "orvalis/object.h"
#include "orvalis/variant.h"

namespace orvalis::python {

namespace py = pybind11;

// The Python face of a component object: shares ownership of it.
struct ObjectRef {
  std::shared_ptr<Object> object;
};

// A box for an argument passed by reference: a call stores back into `value` what the
// member wrote into that argument.
struct Ref {
  py::object value;
};

// The class of the singletons orvalis.Empty, Null, Nothing and Missing.
struct Special {
  VariantKind kind;
  bool nothing = false;  // Object kind: Nothing
};

// Declares Special, ObjectRef's conversions and the singletons on `module`; imports
// decimal and datetime. Called once from the module's initialization, after ObjectRef and
// Ref are declared.
void InitConversions(py::module_& module);

// Raises TypeError for a value without a Variant form, orvalis.Error 6 for a Decimal out
// of the Currency range, OverflowError for an int without an exact Double.
Variant ToVariant(py::handle value);
py::object FromVariant(const Variant& value);

}  // namespace orvalis::python
