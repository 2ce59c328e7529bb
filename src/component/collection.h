// Look-up rules shared by the engine's collections (fields, indexes, table definitions,
// relations, workspaces, databases): by position from 0, or by name ignoring letter case
// (Portuguese accented letters included). A missing item raises Error 3265 "Item not
// found in this collection.".
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orvalis {

// Position of the first name that matches ignoring letter case, or -1.
int32_t FindName(const std::vector<std::string>& names, std::string_view name);
// Raises 3265 "Item not found in this collection.".
[[noreturn]] void ThrowItemNotFound();

template <class T>
std::shared_ptr<T> ItemAt(const std::vector<std::shared_ptr<T>>& items, int32_t position) {
  if (position < 0 || static_cast<size_t>(position) >= items.size()) ThrowItemNotFound();
  return items[static_cast<size_t>(position)];
}

// Position of the first item whose Name() matches ignoring letter case, or -1.
template <class T>
int32_t PositionNamed(const std::vector<std::shared_ptr<T>>& items, std::string_view name) {
  std::vector<std::string> names;
  names.reserve(items.size());
  for (const auto& item : items) names.push_back(item->Name());
  return FindName(names, name);
}

template <class T>
std::shared_ptr<T> ItemNamed(const std::vector<std::shared_ptr<T>>& items, std::string_view name) {
  int32_t found = PositionNamed(items, name);
  if (found < 0) ThrowItemNotFound();
  return items[static_cast<size_t>(found)];
}

// Removes the item of that name (3265 when there is none).
template <class T>
void EraseNamed(std::vector<std::shared_ptr<T>>& items, std::string_view name) {
  int32_t found = PositionNamed(items, name);
  if (found < 0) ThrowItemNotFound();
  items.erase(items.begin() + found);
}

}  // namespace orvalis
