#include "class_types.h"

#include <cstring>
#include <string>
#include <unordered_map>
#include <utility>

#include "class_doc.h"
#include "orvalis/class_info.h"
#include "orvalis/class_registry.h"

namespace orvalis::python {

namespace {

// The capsule that carries the object to the constructor; only this file makes one.
constexpr const char* kTokenName = "orvalis.object-token";

// Module-lifetime references, never released (like the value singletons): they must
// outlive every object handed out.
PyObject* g_object_type = nullptr;

std::unordered_map<const ClassInfo*, PyObject*>& TypesByClass() {
  static std::unordered_map<const ClassInfo*, PyObject*> types;
  return types;
}

// The registered name whose last part is the class's name ("Orvalis.CFOP" for "CFOP"),
// "" when no registered class has it.
std::string ProgIdOf(const ClassInfo& info) {
  for (const std::string& prog_id : RegisteredClasses()) {
    const size_t dot = prog_id.rfind('.');
    const std::string tail = dot == std::string::npos ? prog_id : prog_id.substr(dot + 1);
    if (tail == info.name()) return prog_id;
  }
  return "";
}

// type(Object)(name, (Object,), namespace): the subclass, made by Object's own metaclass.
PyObject* NewType(const ClassInfo& info) {
  auto object_type = py::reinterpret_borrow<py::object>(g_object_type);
  auto metaclass =
      py::reinterpret_borrow<py::object>(reinterpret_cast<PyObject*>(Py_TYPE(object_type.ptr())));
  py::dict scope;
  scope["__doc__"] = ClassDoc(info, ProgIdOf(info));
  scope["__module__"] = "orvalis";
  scope["__qualname__"] = info.name();
  scope["__slots__"] = py::tuple();
  return metaclass(info.name(), py::make_tuple(object_type), scope).release().ptr();
}

py::handle TypeOf(const ClassInfo& info) {
  auto& types = TypesByClass();
  auto found = types.find(&info);
  if (found == types.end()) found = types.emplace(&info, NewType(info)).first;
  return found->second;
}

ObjectRef FromToken(const py::capsule& token) {
  if (token.name() == nullptr || std::strcmp(token.name(), kTokenName) != 0) {
    throw py::type_error("orvalis objects are created with orvalis.CreateObject(name)");
  }
  return ObjectRef{*token.get_pointer<std::shared_ptr<Object>>()};
}

}  // namespace

void InitClassTypes(py::class_<ObjectRef>& object_class) {
  g_object_type = py::object(object_class).release().ptr();
  object_class.def(py::init(&FromToken), py::arg("token"));
  object_class.def(py::init([](const py::args&, const py::kwargs&) -> ObjectRef {
    throw py::type_error("orvalis objects are created with orvalis.CreateObject(name)");
  }));
}

py::object WrapObject(std::shared_ptr<Object> object) {
  py::handle type = TypeOf(object->Class());
  py::capsule token(&object, kTokenName);
  return type(token);
}

void AddRegisteredClassTypes(py::module_& module) {
  for (const std::string& prog_id : RegisteredClasses()) {
    const ClassInfo& info = CreateObject(prog_id)->Class();
    if (!py::hasattr(module, info.name().c_str())) {
      module.attr(info.name().c_str()) = TypeOf(info);
    }
  }
}

}  // namespace orvalis::python
