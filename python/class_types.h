// One Python type per component class: a subclass of orvalis.Object named after the class
// ("CFOP"), whose docstring lists its members in slot order (class_doc.h). Every component
// object reaches Python as an instance of its class's type, so help(obj), type(obj) and
// isinstance(obj, orvalis.CFOP) tell what it is. A type is made the first time an object
// of its class is wrapped and kept for the process; the types of the classes registered
// at import are also attributes of the module.
//
// Every function here needs the GIL.
#pragma once

#include <pybind11/pybind11.h>

#include <memory>

#include "conversions.h"
#include "orvalis/object.h"

namespace orvalis::python {

// Gives orvalis.Object the constructor the types are instantiated through (private to
// this module: any other call raises TypeError). Called once, when Object is declared.
void InitClassTypes(py::class_<ObjectRef>& object_class);

// `object` as an instance of its class's type.
py::object WrapObject(std::shared_ptr<Object> object);

// Makes the type of every registered class an attribute of `module` under the class's
// name, unless the module already has an attribute of that name.
void AddRegisteredClassTypes(py::module_& module);

}  // namespace orvalis::python
