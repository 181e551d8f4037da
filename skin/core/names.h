// Names of registered skin items and the lookup rules of the skin registry.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tl::skin {

// Names arrive as narrow strings and are kept as counted UTF-16 strings; they compare code unit
// by code unit, case-sensitive.
using Name = std::u16string;

// Widens byte by byte: the registry's names are plain ASCII identifiers.
Name NameFromNarrow(const char* narrow);

// Base of every registered item: its name and its position in its list.
struct Information {
  Name name;
  size_t index = 0;
};

// A list of owned items in registration order.
template <typename T>
class NamedList {
 public:
  T& Add(std::unique_ptr<T> item) {
    item->index = items_.size();
    items_.push_back(std::move(item));
    return *items_.back();
  }

  // The first item of that name; an unknown name gives the list's first item (none when empty).
  T* FindOrFirst(std::u16string_view name) const {
    if (T* found = Find(name)) return found;
    return items_.empty() ? nullptr : items_.front().get();
  }

  // The first item of that name, or none.
  T* Find(std::u16string_view name) const {
    for (const auto& item : items_)
      if (item->name == name) return item.get();
    return nullptr;
  }

  size_t size() const { return items_.size(); }
  bool empty() const { return items_.empty(); }
  T& operator[](size_t i) const { return *items_[i]; }
  // Hands every item over and leaves the list empty.
  std::vector<std::unique_ptr<T>> TakeAll() { return std::exchange(items_, {}); }
  // Destroys the items last to first.
  void Clear() {
    while (!items_.empty()) items_.pop_back();
  }

 private:
  std::vector<std::unique_ptr<T>> items_;
};

}  // namespace tl::skin
