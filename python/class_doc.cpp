#include "class_doc.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace orvalis::python {

namespace {

// Characters, not bytes: member names carry accents.
size_t CodePoints(std::string_view utf8) {
  return static_cast<size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// "Fetch(a1[, a2])": required arguments, then the optional ones in brackets; a property
// without arguments is its name alone; a default member without a name is "obj(...)".
std::string Signature(const MemberInfo& member) {
  std::string text = member.name.empty() ? "obj" : member.name;
  if (member.max_args == 0 && !member.Supports(InvokeKind::kMethod)) return text;
  text += "(";
  for (int i = 1; i <= member.max_args; ++i) {
    const bool optional = i > member.min_args;
    if (optional) text += "[";
    if (i > 1) text += ", ";
    text += "a" + std::to_string(i);
  }
  text += std::string(static_cast<size_t>(member.max_args - member.min_args), ']');
  return text + ")";
}

std::string Kind(const MemberInfo& member) {
  const bool get = member.Supports(InvokeKind::kPropertyGet);
  const bool let = member.Supports(InvokeKind::kPropertyLet);
  std::string property;
  if (get && let) property = "property";
  if (get && !let) property = "read-only property";
  if (!get && let) property = "write-only property";
  if (!member.Supports(InvokeKind::kMethod)) return property;
  return property.empty() ? "method" : "method, " + property;
}

std::string Heading(const ClassInfo& info, std::string_view prog_id) {
  if (prog_id.empty()) {
    return info.name() + ": a component class; members of other objects return its objects.";
  }
  return info.name() + ": a component class; orvalis.CreateObject(\"" + std::string(prog_id) +
         "\") creates one.";
}

}  // namespace

std::string ClassDoc(const ClassInfo& info, std::string_view prog_id) {
  std::string doc = Heading(info, prog_id) + "\n\nMembers, in slot order";
  if (info.members().empty()) return doc + ": none.\n";
  doc += " (names match ignoring letter case):\n";

  std::vector<std::string> signatures;
  size_t width = 0;
  for (const MemberInfo& member : info.members()) {
    signatures.push_back(Signature(member));
    width = std::max(width, CodePoints(signatures.back()));
  }
  for (size_t slot = 0; slot < signatures.size(); ++slot) {
    const std::string& signature = signatures[slot];
    doc += "  " + signature + std::string(width + 2 - CodePoints(signature), ' ') +
           Kind(info.members()[slot]);
    if (info.default_slot() == slot) doc += "; the default member";
    doc += "\n";
  }
  return doc;
}

}  // namespace orvalis::python
