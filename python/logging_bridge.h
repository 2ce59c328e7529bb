// While Python is the host, what the component reports goes to Python's standard logging,
// to the logger "orvalis":
//
//   swallowed errors   DEBUG      "CFOP.Create: error 3201: <description>"
//                      record attributes class_name, member, number, description
//   messages           by icon: critical ERROR, warning WARNING, information and
//                      question INFO; "<title>: <text>"; attributes title, text, icon
//                      ("critical", "warning", "information", "question")
//
// Swallowed errors are diagnostics: the component swallows some on every ordinary run
// (opening a file re-links its fixed tables and ignores the links it does not find), so
// they are logged at DEBUG, shown once an application enables that level for "orvalis".
// Messages are what the component shows the user; with logging not configured, those of
// WARNING and above reach standard error as before.
//
// Reports may come from any thread: each takes the GIL for as long as logging runs. An
// exception raised while logging (a failing filter, say) is reported as unraisable
// (sys.unraisablehook) and never reaches the component. At interpreter exit the
// component's defaults come back (no hook, messages to standard error), so that no
// report reaches an interpreter that is shutting down.
#pragma once

namespace orvalis::python {

// Installs the diagnostics hook and the message sink, and their removal at exit. Called
// once, from the module's initialization, with the GIL held.
void InstallLoggingBridge();

}  // namespace orvalis::python
