#pragma once
// The run-time's keyed collection: ordered, 1-based, text keys compared
// without regard to case (or, where keys are file paths of a case-sensitive
// file system, exactly); error 5 for a key it does not hold, 9 for an index
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
    // compared as the collection compares them. Each slot keeps its key's
    // hash, so a probe of a large index rarely fetches a key from memory.
    class KeyIndex {
    public:
        explicit KeyIndex(CompareMethod compare) : ignoreCase_(compare == CompareMethod::Text) {}

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

        char folded(char c) const { return ignoreCase_ ? lowerCaseChar(c) : c; }
        size_t hashOf(std::string_view key) const {
            size_t hash = 1469598103934665603ull;
            for (char c : key)
                hash = (hash ^ static_cast<uint8_t>(folded(c))) * 1099511628211ull;
            return hash;
        }
        bool sameKey(std::string_view a, std::string_view b) const {
            return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [this](char x, char y) {
                       return folded(x) == folded(y);
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
        bool ignoreCase_;
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
        if (before == 0) {
            entries_.push_back(std::move(entry));
        } else {
            entries_.insert(entries_.begin() + (before - 1), std::move(entry));
            for (Cursor* cursor = cursors_; cursor; cursor = cursor->next)
                cursor->inserted(static_cast<size_t>(before - 1));
        }
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
        eraseAt(static_cast<size_t>(index - 1));
    }
    void Remove(std::string_view key) {
        const Entry* entry = index_.erase(key);
        if (!entry)
            raise(RuntimeError::InvalidProcedureCall, source_);
        eraseAt(static_cast<size_t>(std::find_if(entries_.begin(), entries_.end(),
                                                 [entry](const auto& e) { return e.get() == entry; }) -
                                    entries_.begin()));
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
        if (cursors_) {
            for (size_t at = entries_.size(); at-- > 0;)
                if (removed.count(entries_[at].get()))
                    for (Cursor* cursor = cursors_; cursor; cursor = cursor->next)
                        cursor->removed(at);
        }
        std::erase_if(entries_, [&](const auto& entry) { return removed.count(entry.get()) != 0; });
        if (missing)
            raise(RuntimeError::InvalidProcedureCall, source_);
    }

    void Clear() {
        entries_.clear();
        index_.clear();
        for (Cursor* cursor = cursors_; cursor; cursor = cursor->next)
            cursor->ended = true;
    }

private:
    // Where an enumeration stands. The collection keeps every live cursor in
    // a list and moves them along when items are added or removed, so a loop
    // may change the collection it walks, as the run-time's loops could:
    // removing the current or an earlier item goes on with the next item not
    // yet visited, Clear ends the loop, an added item never breaks it.
    struct Cursor {
        const Collection* owner = nullptr;
        Cursor* prev = nullptr;
        Cursor* next = nullptr;
        size_t at = 0;
        bool currentGone = false; // `at` already names the next item
        bool ended = false;

        void attach(const Collection* collection) {
            owner = collection;
            if (!owner)
                return;
            next = owner->cursors_;
            if (next)
                next->prev = this;
            owner->cursors_ = this;
        }
        void detach() {
            if (!owner)
                return;
            (prev ? prev->next : owner->cursors_) = next;
            if (next)
                next->prev = prev;
            owner = nullptr;
            prev = next = nullptr;
        }
        void inserted(size_t position) {
            if (position < at || (position == at && !currentGone))
                ++at;
        }
        void removed(size_t position) {
            if (position < at)
                --at;
            else if (position == at)
                currentGone = true;
        }
    };

    void eraseAt(size_t position) {
        for (Cursor* cursor = cursors_; cursor; cursor = cursor->next)
            cursor->removed(position);
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(position));
    }

public:
    // Enumeration in collection order (NewEnum).
    struct sentinel {};
    class iterator {
    public:
        explicit iterator(const Collection* owner) { cursor_.attach(owner); }
        iterator(const iterator& other) : iterator(other.cursor_.owner) { copyPlace(other); }
        iterator& operator=(const iterator& other) {
            if (this != &other) {
                cursor_.detach();
                cursor_.attach(other.cursor_.owner);
                copyPlace(other);
            }
            return *this;
        }
        ~iterator() { cursor_.detach(); }

        T& operator*() const { return cursor_.owner->entries_[cursor_.at]->value; }
        iterator& operator++() {
            if (!cursor_.currentGone)
                ++cursor_.at;
            cursor_.currentGone = false;
            return *this;
        }
        bool operator==(sentinel) const {
            return !cursor_.owner || cursor_.ended || cursor_.at >= cursor_.owner->entries_.size();
        }

    private:
        void copyPlace(const iterator& other) {
            cursor_.at = other.cursor_.at;
            cursor_.currentGone = other.cursor_.currentGone;
            cursor_.ended = other.cursor_.ended;
        }
        Cursor cursor_;
    };
    iterator begin() const { return iterator(this); }
    sentinel end() const { return {}; }

    // Keys compare as `keys` says: Text ignores case, as the run-time's
    // collection did; Binary compares the bytes.
    explicit Collection(CompareMethod keys = CompareMethod::Text) : index_(keys) {}
    Collection(const Collection&) = delete;
    Collection& operator=(const Collection&) = delete;
    ~Collection() {
        // A loop that outlives its collection ends.
        while (cursors_)
            cursors_->detach();
    }

    // The source text of the run-time errors the collection raises.
    void setErrorSource(std::string source) { source_ = std::move(source); }

private:
    std::vector<std::unique_ptr<Entry>> entries_;
    KeyIndex index_;
    std::string source_;
    mutable Cursor* cursors_ = nullptr;
};

} // namespace Platform::Automation
