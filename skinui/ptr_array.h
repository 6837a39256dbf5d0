// An ordered list of pointers the list does not own (controls, receivers, filters). Order is
// insertion order; lookups by position past the end give null instead of failing.
#pragma once

#include <algorithm>
#include <vector>

namespace SkinUI {

template <typename T>
class CPtrArray {
 public:
  int GetSize() const { return static_cast<int>(items_.size()); }
  bool IsEmpty() const { return items_.empty(); }
  void Empty() { items_.clear(); }

  void Add(T* item) { items_.push_back(item); }

  // `index` may equal the size (append); false when it is outside 0..size.
  bool InsertAt(int index, T* item) {
    if (index < 0 || index > GetSize()) return false;
    items_.insert(items_.begin() + index, item);
    return true;
  }

  bool SetAt(int index, T* item) {
    if (!IsIndex(index)) return false;
    items_[static_cast<size_t>(index)] = item;
    return true;
  }

  bool Remove(int index) {
    if (!IsIndex(index)) return false;
    items_.erase(items_.begin() + index);
    return true;
  }

  // Position of the first occurrence of `item`, -1 when absent.
  int Find(const T* item) const {
    const auto found = std::find(items_.begin(), items_.end(), item);
    return found == items_.end() ? -1 : static_cast<int>(found - items_.begin());
  }

  T* GetAt(int index) const { return IsIndex(index) ? items_[static_cast<size_t>(index)] : nullptr; }
  T* operator[](int index) const { return GetAt(index); }

  typename std::vector<T*>::const_iterator begin() const { return items_.begin(); }
  typename std::vector<T*>::const_iterator end() const { return items_.end(); }

 private:
  bool IsIndex(int index) const { return index >= 0 && index < GetSize(); }

  std::vector<T*> items_;
};

}  // namespace SkinUI
