// The `orvalis` Python module: creates component objects by class name and drives them
// by late binding, as the desktop front-end does.
//
//   import orvalis
//   m = orvalis.CreateObject("Orvalis.MantemDB")
//   m.NovoArquivo()                 # a method is an attribute to call
//   n = m.Db_Open(path)
//   rs.EOF / obj.Nome               # a property without required arguments reads its value
//   obj.Nome = "X"                  # property let
//   rs.Fields("Sigla"), col.Item(2) # a property with arguments is called (or indexed:
//   col.Item[2] = v                 #   col.Item[2] reads, col.Item[2] = v assigns)
//   rs("Sigla"), rs["Sigla"]        # the class's default member
//
// Names match ignoring letter case. Arguments pass by value: a member that writes into
// an argument changes nothing on the Python side unless the argument is an orvalis.Ref,
// which receives the written value. A left-out trailing optional argument is Missing;
// orvalis.Missing leaves out one in the middle. Value conversions: conversions.h.
// Component errors raise orvalis.Error (number, description); an unknown member name
// raises orvalis.MemberError, an orvalis.Error that is also an AttributeError. Each
// component class has its own Python type (class_types.h); errors the component swallows
// and its messages go to the logger "orvalis" (logging_bridge.h).
//
// Every call holds the GIL: one component object is never driven by two threads at once.
#include <pybind11/eval.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "class_types.h"
#include "conversions.h"
#include "logging_bridge.h"
#include "orvalis/class_info.h"
#include "orvalis/class_registry.h"
#include "orvalis/error.h"
#include "orvalis/object.h"
#include "orvalis/variant.h"
#include "testing_echo.h"

