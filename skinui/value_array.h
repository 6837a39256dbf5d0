// An ordered list of values held by copy (small records such as rectangles or timer entries).
// Lookups by position past the end give null instead of failing.
#pragma once

#include <vector>

namespace SkinUI {

template <typename T>
class CValueArray {
 public:
  int GetSize() const { return static_cast<int>(items_.size()); }
  bool IsEmpty() const { return items_.empty(); }
  void Empty() { items_.clear(); }

  void Add(const T& item) { items_.push_back(item); }

  bool Remove(int index) {
    if (!IsIndex(index)) return false;
    items_.erase(items_.begin() + index);
    return true;
  }

  T* GetAt(int index) { return IsIndex(index) ? &items_[static_cast<size_t>(index)] : nullptr; }
  const T* GetAt(int index) const {
    return IsIndex(index) ? &items_[static_cast<size_t>(index)] : nullptr;
  }

  typename std::vector<T>::iterator begin() { return items_.begin(); }
  typename std::vector<T>::iterator end() { return items_.end(); }
  typename std::vector<T>::const_iterator begin() const { return items_.begin(); }
  typename std::vector<T>::const_iterator end() const { return items_.end(); }

 private:
  bool IsIndex(int index) const { return index >= 0 && index < GetSize(); }

  std::vector<T> items_;
};

}  // namespace SkinUI
