#include "OnceMap.h"

#include "FileIo.h"

#include <algorithm>
#include <stdexcept>

namespace {

// Own bytes no slot uses any more are given back once they are this many and half of own_.
constexpr std::size_t CompactAfter = 64 * 1024;

bool Within(std::string_view piece, const std::string *text) {
    if (!text || piece.empty())
        return false;
    const auto begin = reinterpret_cast<std::uintptr_t>(text->data());
    const auto at = reinterpret_cast<std::uintptr_t>(piece.data());
    return at >= begin && at + piece.size() <= begin + text->size();
}

std::uint32_t Narrow(std::size_t value) {
    if (value > 0x7FFFFFFFu)
        throw std::length_error("one-time events over 2 GiB");
    return static_cast<std::uint32_t>(value);
}

} // namespace

std::string_view TOnceMap::View(const Piece &piece) const {
    if (piece.Length == 0)
        return {};
    const std::string &text = piece.Own ? *own_ : *file_;
    return std::string_view(text).substr(piece.Offset, piece.Length);
}

std::size_t TOnceMap::LowerBound(std::string_view key) const {
    const auto found = std::lower_bound(slots_.begin(), slots_.end(), key,
                                        [this](const Slot &slot, std::string_view wanted) {
                                            return Key(slot) < wanted;
                                        });
    return static_cast<std::size_t>(found - slots_.begin());
}

TOnceMap::const_iterator TOnceMap::find(std::string_view key) const {
    const std::size_t index = LowerBound(key);
    if (index < slots_.size() && Key(slots_[index]) == key)
        return {this, index};
    return end();
}

std::string_view TOnceMap::at(std::string_view key) const {
    const auto found = find(key);
    if (found == end())
        throw std::out_of_range("no one-time event on " + std::string(key));
    return (*found).second;
}

std::string &TOnceMap::Own() {
    if (!own_)
        own_ = std::make_shared<std::string>();
    else if (own_.use_count() > 1)
        own_ = std::make_shared<std::string>(*own_);
    return *own_;
}

void TOnceMap::Place(Piece &piece, std::string_view text) {
    if (text.empty() || Within(text, file_.get())) {
        piece.Offset =
            text.empty() ? 0 : Narrow(static_cast<std::size_t>(text.data() - file_->data()));
        piece.Length = Narrow(text.size());
        piece.Own = 0;
        return;
    }
    std::string &own = Own();
    piece.Offset = Narrow(own.size());
    piece.Length = Narrow(text.size());
    piece.Own = 1;
    own.append(text);
    Narrow(own.size());
}

void TOnceMap::Forget(const Slot &slot) {
    for (const Piece *piece : {&slot.Key, &slot.Text})
        if (piece->Own)
            unusedOwn_ += piece->Length;
}

void TOnceMap::CompactOwn() {
    if (!own_ || unusedOwn_ < CompactAfter || unusedOwn_ * 2 < own_->size())
        return;
    auto fresh = std::make_shared<std::string>();
    fresh->reserve(own_->size() - unusedOwn_);
    for (Slot &slot : slots_)
        for (Piece *piece : {&slot.Key, &slot.Text})
            if (piece->Own) {
                const std::string_view text = View(*piece);
                piece->Offset = static_cast<std::uint32_t>(fresh->size());
                fresh->append(text);
            }
    own_ = std::move(fresh);
    unusedOwn_ = 0;
}

bool TOnceMap::insert_or_assign(std::string_view key, std::string_view text) {
    // A key or text taken from this map's own text would move when that text grows.
    std::string keyCopy, textCopy;
    if (Within(key, own_.get()))
        key = keyCopy = key;
    if (Within(text, own_.get()))
        text = textCopy = text;
    const std::size_t index = LowerBound(key);
    if (index < slots_.size() && Key(slots_[index]) == key) {
        Piece &old = slots_[index].Text;
        if (old.Own)
            unusedOwn_ += old.Length;
        Place(old, text);
        CompactOwn();
        return false;
    }
    Slot slot;
    Place(slot.Key, key);
    Place(slot.Text, text);
    slots_.insert(slots_.begin() + static_cast<std::ptrdiff_t>(index), slot);
    return true;
}

bool TOnceMap::try_emplace(std::string_view key, std::string_view text) {
    if (contains(key))
        return false;
    return insert_or_assign(key, text);
}

TOnceMap::size_type TOnceMap::erase(std::string_view key) {
    const std::size_t index = LowerBound(key);
    if (index >= slots_.size() || Key(slots_[index]) != key)
        return 0;
    Forget(slots_[index]);
    slots_.erase(slots_.begin() + static_cast<std::ptrdiff_t>(index));
    CompactOwn();
    return 1;
}

void TOnceMap::clear() {
    slots_.clear();
    file_.reset();
    own_.reset();
    unusedOwn_ = 0;
}

void TOnceMap::erase_if(const std::function<bool(std::string_view key)> &drop) {
    std::erase_if(slots_, [&](const Slot &slot) {
        if (!drop(Key(slot)))
            return false;
        Forget(slot);
        return true;
    });
    CompactOwn();
}

bool TOnceMap::operator==(const TOnceMap &other) const {
    return std::equal(begin(), end(), other.begin(), other.end());
}

void TOnceMap::StartLoad(std::shared_ptr<const std::string> file, std::size_t expectedEntries) {
    clear();
    file_ = std::move(file);
    slots_.reserve(expectedEntries);
    PrefaultForWriting(slots_.data(), slots_.capacity() * sizeof(Slot));
    loadSorted_ = true;
}

void TOnceMap::LoadEntry(std::string_view key, std::string_view text) {
    // Pieces of the file, or texts decoded into a string of the caller's: never of own_.
    Slot slot;
    Place(slot.Key, key);
    Place(slot.Text, text);
    if (loadSorted_ && !slots_.empty() && !(Key(slots_.back()) < Key(slot)))
        loadSorted_ = false;
    slots_.push_back(slot);
}

void TOnceMap::FinishLoad() {
    if (!loadSorted_) {
        std::stable_sort(slots_.begin(), slots_.end(), [this](const Slot &a, const Slot &b) {
            return Key(a) < Key(b);
        });
        const auto last = std::unique(slots_.begin(), slots_.end(), [this](const Slot &a,
                                                                          const Slot &b) {
            return Key(a) == Key(b);
        });
        std::for_each(last, slots_.end(), [this](const Slot &slot) { Forget(slot); });
        slots_.erase(last, slots_.end());
        loadSorted_ = true;
    }
    std::erase_if(slots_, [this](const Slot &slot) {
        if (slot.Text.Length != 0)
            return false;
        Forget(slot);
        return true;
    });
    if (slots_.capacity() > slots_.size() + slots_.size() / 4)
        slots_.shrink_to_fit();
    CompactOwn();
}