namespace orvalis::python {

namespace {

// An unknown member name met by the wrapper's attribute look-up: raised as
// orvalis.MemberError so that getattr/hasattr behave as Python expects.
class MemberLookupError : public Error {
 public:
  explicit MemberLookupError(std::string_view name)
      : Error(MakeError(ErrorCode::kMemberNotFound, name)) {}
};

PyObject* g_error_type = nullptr;         // orvalis.Error, kept for the process
PyObject* g_member_error_type = nullptr;  // orvalis.MemberError

// A member of one object, resolved to its slot: what `obj.Method` and `obj.Item` return.
struct BoundMember {
  std::shared_ptr<Object> object;
  size_t slot;
};

const MemberInfo& MemberAt(const Object& object, size_t slot) {
  return object.Class().members()[slot];
}

bool Supports(const MemberInfo& member, InvokeKind kind) { return member.Supports(kind); }

size_t FindSlot(const Object& object, std::string_view name) {
  std::optional<size_t> slot = object.Class().FindSlot(name);
  if (!slot) throw MemberLookupError(name);
  return *slot;
}

// Invokes and converts; arguments given as orvalis.Ref receive what the member wrote
// into them, also when the member fails.
py::object Call(Object& target, size_t slot, InvokeKind kind,
                const std::vector<py::handle>& arguments) {
  std::vector<Variant> args;
  args.reserve(arguments.size());
  for (py::handle argument : arguments) args.push_back(ToVariant(argument));

  auto write_back = [&] {
    for (size_t i = 0; i < arguments.size(); ++i) {
      if (py::isinstance<Ref>(arguments[i])) {
        arguments[i].cast<Ref&>().value = FromVariant(args[i]);
      }
    }
  };
  Variant result;
  try {
    result = InvokeSlot(target, slot, kind, args);
  } catch (...) {
    try {
      write_back();
    } catch (const py::error_already_set&) {
      // The member's own error is the one reported.
    }
    throw;
  }
  write_back();
  return FromVariant(result);
}

std::vector<py::handle> Handles(const py::args& args) {
  std::vector<py::handle> handles;
  handles.reserve(args.size());
  for (py::handle arg : args) handles.push_back(arg);
  return handles;
}

// `obj[a]` passes a; `obj[a, b]` passes a and b.
std::vector<py::handle> KeyHandles(const py::object& key) {
  std::vector<py::handle> handles;
  if (py::isinstance<py::tuple>(key)) {
    for (py::handle item : key) handles.push_back(item);
  } else {
    handles.push_back(key);
  }
  return handles;
}

// Methods are called as methods, properties read.
InvokeKind CallKind(const MemberInfo& member) {
  return Supports(member, InvokeKind::kMethod) ? InvokeKind::kMethod : InvokeKind::kPropertyGet;
}

size_t DefaultSlot(const Object& object) {
  std::optional<size_t> slot = object.Class().default_slot();
  if (!slot) throw MakeError(ErrorCode::kMemberNotFound, object.Class().name());
  return *slot;
}

std::string MemberRepr(const MemberInfo& member) {
  std::ostringstream out;
  out << "MemberInfo('" << member.name << "', ";
  const char* separator = "";
  if (Supports(member, InvokeKind::kMethod)) out << separator << "method", separator = "|";
  if (Supports(member, InvokeKind::kPropertyGet)) out << separator << "get", separator = "|";
  if (Supports(member, InvokeKind::kPropertyLet)) out << separator << "let";
  out << ", args " << member.min_args << ".." << member.max_args << ")";
  return out.str();
}

std::string ObjectRepr(const ObjectRef& self) {
  std::ostringstream out;
  out << "<orvalis." << self.object->Class().name() << " object at "
      << static_cast<const void*>(self.object.get()) << ">";
  return out.str();
}

py::object GetAttribute(const ObjectRef& self, const std::string& name) {
  if (name.size() > 1 && name.starts_with("__")) {
    throw py::attribute_error("orvalis.Object has no attribute '" + name + "'");
  }
  const size_t slot = FindSlot(*self.object, name);
  const MemberInfo& member = MemberAt(*self.object, slot);
  if (Supports(member, InvokeKind::kMethod) || member.min_args > 0) {
    return py::cast(BoundMember{self.object, slot});
  }
  return Call(*self.object, slot, InvokeKind::kPropertyGet, {});
}

void SetAttribute(const ObjectRef& self, const std::string& name, const py::object& value) {
  const size_t slot = FindSlot(*self.object, name);
  Call(*self.object, slot, InvokeKind::kPropertyLet, {value});
}

InvokeKind KindFromText(const std::string& kind) {
  if (kind == "method") return InvokeKind::kMethod;
  if (kind == "get") return InvokeKind::kPropertyGet;
  if (kind == "let") return InvokeKind::kPropertyLet;
  throw py::value_error("kind must be 'method', 'get' or 'let'");
}

const char* const kModuleDoc = R"(Orvalis component objects, driven by late binding.

CreateObject(name) creates an object by class name ("Orvalis.CFOP"); classes() lists
the names. On an object, obj.Name reads a property without required arguments,
obj.Name = v assigns it, obj.Method(...) calls a method and obj.Prop(args) reads a
property with arguments (obj.Prop[args] = v assigns one). obj(...) and obj[...] use the
class's default member. Letter case is ignored. members(obj) lists the members in slot
order; invoke(obj, name, *args, kind=...) calls one explicitly.

Each component class has its own type, a subclass of Object named after it (orvalis.CFOP,
orvalis.ICMS, ...): its docstring lists the members in slot order (help(orvalis.CFOP)).

Errors raise orvalis.Error, with the component's .number and .description. Errors the
component swallows on purpose are logged to the logger "orvalis" at DEBUG, and the
messages it shows the user at their icon's level (critical: ERROR, warning: WARNING,
others: INFO); each record carries its fields as attributes (class_name, member, number,
description; or title, text, icon).

Values: bool, int, float, str, decimal.Decimal (Currency, exact), datetime.datetime and
datetime.date (Date) and component objects; Empty, Null, Nothing and Missing are module
singletons (None passes as Empty). Arguments are passed by value; wrap one in Ref(v) to
see what the member writes into it.)";

const char* const kExceptionsSource = R"(
class Error(Exception):
    """An error raised by the component: its number and description."""

    def __init__(self, number, description=""):
        super().__init__(number, description)
        self.number = number
        self.description = description

    def __str__(self):
        return f"{self.number}: {self.description}"


