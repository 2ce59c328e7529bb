#include "logging_bridge.h"

#include <pybind11/pybind11.h>

#include <exception>
#include <string>
#include <string_view>
#include <utility>

#include "orvalis/diagnostics.h"
#include "orvalis/error.h"
#include "orvalis/messages.h"

namespace orvalis::python {

namespace py = pybind11;

namespace {

constexpr const char* kLoggerName = "orvalis";
constexpr const char* kContext = "orvalis: logging a report of the component";

bool InterpreterRunning() {
  if (!Py_IsInitialized()) return false;
#if PY_VERSION_HEX >= 0x030D0000
  return !Py_IsFinalizing();
#else
  return !_Py_IsFinalizing();
#endif
}

py::str Text(std::string_view utf8) {
  auto text = py::reinterpret_steal<py::str>(
      PyUnicode_DecodeUTF8(utf8.data(), static_cast<Py_ssize_t>(utf8.size()), "replace"));
  if (!text) throw py::error_already_set();
  return text;
}

// logging.getLogger("orvalis").<level>(format, *args, extra=extra), under the GIL. The
// thread's pending Python error, if any, is kept as it was.
template <typename MakeCall>
void LogWithGil(MakeCall make_call) {
  if (!InterpreterRunning()) return;
  py::gil_scoped_acquire gil;
  py::error_scope pending;
  try {
    py::object logger = py::module_::import("logging").attr("getLogger")(kLoggerName);
    make_call(logger);
  } catch (py::error_already_set& error) {
    error.discard_as_unraisable(kContext);
  } catch (const std::exception& error) {
    PyErr_SetString(PyExc_RuntimeError, error.what());
    PyErr_WriteUnraisable(Text(kContext).ptr());
  }
}

void LogSwallowedError(std::string_view operation, const Error& error) {
  const size_t dot = operation.find('.');
  const std::string_view class_name = operation.substr(0, dot);
  const std::string_view member = dot == std::string_view::npos ? "" : operation.substr(dot + 1);
  LogWithGil([&](py::object& logger) {
    py::dict extra;
    extra["class_name"] = Text(class_name);
    extra["member"] = Text(member);
    extra["number"] = error.number();
    extra["description"] = Text(error.description());
    logger.attr("debug")("%s.%s: error %d: %s", extra["class_name"], extra["member"],
                         extra["number"], extra["description"], py::arg("extra") = extra);
  });
}

// The logging method and the attribute value of an icon.
std::pair<const char*, const char*> LevelAndName(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kCritical:
      return {"error", "critical"};
    case MessageIcon::kWarning:
      return {"warning", "warning"};
    case MessageIcon::kQuestion:
      return {"info", "question"};
    case MessageIcon::kInformation:
      break;
  }
  return {"info", "information"};
}

void LogMessage(const MessageBox& message) {
  const auto [level, icon] = LevelAndName(message.icon);
  LogWithGil([&](py::object& logger) {
    py::dict extra;
    extra["title"] = Text(message.title);
    extra["text"] = Text(message.text);
    extra["icon"] = icon;
    if (message.title.empty()) {
      logger.attr(level)("%s", extra["text"], py::arg("extra") = extra);
    } else {
      logger.attr(level)("%s: %s", extra["title"], extra["text"], py::arg("extra") = extra);
    }
  });
}

void RestoreDefaults() {
  InstallDiagnosticsHook(nullptr);
  InstallMessageSink(nullptr);
}

}  // namespace

void InstallLoggingBridge() {
  py::module_::import("atexit").attr("register")(py::cpp_function(&RestoreDefaults));
  InstallDiagnosticsHook(&LogSwallowedError);
  InstallMessageSink(&LogMessage);
}

}  // namespace orvalis::python
