// A map from case-sensitive strings to values, hashed into a fixed number of buckets (the
// framework's tables use 83). Values are held by value: a table of std::unique_ptr owns its
// entries and frees a replaced or removed one at once; a table of plain pointers does not.
// Visiting order is bucket order, then insertion order inside a bucket; it is stable as long
// as the table is not changed.
#pragma once

#include <utility>
#include <vector>

#include "skinui/ui_string.h"

namespace SkinUI {

inline constexpr int kStringMapBuckets = 83;

// Bucket of `key` among `bucket_count` buckets.
size_t StringMapBucket(const wchar_t* key, size_t bucket_count);

template <typename T>
class CStringMap {
 public:
  explicit CStringMap(int bucket_count = kStringMapBuckets)
      : buckets_(bucket_count > 0 ? static_cast<size_t>(bucket_count) : 1) {}

  int GetSize() const { return size_; }
  bool IsEmpty() const { return size_ == 0; }

  void Empty() {
    for (auto& bucket : buckets_) bucket.clear();
    size_ = 0;
  }

  T* Find(const wchar_t* key) {
    Entry* entry = FindEntry(key);
    return entry ? &entry->value : nullptr;
  }
  const T* Find(const wchar_t* key) const {
    return const_cast<CStringMap*>(this)->Find(key);
  }

  // Adds `key` unless it is present already; false (and `value` dropped) when it is.
  bool Insert(const wchar_t* key, T value) {
    if (FindEntry(key)) return false;
    BucketOf(key).push_back(Entry{CUIString(key), std::move(value)});
    ++size_;
    return true;
  }

  // Adds `key` or replaces its value; the replaced value is destroyed.
  void Set(const wchar_t* key, T value) {
    Entry* entry = FindEntry(key);
    if (entry) {
      entry->value = std::move(value);
      return;
    }
    Insert(key, std::move(value));
  }

  bool Remove(const wchar_t* key) {
    auto& bucket = BucketOf(key);
    for (auto it = bucket.begin(); it != bucket.end(); ++it) {
      if (it->key == key) {
        bucket.erase(it);
        --size_;
        return true;
      }
    }
    return false;
  }

  // visit(const CUIString& key, T& value) for every entry.
  template <typename Visit>
  void ForEach(Visit visit) {
    for (auto& bucket : buckets_) {
      for (Entry& entry : bucket) visit(entry.key, entry.value);
    }
  }

  // The first value, in visiting order, for which match(const T&) is true; null when none.
  template <typename Match>
  T* FindIf(Match match) {
    for (auto& bucket : buckets_) {
      for (Entry& entry : bucket) {
        if (match(static_cast<const T&>(entry.value))) return &entry.value;
      }
    }
    return nullptr;
  }

 private:
  struct Entry {
    CUIString key;
    T value;
  };

  std::vector<Entry>& BucketOf(const wchar_t* key) {
    return buckets_[StringMapBucket(key, buckets_.size())];
  }

  Entry* FindEntry(const wchar_t* key) {
    for (Entry& entry : BucketOf(key)) {
      if (entry.key == key) return &entry;
    }
    return nullptr;
  }

  std::vector<std::vector<Entry>> buckets_;
  int size_ = 0;
};

}  // namespace SkinUI
