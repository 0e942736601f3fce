#include "archive/hash.h"

#include <algorithm>

#include "base/sjis.h"

uint8_t NameHash(std::string_view name) {
  // Only the length and two bytes: constant time whatever the name's length.
  // The folding is the comparison's own (that of sjis::AsciiLower, which
  // leaves trail bytes alone), so that names IndexOf calls equal share a
  // chain. It is applied to the two bytes in place: lookups and the loading
  // of large directories hash every name, and a folded copy of each would
  // cost an allocation.
  const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32u : unsigned{c}; };
  unsigned h = static_cast<unsigned>(name.size()) * 16u;
  if (name.size() >= 2) {
    const size_t k = name.size() - 2;
    // Is byte k the trail byte of a double-byte character?
    bool trail = false;
    for (size_t i = 0; i <= k;) {
      const size_t n = sjis::CharLength(name, i);
      trail = n == 2 && i + 1 == k;
      i += n;
    }
    const unsigned char second_to_last = static_cast<unsigned char>(name[k]);
    h += lower(static_cast<unsigned char>(name[0])) + (trail ? second_to_last : lower(second_to_last));
  }
  return static_cast<uint8_t>(h & 0xFF);
}

// --- THashCollectionItem ---

void THashCollectionItem::SetName(std::string name) {
  if (name == name_) return;
  name_ = std::move(name);
  HashRemove();
  HashInsert();
}

void THashCollectionItem::HashInsert() {
  auto& buckets = collection_->buckets_;
  const uint8_t b = NameHash(name_);
  bucket_index_ = b;
  prev_in_bucket_ = nullptr;
  next_in_bucket_ = buckets[b];
  if (next_in_bucket_) next_in_bucket_->prev_in_bucket_ = this;
  buckets[b] = this;
}

void THashCollectionItem::HashRemove() {
  if (prev_in_bucket_) {
    prev_in_bucket_->next_in_bucket_ = next_in_bucket_;
    if (next_in_bucket_) next_in_bucket_->prev_in_bucket_ = prev_in_bucket_;
  } else if (bucket_index_ != -1) {
    collection_->buckets_[bucket_index_] = next_in_bucket_;
    if (next_in_bucket_) next_in_bucket_->prev_in_bucket_ = nullptr;
  }
  prev_in_bucket_ = next_in_bucket_ = nullptr;
  bucket_index_ = -1;
}

void THashCollectionItem::SetIndex(int32_t index) {
  auto& items = collection_->items_;
  index = std::clamp<int32_t>(index, 0, static_cast<int32_t>(items.size()) - 1);
  const int32_t from = cached_index_;
  if (index == from) return;
  if (index < from) {
    std::rotate(items.begin() + index, items.begin() + from, items.begin() + from + 1);
  } else {
    std::rotate(items.begin() + from, items.begin() + from + 1, items.begin() + index + 1);
  }
  for (int32_t i = std::min(from, index); i <= std::max(from, index); ++i) items[i]->cached_index_ = i;
}

std::string THashCollectionItem::DisplayName() const {
  return name_.empty() ? std::string("THashCollectionItem") : name_;
}

// --- THashCollection ---

THashCollection::~THashCollection() = default;

std::unique_ptr<THashCollectionItem> THashCollection::NewItem() const {
  struct PlainItem : THashCollectionItem {};
  return std::make_unique<PlainItem>();
}

THashCollectionItem& THashCollection::Add() {
  std::unique_ptr<THashCollectionItem> item = NewItem();
  item->collection_ = this;
  item->cached_index_ = Count();
  items_.push_back(std::move(item));
  THashCollectionItem& added = *items_.back();
  added.HashInsert();
  return added;
}

void THashCollection::Delete(int32_t index) {
  if (index < 0 || index >= Count()) return;
  for (int32_t i = index + 1; i < Count(); ++i) --items_[i]->cached_index_;
  items_[index]->HashRemove();
  items_.erase(items_.begin() + index);
}

void THashCollection::Clear() {
  items_.clear();
  buckets_.fill(nullptr);
}

int32_t THashCollection::IndexOf(std::string_view name) const {
  for (const THashCollectionItem* item = buckets_[NameHash(name)]; item; item = item->next_in_bucket_) {
    if (sjis::EqualsNoCase(item->name_, name)) return item->cached_index_;
  }
  return -1;
}
