#pragma once
// The run-time's keyed collection: ordered, 1-based, text keys compared
// without regard to case; error 5 for a key it does not hold, 9 for an index
// out of range, 457 for a key already in use.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "automation/Error.h"
#include "automation/Runtime.h"

namespace Platform::Automation {

template <class T> class Collection {
    struct Entry {
        std::string key;
        T value;
    };
    // The index of the keys: open addressing over the entries' own keys,
    // compared without regard to case. Each slot keeps its key's hash, so a
    // probe of a large index rarely fetches a key from memory.
    class KeyIndex {
    public:
        Entry* find(std::string_view key) const {
            size_t at = locate(key, hashOf(key));
            return at == npos ? nullptr : slots_[at].entry;
        }
        // False when the key is taken.
        bool insert(Entry* entry) {
            if ((used_ + 1) * 2 > slots_.size())
                rehash(std::max<size_t>(16, std::bit_ceil(live_ * 4 + 4)));
            size_t hash = hashOf(entry->key);
            if (locate(entry->key, hash) != npos)
                return false;
            // The first slot without a live entry: a gap or the empty end of the run.
            size_t mask = slots_.size() - 1;
            size_t at = hash & mask;
            while (slots_[at].entry)
                at = (at + 1) & mask;
            if (!slots_[at].removed)
                ++used_;
            slots_[at] = Slot{hash, entry, false};
            ++live_;
            return true;
        }
        // The entry that had the key, or nullptr.
        Entry* erase(std::string_view key) {
            size_t at = locate(key, hashOf(key));
            if (at == npos)
                return nullptr;
            Entry* entry = slots_[at].entry;
            slots_[at] = Slot{0, nullptr, true};
            --live_;
            return entry;
        }
        void clear() {
            slots_.clear();
            used_ = live_ = 0;
        }

    private:
        struct Slot {
            size_t hash = 0;
            Entry* entry = nullptr;
            bool removed = false; // a gap that probes must pass over
        };
        static constexpr size_t npos = size_t(-1);

        static size_t hashOf(std::string_view key) {
            size_t hash = 1469598103934665603ull;
            for (char c : key)
                hash = (hash ^ static_cast<uint8_t>(lowerCaseChar(c))) * 1099511628211ull;
            return hash;
        }
        static bool sameKey(std::string_view a, std::string_view b) {
            return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                       return lowerCaseChar(x) == lowerCaseChar(y);
                   });
        }
        size_t locate(std::string_view key, size_t hash) const {
            if (slots_.empty())
                return npos;
            size_t mask = slots_.size() - 1;
            for (size_t at = hash & mask;; at = (at + 1) & mask) {
                const Slot& slot = slots_[at];
                if (!slot.entry && !slot.removed)
                    return npos;
                if (slot.entry && slot.hash == hash && sameKey(slot.entry->key, key))
                    return at;
            }
        }
        void rehash(size_t size) {
            std::vector<Slot> old = std::exchange(slots_, std::vector<Slot>(size));
            size_t mask = size - 1;
            for (const Slot& slot : old) {
                if (!slot.entry)
                    continue;
                size_t at = slot.hash & mask;
                while (slots_[at].entry)
                    at = (at + 1) & mask;
                slots_[at] = slot;
            }
            used_ = live_;
        }

        std::vector<Slot> slots_;
        size_t used_ = 0; // slots that are not empty: live entries and gaps
        size_t live_ = 0;
    };

public:
    int32_t Count() const { return static_cast<int32_t>(entries_.size()); }

    // Adds at the end, or before the item at the 1-based position `before`.
    void Add(T value, std::string_view key = {}, int32_t before = 0) {
        if (before != 0 && (before < 1 || before > Count()))
            raise(RuntimeError::SubscriptOutOfRange, source_);
        auto entry = std::make_unique<Entry>(Entry{std::string(key), std::move(value)});
        if (!key.empty() && !index_.insert(entry.get()))
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
        Entry* entry = index_.find(key);
        if (!entry)
            raise(RuntimeError::InvalidProcedureCall, source_);
        return entry->value;
    }
    const T& Item(std::string_view key) const { return const_cast<Collection*>(this)->Item(key); }
    T& Item(const char* key) { return Item(std::string_view(key)); }

    bool Exists(std::string_view key) const { return index_.find(key) != nullptr; }
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
        const Entry* entry = index_.erase(key);
        if (!entry)
            raise(RuntimeError::InvalidProcedureCall, source_);
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
            const Entry* entry = index_.erase(key);
            if (!entry) {
                missing = true;
                break;
            }
            removed.insert(entry);
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
    KeyIndex index_;
    std::string source_;
};

} // namespace Platform::Automation
