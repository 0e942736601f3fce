// An ordered collection of named items that owns them and also chains them
// into 256 hash buckets, so that looking a name up costs one short chain walk
// instead of a scan. Names are Shift-JIS byte strings compared without regard
// to ASCII letter case; the base of the archive directory.
//
// Invariants, kept by every operation below:
// - every item is in exactly one chain, the one of NameHash(Name());
// - CachedIndex() is the item's position in the collection;
// - within a chain, the item created or renamed last comes first, so when
//   several items share a name, IndexOf finds the newest.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class THashCollection;

// Bucket of a name: (length * 16 + first byte + second-to-last byte) mod 256,
// over the name with ASCII letters folded to lower case (trail bytes of
// double-byte characters are left alone, as the comparison leaves them).
// Names of fewer than two bytes add no bytes. "install.dat" -> 122.
uint8_t NameHash(std::string_view name);

class THashCollectionItem {
 public:
  virtual ~THashCollectionItem() = default;
  THashCollectionItem(const THashCollectionItem&) = delete;
  THashCollectionItem& operator=(const THashCollectionItem&) = delete;

  const std::string& Name() const { return name_; }
  // A different name (exact byte comparison) moves the item to the head of its
  // new chain; the same name changes nothing.
  void SetName(std::string name);
  int32_t CachedIndex() const { return cached_index_; }
  int32_t BucketIndex() const { return bucket_index_; }
  // Moves the item to position index (clamped to the collection).
  void SetIndex(int32_t index);
  // Takes the name of source.
  virtual void Assign(const THashCollectionItem& source) { SetName(source.Name()); }
  // The name, or the kind of item when it has none.
  std::string DisplayName() const;

  THashCollection& Collection() const { return *collection_; }

 protected:
  THashCollectionItem() = default;

 private:
  friend class THashCollection;
  void HashInsert();
  void HashRemove();

  THashCollection* collection_ = nullptr;
  int32_t bucket_index_ = -1;
  int32_t cached_index_ = -1;
  std::string name_;
  THashCollectionItem* prev_in_bucket_ = nullptr;
  THashCollectionItem* next_in_bucket_ = nullptr;
};

class THashCollection {
 public:
  THashCollection() = default;
  virtual ~THashCollection();
  THashCollection(const THashCollection&) = delete;
  THashCollection& operator=(const THashCollection&) = delete;

  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  THashCollectionItem& Item(int32_t index) const { return *items_.at(static_cast<size_t>(index)); }
  // Appends a new item with an empty name (in bucket 0).
  THashCollectionItem& Add();
  // Destroys the item at index; the items after it move down by one.
  void Delete(int32_t index);
  // Destroys every item.
  void Clear();
  // Position of the newest item whose name equals name ignoring ASCII case, or -1.
  virtual int32_t IndexOf(std::string_view name) const;

 protected:
  // The kind of item this collection holds, created empty.
  virtual std::unique_ptr<THashCollectionItem> NewItem() const;
  // Reserves room for count more items (a hint).
  void Reserve(size_t count) { items_.reserve(items_.size() + count); }

 private:
  friend class THashCollectionItem;
  std::vector<std::unique_ptr<THashCollectionItem>> items_;
  std::array<THashCollectionItem*, 256> buckets_{};
};