class MemberError(Error, AttributeError):
    """Error 438 for a member name the object's class does not have."""
)";

void DeclareExceptions(py::module_& module) {
  py::dict scope;
  scope["__name__"] = "orvalis";
  py::exec(kExceptionsSource, scope);
  module.attr("Error") = scope["Error"];
  module.attr("MemberError") = scope["MemberError"];
  g_error_type = py::object(scope["Error"]).release().ptr();
  g_member_error_type = py::object(scope["MemberError"]).release().ptr();

  py::register_exception_translator([](std::exception_ptr pending) {
    try {
      if (pending) std::rethrow_exception(pending);
    } catch (const Error& error) {
      PyObject* type = dynamic_cast<const MemberLookupError*>(&error) != nullptr
                           ? g_member_error_type
                           : g_error_type;
      auto description = py::reinterpret_steal<py::object>(
          PyUnicode_DecodeUTF8(error.description().data(),
                               static_cast<Py_ssize_t>(error.description().size()), "replace"));
      if (!description) return;  // the decoding error stays set
      py::object instance = py::reinterpret_borrow<py::object>(type)(error.number(), description);
      PyErr_SetObject(type, instance.ptr());
    }
  });
}

}  // namespace

void DefineModule(py::module_& module) {
  module.doc() = kModuleDoc;
  DeclareExceptions(module);

  py::class_<ObjectRef> object_class(
      module, "Object",
      "A component object, driven by late binding. Each component "
      "class has its own subclass, whose docstring lists its members.");
  InitClassTypes(object_class);
  object_class.def("__getattr__", &GetAttribute)
      .def("__setattr__", &SetAttribute)
      .def("__call__",
           [](const ObjectRef& self, const py::args& args) {
             const size_t slot = DefaultSlot(*self.object);
             return Call(*self.object, slot, CallKind(MemberAt(*self.object, slot)), Handles(args));
           })
      .def("__getitem__",
           [](const ObjectRef& self, const py::object& key) {
             return Call(*self.object, DefaultSlot(*self.object), InvokeKind::kPropertyGet,
                         KeyHandles(key));
           })
      .def("__setitem__",
           [](const ObjectRef& self, const py::object& key, const py::object& value) {
             std::vector<py::handle> handles = KeyHandles(key);
             handles.push_back(value);
             Call(*self.object, DefaultSlot(*self.object), InvokeKind::kPropertyLet, handles);
           })
      .def("__iter__",
           [](const ObjectRef&) -> py::object {
             throw py::type_error("orvalis.Object is not iterable");
           })
      .def("__dir__",
           [](const ObjectRef& self) {
             std::vector<std::string> names;
             for (const MemberInfo& member : self.object->Class().members()) {
               if (!member.name.empty()) names.push_back(member.name);
             }
             return names;
           })
      .def("__eq__",
           [](const ObjectRef& self, const py::object& other) -> py::object {
             if (!py::isinstance<ObjectRef>(other))
               return py::reinterpret_borrow<py::object>(Py_NotImplemented);
             return py::bool_(self.object == other.cast<const ObjectRef&>().object);
           })
      .def("__ne__",
           [](const ObjectRef& self, const py::object& other) -> py::object {
             if (!py::isinstance<ObjectRef>(other))
               return py::reinterpret_borrow<py::object>(Py_NotImplemented);
             return py::bool_(self.object != other.cast<const ObjectRef&>().object);
           })
      .def("__hash__",
           [](const ObjectRef& self) { return std::hash<const Object*>()(self.object.get()); })
      .def("__repr__", &ObjectRepr);

  py::class_<BoundMember>(module, "BoundMember",
                          "A member of one object: call it (method or property with "
                          "arguments), index it to read or assign a property.")
      .def("__call__",
           [](const BoundMember& self, const py::args& args) {
             return Call(*self.object, self.slot, CallKind(MemberAt(*self.object, self.slot)),
                         Handles(args));
           })
      .def("__getitem__",
           [](const BoundMember& self, const py::object& key) {
             return Call(*self.object, self.slot, InvokeKind::kPropertyGet, KeyHandles(key));
           })
      .def("__setitem__",
           [](const BoundMember& self, const py::object& key, const py::object& value) {
             std::vector<py::handle> handles = KeyHandles(key);
             handles.push_back(value);
             Call(*self.object, self.slot, InvokeKind::kPropertyLet, handles);
           })
      .def("__iter__",
           [](const BoundMember&) -> py::object {
             throw py::type_error("orvalis.BoundMember is not iterable");
           })
      // `if rs.EOF:` on a method would always be true: make the mistake loud.
      .def("__bool__",
           [](const BoundMember& self) -> bool {
             throw py::type_error("'" + MemberAt(*self.object, self.slot).name +
                                  "' is a member to call: add the parentheses");
           })
      .def("__repr__", [](const BoundMember& self) {
        return "<orvalis member " + self.object->Class().name() + "." +
               MemberAt(*self.object, self.slot).name + ">";
      });

  InitConversions(module);

  py::class_<Ref>(module, "Ref",
                  "An argument passed by reference: after a call, `value` holds what the "
                  "member wrote into it.")
      .def(py::init<py::object>(), py::arg("value") = module.attr("Empty"))
      .def_readwrite("value", &Ref::value)
      .def("__repr__", [](const Ref& self) {
        return "orvalis.Ref(" + py::repr(self.value).cast<std::string>() + ")";
      });

  py::class_<MemberInfo>(module, "MemberInfo", "A member of a class, as members() lists it.")
      .def_readonly("name", &MemberInfo::name)
      .def_readonly("kinds", &MemberInfo::kinds)
      .def_readonly("min_args", &MemberInfo::min_args)
      .def_readonly("max_args", &MemberInfo::max_args)
      .def_property_readonly("is_method",
                             [](const MemberInfo& m) { return Supports(m, InvokeKind::kMethod); })
      .def_property_readonly(
          "is_get", [](const MemberInfo& m) { return Supports(m, InvokeKind::kPropertyGet); })
      .def_property_readonly(
          "is_let", [](const MemberInfo& m) { return Supports(m, InvokeKind::kPropertyLet); })
      .def("__repr__", &MemberRepr);

  module.attr("METHOD") = static_cast<int>(InvokeKind::kMethod);
  module.attr("PROPERTY_GET") = static_cast<int>(InvokeKind::kPropertyGet);
  module.attr("PROPERTY_LET") = static_cast<int>(InvokeKind::kPropertyLet);

  module.def(
      "CreateObject",
      [](const std::string& name) { return WrapObject(orvalis::CreateObject(name)); },
      py::arg("name"),
      "A new object of the class registered under `name` (letter case ignored); "
      "orvalis.Error 429 when there is none.");
  module.def(
      "classes", [] { return RegisteredClasses(); },
      "The creatable class names, in registration order.");
  module.def(
      "members", [](const ObjectRef& object) { return object.object->Class().members(); },
      py::arg("obj"), "The members of the object's class, in slot order.");
  module.def(
      "class_name", [](const ObjectRef& object) { return object.object->Class().name(); },
      py::arg("obj"), "The name of the object's class.");
  module.def(
      "invoke",
      [](const ObjectRef& object, const std::string& name, const py::args& args,
         const std::string& kind) {
        return Call(*object.object, FindSlot(*object.object, name), KindFromText(kind),
                    Handles(args));
      },
      py::arg("obj"), py::arg("name"), py::arg("kind") = "method",
      "Invokes a member by name: kind 'method', 'get' or 'let' (the last argument is the "
      "value assigned).");

  module.def("_testing_echo", &RegisterTestingEcho,
             "Test support only: registers the class 'Orvalis._Echo' and returns its name.");

  AddRegisteredClassTypes(module);
  InstallLoggingBridge();
}

}  // namespace orvalis::python

PYBIND11_MODULE(orvalis, module) { orvalis::python::DefineModule(module); }
