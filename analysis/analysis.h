// The analysis program: the dialogue, the data matrix, the pair decomposition and its files.
#pragma once

#include <bit>
#include <cstdint>
#include <string_view>
#include <vector>

#include "analysis/run_observer.h"
#include "libf/array_descriptor.h"
#include "libf/fio/io_calls.h"

namespace analysis {

// The program's main routine. Ends through STOP; never returns.
[[noreturn]] void run_analysis();

// ---------------------------------------------------------------------------------------------
// Statements, issued as compiled code issues them (statements.cpp)

// How a record is laid out: by one of the two stored FORMAT statements of the program, or
// list-directed.
enum class Layout { list, title, scores };

constexpr fio::Unit console_unit = fio::STAR;

// The control list of a record of this layout on this unit.
fio::Control record_control(fio::Unit unit, Layout layout);
// WRITE in one call carrying both flags.
void write_record(fio::Unit unit, Layout layout, fio::ItemList items = {});
// READ: a begin call with the items, then a call with only the end flag.
void read_record(fio::Unit unit, Layout layout, fio::ItemList items);
// READ of one row of a rank-2 array: the dimension fixed_dimension (0 or 1) held at index
// fixed_index, every element of the other dimension in order.
void read_array_row(fio::Unit unit, const libf::ArrayDescriptor& array, int fixed_dimension,
                    int32_t fixed_index);

// WRITE(*,*) of one text.
void write_console_text(const char* text);
// OPEN(UNIT=unit, FILE=name) with nothing else.
void open_result_file(int32_t unit, const char* name);
void close_unit(int32_t unit);
// STOP with the one-blank stop code; a failed run ends the process with status 1.
constexpr int32_t run_failed = 1;
[[noreturn]] void stop_run(int32_t status = 0);

// A rank-2 allocatable array of 4-byte reals with its storage obtained through ALLOCATE.
struct RealMatrix {
    libf::ArrayDescriptor descriptor{};
    int32_t extent1() const { return descriptor.dimensions[0].extent; }
    float& at(int32_t i, int32_t j) const {  // 1-based, column-major
        float* base = reinterpret_cast<float*>(descriptor.base);
        return base[static_cast<int64_t>(i - 1) + static_cast<int64_t>(j - 1) * extent1()];
    }
};

// ALLOCATE(matrix(max(rows, 0), max(columns, 0))).
void allocate_matrix(RealMatrix& matrix, int32_t rows, int32_t columns);
// Whether such a matrix stays within the storage one ALLOCATE grants.
bool matrix_fits(int32_t rows, int32_t columns);

// Ends the run with the run-time error report of an error raised outside any I/O statement.
[[noreturn]] void report_outside_statement(int32_t number);

// ---------------------------------------------------------------------------------------------
// The run's data

constexpr int32_t title_length = 100;

// A count kept in a 4-byte real grown by 1.0 stops at 2^24, where adding 1.0 rounds back; an
// integer count gives the same value through this.
constexpr uint64_t float_counter_limit = 16777216;
inline float counter_value(uint64_t count) {
    return static_cast<float>(count < float_counter_limit ? count : float_counter_limit);
}

// Presence of every descriptor in every object, one bit each: row `object` of `words` 64-bit words.
struct PresenceBits {
    int32_t words_per_object = 0;
    std::vector<uint64_t> bits;
    uint64_t* object(int32_t j) { return bits.data() + static_cast<int64_t>(j - 1) * words_per_object; }
    const uint64_t* object(int32_t j) const {
        return bits.data() + static_cast<int64_t>(j - 1) * words_per_object;
    }
};

// Marks a descriptor, counted from 0, present in an object's row of presence bits.
inline void set_bit(uint64_t* words, int32_t index) { words[index / 64] |= uint64_t{1} << (index % 64); }

// Descriptors present in both of two objects' rows of presence bits.
inline uint64_t shared_count(const uint64_t* p, const uint64_t* q, int32_t words) {
    uint64_t n = 0;
    for (int32_t w = 0; w < words; ++w) n += static_cast<uint64_t>(std::popcount(p[w] & q[w]));
    return n;
}

struct MatrixData {
    char title[title_length];
    RealMatrix data_matrix;  // dataMatrix(1:nVariables, 1:nObjects)
    int32_t n_variables = 0;
    int32_t n_objects = 0;
    uint64_t present_count = 0;
    int64_t cell_count = 0;
    PresenceBits presence;
};

// Sums over all pairs in double precision: a 4-byte sum past 2^24 no longer grows by a
// fraction, and the means of large tables would drift far from the truth.
struct PairSums {
    double sum_s = 0.0;
    double sum_r = 0.0;
    double sum_d = 0.0;
    double sum_d_no_shared = 0.0;
    double sum_richness_identity = 0.0;
};

// The mean percentages over all pairs, as the console table prints them and the summary record
// of "resu.ord" holds them.
struct Percentages {
    float similarity;
    float replacement;
    float difference;
    float beta;       // R+D
    float agreement;  // S+R
    float anti;       // D of the pairs that share nothing
    float nested;     // S+D-anti
    float identity;   // S+D of the richness-identity pairs
    float rident;     // S+D-anti-rident
};
Percentages percentages_of(const PairSums& sums, float pair_total);

// The nine percentages in table order: the console label (30 characters) and the key of
// "summary.csv" of each.
struct PercentageLine {
    const char* label;
    const char* key;
    float Percentages::*value;
};
constexpr PercentageLine percentage_lines[] = {
    {" S   SIMILARITY               ", "S", &Percentages::similarity},
    {" R   SPECIES REPLACEMENT      ", "R", &Percentages::replacement},
    {" D   RICHNESS DIFFERENCE      ", "D", &Percentages::difference},
    {" R+D BETA DIVERSITY           ", "R+D", &Percentages::beta},
    {" S+R RICHNESS AGREEMENT       ", "S+R", &Percentages::agreement},
    {" ANTI-NESTEDNESS FRACTION     ", "anti_nestedness", &Percentages::anti},
    {" S+D-ANTI NESTEDNESS          ", "S+D-anti", &Percentages::nested},
    {" RICHNESS IDENTITY FRACTION   ", "richness_identity", &Percentages::identity},
    {" S+D-ANTI-RIDENT NESTEDNESS   ", "S+D-anti-rident", &Percentages::rident},
};
// The console table leaves an empty record after this many lines.
constexpr int percentage_first_group = 3;

// One pair's fractions.
struct Scores {
    float r;
    float d;
    float s;
};

// ---------------------------------------------------------------------------------------------
// Phases of the run

// What the data check saw while the matrix was read: places where the file is likely read
// otherwise than its author meant. Nothing here changes a value read.
struct Finding {
    int32_t line;   // line of the file
    int32_t row;    // row of the matrix; 0 for the dimensions line
    int64_t count;  // values concerned (not-numbers only)
};
struct FindingList {
    std::vector<Finding> shown;  // the first few
    int64_t more_lines = 0;      // beyond those shown
    int64_t more_count = 0;
    void add(const Finding& finding);
};
struct DataCheck {
    FindingList skipped;      // text after the dimensions or after a row's last value
    FindingList not_numbers;  // values read as NaN or infinity, or a lone sign read as zero
    FindingList after_rows;   // non-blank lines after the last row
};

// Allocates dataMatrix for n_rows lines of n_cols values, oriented so that its columns are the
// objects, and empty presence bits; sets the counts. Both readers start the matrix so.
void shape_matrix(int32_t orientation, int32_t n_rows, int32_t n_cols, MatrixData& m);
// Reads the title, the dimensions and the matrix from unit 1, checking the data as it goes,
// and closes it. A file in UTF-16 or UTF-32 is refused and ends the run.
void read_matrix(int32_t orientation, MatrixData& m, DataCheck& check);
// The title as kept: a leading UTF-8 byte-order mark dropped, cut to title_length bytes
// without splitting a UTF-8 character, padded with blanks.
void keep_title(std::string_view record, char (&title)[title_length]);
// Warnings on the console, after the matrix fill; none for a well-formed file.
void write_data_warnings(const DataCheck& check);
// Ends a failed run when the matrix has fewer than two objects or an empty object, with the
// lines the console shows for them. Runs before any result file is opened.
void check_objects(const MatrixData& m);
// Fill percentage of the matrix, as stored.
float matrix_fill(const MatrixData& m);

// The number of present descriptors of every object, in object order.
std::vector<uint64_t> richness_of_objects(const MatrixData& m);

// Number of pairs of n objects, or -1 when it does not fit in a signed 32-bit integer.
int32_t pair_count_of(int32_t n_objects);

// Decomposes every pair, writing the pair records. Every object holds a present descriptor.
void decompose_pairs(const MatrixData& m, RealMatrix& score_table, PairSums& sums);
// Adds one pair (a shared, b and c unshared descriptors, its fractions) to the sums, in pair order.
void add_to_sums(float a, float b, float c, const Scores& f, PairSums& sums);
void write_percentage_table(const Percentages& p);

// Score file records.
void open_score_files(const MatrixData& m, int32_t pair_count);
void write_pair_scores(const Scores& scores);
void write_pair_position(const Scores& scores);
void finish_score_files(const Percentages& p, float fill);

// Triangle coordinates of a score triple.
struct Position {
    float x;
    float y;
};
Position triangle_position(const Scores& scores);

// Marks duplicate rows of scoreTable (first occurrence wins); returns their number. With
// `kept_pairs`, also counts the pairs of every kept row, in the order of the kept rows.
int32_t mark_duplicates(RealMatrix& score_table, int32_t pair_count, std::vector<int64_t>* kept_pairs = nullptr);
// Writes "REDUC.ORD" and returns the number of distinct triples; with `positions`, also gathers
// the triples and their pair counts.
int32_t write_reduced_set(const MatrixData& m, RealMatrix& score_table, int32_t pair_count,
                       std::vector<DistinctPosition>* positions = nullptr);

}  // namespace analysis
