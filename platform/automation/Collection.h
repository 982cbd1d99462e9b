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
    // Keys are looked up without regard to case and without copying them.
    // The hash is deliberately not noexcept: the standard library then keeps
    // each entry's hash, so probes and rehashes of a large index compare
    // hashes instead of fetching every key from memory.
    struct FoldedHash {
        size_t operator()(std::string_view key) const {
            size_t hash = 1469598103934665603ull;
            for (char c : key)
                hash = (hash ^ static_cast<uint8_t>(lowerCaseChar(c))) * 1099511628211ull;
            return hash;
        }
    };
    struct FoldedEqual {
        bool operator()(std::string_view a, std::string_view b) const noexcept {
            return a.size() == b.size() &&
                   std::equal(a.begin(), a.end(), b.begin(),
                              [](char x, char y) { return lowerCaseChar(x) == lowerCaseChar(y); });
        }
    };

public:
    int32_t Count() const { return static_cast<int32_t>(entries_.size()); }

    // Adds at the end, or before the item at the 1-based position `before`.
    void Add(T value, std::string_view key = {}, int32_t before = 0) {
        if (before != 0 && (before < 1 || before > Count()))
            raise(RuntimeError::SubscriptOutOfRange, source_);
        auto entry = std::make_unique<Entry>(Entry{std::string(key), std::move(value)});
        if (!key.empty() && !index_.try_emplace(entry->key, entry.get()).second)
            raise(RuntimeError::KeyAlreadyAssociated, source_);
        if (before == 0)
            entries_.push_back(std::move(entry));
        else
            entries_.insert(entries_.begin() + (before - 1), std::move(entry));
    }

    T& Item(int32_t index) {
        if (index < 1 || index > Count())
            raise(RuntimeError::SubscriptOutOfRange, source_);
        return entries_[index - 1]->value;
    }
    const T& Item(int32_t index) const { return const_cast<Collection*>(this)->Item(index); }
    T& Item(std::string_view key) {
        auto it = index_.find(key);
        if (it == index_.end())
            raise(RuntimeError::InvalidProcedureCall, source_);
        return it->second->value;
    }
    const T& Item(std::string_view key) const { return const_cast<Collection*>(this)->Item(key); }
    T& Item(const char* key) { return Item(std::string_view(key)); }

    bool Exists(std::string_view key) const { return index_.count(key) != 0; }
    // The key an item was added with (empty when it had none).
    const std::string& KeyAt(int32_t index) const {
        if (index < 1 || index > Count())
            raise(RuntimeError::SubscriptOutOfRange, source_);
        return entries_[index - 1]->key;
    }

    void Remove(int32_t index) {
        if (index < 1 || index > Count())
            raise(RuntimeError::SubscriptOutOfRange, source_);
        if (!entries_[index - 1]->key.empty())
            index_.erase(entries_[index - 1]->key);
        entries_.erase(entries_.begin() + (index - 1));
    }
    void Remove(std::string_view key) {
        auto it = index_.find(key);
        if (it == index_.end())
            raise(RuntimeError::InvalidProcedureCall, source_);
        const Entry* entry = it->second;
        index_.erase(it);
        entries_.erase(std::find_if(entries_.begin(), entries_.end(),
                                    [entry](const auto& e) { return e.get() == entry; }));
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
            auto it = index_.find(key);
            if (it == index_.end()) {
                missing = true;
                break;
            }
            removed.insert(it->second);
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
        using Inner = typename std::vector<std::unique_ptr<Entry>>::const_iterator;
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
    std::vector<std::unique_ptr<Entry>> entries_;
    // Views of the entries' own keys.
    std::unordered_map<std::string_view, Entry*, FoldedHash, FoldedEqual> index_;
    std::string source_;
};

} // namespace Platform::Automation
