// Function benchmarks: loading a clipboard text into the model, loading a
// history file, and the core text operations on Japanese corpora.
#include "model/editor_state.h"
#include "convert/kana_width.h"
#include "convert/reverse_count.h"
#include "diff/line_diff.h"
#include "lists/list_file.h"
#include "core/text_codec.h"
#include "regex/operations.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

namespace {

std::string corpus(std::size_t bytes) {
    static const char* words[] = {"日本語", "テキスト", "ｶﾀｶﾅ", "ひらがな", "kakikae", "clipboard", "漢字",
                                  "の",     "を",       "123",  " ",        "、",      "。"};
    std::mt19937 rng(7);
    std::string s;
    s.reserve(bytes + 64);
    while (s.size() < bytes) {
        s += words[rng() % std::size(words)];
        if (rng() % 12 == 0) s += "\n";
    }
    return s;
}

void BM_ClipboardIntoModel(benchmark::State& st) {
    const std::string clip = corpus(static_cast<std::size_t>(st.range(0)));
    for (auto _ : st) benchmark::DoNotOptimize(kk::decodeBytes(clip));
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations()) * st.range(0));
}
BENCHMARK(BM_ClipboardIntoModel)->Arg(20 << 20)->Unit(benchmark::kMillisecond);

void BM_LoadHistoryFile(benchmark::State& st) {
    std::string file;
    for (int i = 0; i < st.range(0); ++i) file += "s/パターン" + std::to_string(i) + "/置換/gk\r\n";
    for (auto _ : st) benchmark::DoNotOptimize(kk::lists::newestFirst(kk::lists::parseListFile(file)));
}
BENCHMARK(BM_LoadHistoryFile)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_Replace(benchmark::State& st) {
    const std::string text = corpus(20 << 20);
    for (auto _ : st) benchmark::DoNotOptimize(kk::regex::xRep("s/テキスト/TEXT/g", text));
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_Replace)->Unit(benchmark::kMillisecond);

void BM_HankakuToZenkaku(benchmark::State& st) {
    const std::string text = corpus(20 << 20);
    for (auto _ : st) benchmark::DoNotOptimize(kk::convert::hankakuToZenkaku2(text));
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_HankakuToZenkaku)->Unit(benchmark::kMillisecond);

}  // namespace

// The change spans after a run, against the run's own time: a few edits
// (uniq-like), and a text fully reordered (sort), which the bound keeps from
// aligning line by line.
void BM_LineChanges(benchmark::State& st) {
    const std::string before = corpus(20 << 20);
    std::vector<std::string_view> lines;
    for (std::size_t p = 0; p < before.size();) {
        std::size_t lf = before.find('\n', p);
        lf = lf == std::string::npos ? before.size() : lf + 1;
        lines.emplace_back(before.data() + p, lf - p);
        p = lf;
    }
    std::string after;
    if (st.range(0) == 0) {
        for (std::size_t k = 0; k < lines.size(); ++k)
            if (k % 1000 != 0) after.append(lines[k]);  // a line in a thousand dropped
    } else {
        std::sort(lines.begin(), lines.end());
        for (auto l : lines) after.append(l);
    }
    for (auto _ : st) benchmark::DoNotOptimize(kk::diff::lineChanges(before, after));
}
BENCHMARK(BM_LineChanges)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
