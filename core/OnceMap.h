#pragma once
// The one-time events of a store: "M/D/YYYY" keys in the order of their text, each with its
// text. A map in its interface, compact underneath: one sorted array of 16-byte slots whose
// keys and texts are pieces of the events file's text as it was read (shared by copies, never
// copied) or of a text of the map's own for what was set since (copied on the first write
// after a copy). A large calendar costs about its file's size plus 16 bytes an event, and
// reading one is a single pass without an allocation per event.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TOnceMap {
    struct Slot;

public:
    using key_type = std::string;
    using mapped_type = std::string;
    using value_type = std::pair<std::string_view, std::string_view>;
    using size_type = std::size_t;

    // Walks the entries in key order; *it is the pair (key, text) by value, valid until the
    // map changes.
    class const_iterator {
    public:
        using iterator_category = std::bidirectional_iterator_tag;
        using value_type = TOnceMap::value_type;
        using difference_type = std::ptrdiff_t;
        using reference = value_type;
        struct pointer {
            value_type Pair;
            const value_type *operator->() const { return &Pair; }
        };

        const_iterator() = default;
        value_type operator*() const { return map_->Entry(index_); }
        pointer operator->() const { return {map_->Entry(index_)}; }
        const_iterator &operator++() { return ++index_, *this; }
        const_iterator operator++(int) { const auto was = *this; return ++index_, was; }
        const_iterator &operator--() { return --index_, *this; }
        const_iterator operator--(int) { const auto was = *this; return --index_, was; }
        bool operator==(const const_iterator &other) const { return index_ == other.index_; }

    private:
        friend class TOnceMap;
        const_iterator(const TOnceMap *map, std::size_t index) : map_(map), index_(index) {}
        const TOnceMap *map_ = nullptr;
        std::size_t index_ = 0;
    };
    using iterator = const_iterator;

    size_type size() const { return slots_.size(); }
    bool empty() const { return slots_.empty(); }
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, slots_.size()}; }

    const_iterator find(std::string_view key) const;
    size_type count(std::string_view key) const { return find(key) == end() ? 0 : 1; }
    bool contains(std::string_view key) const { return count(key) != 0; }
    // The text of key; throws std::out_of_range when there is none.
    std::string_view at(std::string_view key) const;

    // Sets the text of key, adding the key where it is missing; true when it was added.
    bool insert_or_assign(std::string_view key, std::string_view text);
    // Adds key with text unless the key is there already; true when it was added.
    bool try_emplace(std::string_view key, std::string_view text);
    size_type erase(std::string_view key);
    void clear();
    // Removes every entry for which drop(key) is true.
    void erase_if(const std::function<bool(std::string_view key)> &drop);

    // The same keys with the same texts.
    bool operator==(const TOnceMap &other) const;

    // Reading a file: StartLoad empties the map and takes the file's text; each LoadEntry
    // then adds a key and a text in file order, either pieces of that text (kept as they
    // are) or any other text (copied). Of equal keys the first is kept, even when its text is
    // empty; FinishLoad then drops the keys without text. A file this program wrote is in key
    // order, and then nothing is sorted.
    void StartLoad(std::shared_ptr<const std::string> file, std::size_t expectedEntries);
    void LoadEntry(std::string_view key, std::string_view text);
    void FinishLoad();

private:
    // Where a key or a text is: an offset into the file's text, or into own_ when Own is set.
    struct Piece {
        std::uint32_t Offset = 0;
        std::uint32_t Length : 31 = 0;
        std::uint32_t Own : 1 = 0;
    };
    struct Slot {
        Piece Key, Text;
    };

    value_type Entry(std::size_t index) const {
        return {View(slots_[index].Key), View(slots_[index].Text)};
    }
    std::string_view View(const Piece &piece) const;
    std::string_view Key(const Slot &slot) const { return View(slot.Key); }
    std::size_t LowerBound(std::string_view key) const;
    // Points piece at text: a piece of the file's text is referred to, anything else copied to
    // the end of own_ (text must not be a piece of own_, which may move).
    void Place(Piece &piece, std::string_view text);
    void Forget(const Slot &slot); // counts the slot's own bytes as unused
    std::string &Own();            // own_, unshared first
    void CompactOwn();

    std::shared_ptr<const std::string> file_;
    std::shared_ptr<std::string> own_;
    std::size_t unusedOwn_ = 0; // bytes of own_ no slot refers to any more
    std::vector<Slot> slots_;
    bool loadSorted_ = true;
};
