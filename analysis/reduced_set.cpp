// The reduced score set: one pair for each distinct triple (R, D, S), written to "REDUC.ORD".
#include <bit>
#include <cstring>
#include <vector>

#include "analysis/analysis.h"

namespace analysis {

namespace {

constexpr int32_t reduced_unit = 2;
// A row is marked as a duplicate by this value in its R column; kept rows stay >= -10.
constexpr float duplicate_mark = -12.0f;
constexpr float kept_threshold = -10.0f;

uint32_t bits_of(float v) { return std::bit_cast<uint32_t>(v); }

// Triples are compared by their exact bit patterns. Scores are never NaN and never -0.0, so
// this is the same as comparing the stored reals for equality.
struct Triple {
    uint32_t r, d, s;
    bool operator==(const Triple&) const = default;
};

Triple triple_of(const RealMatrix& table, int32_t p) {
    return {bits_of(table.at(p, 1)), bits_of(table.at(p, 2)), bits_of(table.at(p, 3))};
}

uint64_t hash_of(const Triple& t) {
    uint64_t h = (static_cast<uint64_t>(t.r) << 32 | t.d) * 0x9E3779B97F4A7C15ull;
    h ^= (h >> 29) + t.s * 0xC2B2AE3D27D4EB4Full;
    h *= 0xBF58476D1CE4E5B9ull;
    return h ^ (h >> 31);
}

// Open-addressing set of the triples kept so far, each with its place among the kept rows (a
// place of 0 marks an empty slot, so places count from 1). Slots hold the triples themselves:
// a look-up never reaches back into the score table.
class KeptRows {
public:
    KeptRows() : slots_(1024) {}

    // Keeps the triple unless it is kept already; either way returns its place (from 0).
    std::size_t insert(const Triple& t) {
        if ((count_ + 1) * 2 > slots_.size()) grow();
        Slot& slot = slots_[slot_for(t)];
        if (slot.place == 0) slot = {t, static_cast<uint32_t>(++count_)};
        return slot.place - 1;
    }
    std::size_t size() const { return count_; }

private:
    struct Slot {
        Triple triple{};
        uint32_t place = 0;
    };

    std::size_t slot_for(const Triple& t) const {
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = hash_of(t) & mask;
        while (slots_[i].place != 0 && !(slots_[i].triple == t)) i = (i + 1) & mask;
        return i;
    }
    void grow() {
        std::vector<Slot> old(slots_.size() * 2);
        old.swap(slots_);
        for (const Slot& slot : old)
            if (slot.place != 0) slots_[slot_for(slot.triple)] = slot;
    }

    std::vector<Slot> slots_;
    std::size_t count_ = 0;
};

}  // namespace

int32_t mark_duplicates(RealMatrix& table, int32_t pair_count, std::vector<int64_t>* kept_pairs) {
    int32_t duplicates = 0;
    KeptRows kept;
    for (int32_t p = 1; p <= pair_count; ++p) {
        if (!(table.at(p, 1) >= kept_threshold)) continue;
        const std::size_t before = kept.size();
        const std::size_t place = kept.insert(triple_of(table, p));
        if (kept.size() == before) {
            table.at(p, 1) = duplicate_mark;
            ++duplicates;
        }
        if (kept_pairs != nullptr) {
            if (place == kept_pairs->size()) kept_pairs->push_back(0);
            ++(*kept_pairs)[place];
        }
    }
    return duplicates;
}

int32_t write_reduced_set(const MatrixData& m, RealMatrix& table, int32_t pair_count,
                          std::vector<DistinctPosition>* distinct) {
    std::vector<int64_t> kept_pairs;
    const int32_t duplicates = mark_duplicates(table, pair_count, distinct != nullptr ? &kept_pairs : nullptr);
    const int32_t positions = pair_count - duplicates;
    const int32_t three = 3;
    open_result_file(reduced_unit, "REDUC.ORD");
    write_record(reduced_unit, Layout::list, {fio::item(std::string_view(m.title, title_length))});
    write_record(reduced_unit, Layout::list, {fio::item(positions), fio::item(three)});
    for (int32_t p = 1; p <= pair_count; ++p) {
        if (!(table.at(p, 1) >= kept_threshold)) continue;
        write_record(reduced_unit, Layout::list,
                     {fio::item(table.at(p, 1)), fio::item(table.at(p, 2)), fio::item(table.at(p, 3))});
        if (distinct != nullptr)
            distinct->push_back({table.at(p, 1), table.at(p, 2), table.at(p, 3), kept_pairs[distinct->size()]});
    }
    write_record(console_unit, Layout::list,
                 {fio::item(pair_count), fio::item(" PAIRS TAKE "), fio::item(positions),
                  fio::item(" POSITIONS ")});
    write_console_text(" REDUCED SET OF SIMPLEX SCORES SAVED IN REDUC.ORD FOR NONHIER");
    close_unit(reduced_unit);
    return positions;
}

}  // namespace analysis
