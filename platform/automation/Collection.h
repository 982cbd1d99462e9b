#pragma once
// The run-time's keyed collection: ordered, 1-based, text keys compared
// without regard to case; error 5 for a key it does not hold, 9 for an index
// out of range, 457 for a key already in use.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "automation/Error.h"
#include "automation/Runtime.h"

namespace Platform::Automation {

template <class T> class Collection {
    struct Entry {
        std::string key;
        T value;
    };

public:
    int32_t Count() const { return static_cast<int32_t>(entries_.size()); }

    // Adds at the end, or before the item at the 1-based position `before`.
    void Add(T value, std::string_view key = {}, int32_t before = 0) {
        if (before != 0 && (before < 1 || before > Count()))
            raise(RuntimeError::SubscriptOutOfRange, source_);
        std::string folded;
        if (!key.empty()) {
            folded = lowerCase(key);
            if (index_.count(folded))
                raise(RuntimeError::KeyAlreadyAssociated, source_);
        }
        auto entry = std::make_shared<Entry>(Entry{std::string(key), std::move(value)});
        if (before == 0)
            entries_.push_back(entry);
        else
            entries_.insert(entries_.begin() + (before - 1), entry);
        if (!key.empty())
            index_.emplace(std::move(folded), entry);
    }

    T& Item(int32_t index) {
        if (index < 1 || index > Count())
            raise(RuntimeError::SubscriptOutOfRange, source_);
        return entries_[index - 1]->value;
    }
    const T& Item(int32_t index) const { return const_cast<Collection*>(this)->Item(index); }
    T& Item(std::string_view key) {
        auto it = index_.find(lowerCase(key));
        if (it == index_.end())
            raise(RuntimeError::InvalidProcedureCall, source_);
        return it->second->value;
    }
    const T& Item(std::string_view key) const { return const_cast<Collection*>(this)->Item(key); }
    T& Item(const char* key) { return Item(std::string_view(key)); }

    bool Exists(std::string_view key) const { return index_.count(lowerCase(key)) != 0; }
    // The key an item was added with (empty when it had none).
    const std::string& KeyAt(int32_t index) const {
        if (index < 1 || index > Count())
            raise(RuntimeError::SubscriptOutOfRange, source_);
        return entries_[index - 1]->key;
    }

    void Remove(int32_t index) {
        if (index < 1 || index > Count())
            raise(RuntimeError::SubscriptOutOfRange, source_);
        auto entry = entries_[index - 1];
        if (!entry->key.empty())
            index_.erase(lowerCase(entry->key));
        entries_.erase(entries_.begin() + (index - 1));
    }
    void Remove(std::string_view key) {
        auto it = index_.find(lowerCase(key));
        if (it == index_.end())
            raise(RuntimeError::InvalidProcedureCall, source_);
        auto entry = it->second;
        index_.erase(it);
        entries_.erase(std::find(entries_.begin(), entries_.end(), entry));
    }
    void Remove(const char* key) { Remove(std::string_view(key)); }
    // Removes the items with these keys, as Remove of each key in turn would,
    // but in one pass over the items so that removing many stays linear; at
    // the first key it does not hold it stops with error 5, the earlier ones
    // removed.
    void RemoveKeys(const std::vector<std::string>& keys) {
        std::unordered_set<const Entry*> removed;
        bool missing = false;
        for (const auto& key : keys) {
            auto it = index_.find(lowerCase(key));
            if (it == index_.end()) {
                missing = true;
                break;
            }
            removed.insert(it->second.get());
            index_.erase(it);
        }
        std::erase_if(entries_, [&](const auto& entry) { return removed.count(entry.get()) != 0; });
        if (missing)
            raise(RuntimeError::InvalidProcedureCall, source_);
    }

    void Clear() {
        entries_.clear();
        index_.clear();
    }

    // Enumeration in collection order (NewEnum).
    class iterator {
    public:
        using Inner = typename std::vector<std::shared_ptr<Entry>>::const_iterator;
        explicit iterator(Inner it) : it_(it) {}
        T& operator*() const { return (*it_)->value; }
        iterator& operator++() {
            ++it_;
            return *this;
        }
        bool operator==(const iterator& other) const { return it_ == other.it_; }

    private:
        Inner it_;
    };
    iterator begin() const { return iterator(entries_.begin()); }
    iterator end() const { return iterator(entries_.end()); }

    // The source text of the run-time errors the collection raises.
    void setErrorSource(std::string source) { source_ = std::move(source); }

private:
    std::vector<std::shared_ptr<Entry>> entries_;
    std::unordered_map<std::string, std::shared_ptr<Entry>> index_;
    std::string source_;
};

} // namespace Platform::Automation
