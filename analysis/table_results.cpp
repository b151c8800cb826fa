// "pairs.csv" and "summary.csv": the results of a table run with the table's names, for
// spreadsheets and R. Written through the run-time as blocks of text with their own LF line
// ends, since its records end in CR LF.
#include "analysis/table_results.h"

#include <csv.h>

#include <bit>
#include <charconv>
#include <cmath>

#include "libf/fio/io_calls.h"

namespace analysis {

namespace {

constexpr int32_t table_unit = 3;
constexpr std::size_t block_size = 1 << 20;

// "(a,$)": the text as it is, no record terminator.
void write_block(const std::string& text) {
    if (!text.empty()) fio::write_formatted(table_unit, fio::Format("(a,$)"), {fio::item(std::string_view(text))});
}

// Collects lines and hands them to the run-time a block at a time.
struct TextFile {
    std::string text;
    explicit TextFile(const char* name) {
        open_result_file(table_unit, name);
        text.reserve(block_size + 4096);
    }
    void line(std::string_view content) {
        text += content;
        text += '\n';
        if (text.size() >= block_size) {
            write_block(text);
            text.clear();
        }
    }
    void close() {
        write_block(text);
        close_unit(table_unit);
    }
};

template <class Integer>
void append_integer(std::string& out, Integer value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

// shortest_text, appended to `out`: the pair table writes millions of them.
void append_shortest(std::string& out, float value) {
    if (std::isnan(value)) {
        out += "NaN";
    } else if (std::isinf(value)) {
        out += value > 0 ? "Inf" : "-Inf";
    } else {
        char digits[32];
        out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
    }
}

}  // namespace

std::string csv_cell(std::string_view text) {
    const bool plain = text.find_first_of(",\"\r\n") == std::string_view::npos &&
                       (text.empty() || (text.front() != ' ' && text.back() != ' '));
    if (plain) return std::string(text);
    std::string quoted(csv_write(nullptr, 0, text.data(), text.size()), '\0');
    csv_write(quoted.data(), quoted.size(), text.data(), text.size());
    return quoted;
}

std::string shortest_text(float value) {
    std::string text;
    append_shortest(text, value);
    return text;
}

void write_pair_table(const MatrixData& m, const RealMatrix& score_table, const std::vector<std::string>& object_names) {
    std::vector<std::string> names;
    for (const std::string& name : object_names) names.push_back(csv_cell(name));
    const std::vector<uint64_t> richness = richness_of_objects(m);
    const int32_t words = m.presence.words_per_object;

    TextFile file("pairs.csv");
    file.line("object_1,object_2,shared,only_1,only_2,S,R,D,x,y");
    std::string line;
    int32_t p = 0;
    for (int32_t j = 1; j < m.n_objects; ++j) {
        for (int32_t k = j + 1; k <= m.n_objects; ++k) {
            ++p;
            const uint64_t shared = shared_count(m.presence.object(j), m.presence.object(k), words);
            const Scores f{.r = score_table.at(p, 1), .d = score_table.at(p, 2), .s = score_table.at(p, 3)};
            const Position at = triangle_position(f);
            line.assign(names[j - 1]);
            line += ',';
            line += names[k - 1];
            line += ',';
            for (uint64_t count : {shared, richness[j - 1] - shared, richness[k - 1] - shared}) {
                append_integer(line, count);
                line += ',';
            }
            for (float value : {f.s, f.r, f.d, at.x}) {
                append_shortest(line, value);
                line += ',';
            }
            append_shortest(line, at.y);
            file.line(line);
        }
    }
    file.close();
}

void write_summary_table(const RunSummary& s) {
    TextFile file("summary.csv");
    file.line("measure,value");
    auto count = [&file](const char* key, int64_t value) { file.line(std::string(key) + ',' + std::to_string(value)); };
    auto real = [&file](const char* key, float value) { file.line(std::string(key) + ',' + shortest_text(value)); };
    file.line("input," + csv_cell(s.input));
    count("orientation", s.orientation != 0 ? 1 : 0);
    count("objects", s.objects);
    count("descriptors", s.descriptors);
    count("pairs", s.pairs);
    count("positions", s.positions);
    real("matrix_fill", s.fill);
    for (const PercentageLine& line : percentage_lines) real(line.key, s.percentages.*line.value);
    file.close();
}

}  // namespace analysis
