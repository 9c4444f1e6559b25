// The spelling engine's block walk over a large English text against the hunspell command
// (hunspell -l) on the same text and dictionary in the same run, in words per second, and the
// engine's suggestion time per misspelled word.
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <tessaly/spelling_engine.h>

#include "platform/module.h"
#include "platform/prefix.h"
#include "tool_run.h"

namespace {

// Sentences are drawn from these words by a fixed generator; every 40th word is misspelled by
// swapping two neighbouring letters.
const char* const kWords[] = {
    "the",         "of",          "and",        "to",           "in",         "a",
    "is",          "that",        "for",        "it",           "as",         "was",
    "with",        "be",          "by",         "on",           "not",        "he",
    "this",        "are",         "or",         "his",          "from",       "at",
    "which",       "but",         "have",       "an",           "had",        "they",
    "you",         "were",        "their",      "one",          "all",        "we",
    "can",         "her",         "has",        "there",        "been",       "if",
    "more",        "when",        "will",       "would",        "who",        "so",
    "no",          "river",       "mountain",   "village",      "morning",    "evening",
    "garden",      "window",      "letter",     "question",     "answer",     "journey",
    "country",     "history",     "children",   "together",     "remember",   "beautiful",
    "important",   "different",   "probably",   "government",   "himself",    "however",
    "against",     "between",     "something",  "nothing",      "thought",    "through",
    "although",    "knowledge",   "character",  "understand",   "believe",    "certainly",
    "carriage",    "daughter",    "neighbour",  "kitchen",      "library",    "merchant",
    "harbour",     "summer",      "winter",     "quietly",      "suddenly",   "gentleman",
    "silence",     "distance",    "friendship", "conversation", "particular", "especially",
    "immediately", "interesting",
};
constexpr size_t kWordCount = sizeof kWords / sizeof *kWords;
constexpr int kTextWords = 120000;

struct Text {
    std::string path;  // the text file hunspell reads
    std::string empty; // an empty file: what hunspell spends loading the dictionary
    std::string bytes;
    std::vector<std::string> misspelled;
};

const Text& text() {
    static const Text* t = [] {
        auto* t = new Text;
        char folder[] = "/tmp/tessaly-spell-XXXXXX";
        if (!mkdtemp(folder)) std::perror("mkdtemp");
        setenv("TESSALY_PREFIX", (std::string(folder) + "/prefix").c_str(), 1);
        tessaly::platform::EnsurePrefix();
        unsigned state = 12345;
        auto next = [&state] { return state = state * 1103515245u + 12345u, state >> 8; };
        bool sentenceStart = true;
        for (int i = 0; i < kTextWords; ++i) {
            std::string word = kWords[next() % kWordCount];
            if (i % 40 == 39 && word.size() > 3) {
                std::swap(word[1], word[2]);
                t->misspelled.push_back(word);
            }
            if (sentenceStart) word[0] = static_cast<char>(word[0] - 'a' + 'A');
            sentenceStart = next() % 12 == 0;
            t->bytes += word;
            t->bytes += sentenceStart ? ". " : (next() % 9 == 0 ? ", " : " ");
            if (next() % 15 == 0) t->bytes += "\n";
        }
        t->path = std::string(folder) + "/text.txt";
        t->empty = std::string(folder) + "/empty.txt";
        std::ofstream(t->path) << t->bytes;
        std::ofstream(t->empty) << "";
        return t;
    }();
    return *t;
}

template <typename F> F entry(const char* name) {
    static HMODULE module = tessaly::platform::LoadLibraryA("SSCE5232.dll");
    return reinterpret_cast<F>(tessaly::platform::GetProcAddress(module, name));
}
#define ENGINE(name) entry<decltype(&::name)>(#name)

// The whole text through the block walk: every reported word passed over.
void BM_EngineBlockWalk(benchmark::State& state) {
    const Text& t = text();
    const SSCE_S16 sid = ENGINE(SSCE_GetSid)();
    std::vector<char> buffer(t.bytes.size() + 1);
    long reported = 0;
    for (auto _ : state) {
        std::memcpy(buffer.data(), t.bytes.c_str(), buffer.size());
        const SSCE_S16 block =
            ENGINE(SSCE_OpenBlock)(sid, buffer.data(), static_cast<SSCE_S32>(t.bytes.size()),
                                   static_cast<SSCE_S32>(buffer.size()), 0);
        if (block < 0) {
            state.SkipWithError("the engine has no dictionary");
            return;
        }
        reported = 0;
        char word[64], other[64];
        while (ENGINE(SSCE_CheckBlock)(sid, block, word, 64, other, 64) != SSCE_END_OF_BLOCK_RSLT) {
            ++reported;
            ENGINE(SSCE_NextBlockWord)(sid, block);
        }
        ENGINE(SSCE_CloseBlock)(sid, block);
    }
    state.counters["words/s"] =
        benchmark::Counter(double(kTextWords) * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["reported"] = double(reported);
}

// hunspell -l on the same text with the same dictionary (its dictionary load included).
void BM_HunspellCommand(benchmark::State& state) {
    const Text& t = text();
    for (auto _ : state)
        if (tessaly::bench::RunTool({"hunspell", "-d", "en_US", "-i", "utf-8", "-l", t.path}) !=
            0) {
            state.SkipWithError("hunspell failed");
            return;
        }
    state.counters["words/s"] =
        benchmark::Counter(double(kTextWords) * state.iterations(), benchmark::Counter::kIsRate);
}

// What the command spends starting and loading the dictionary: subtracted, the rate of its
// checking alone.
void BM_HunspellCommandEmptyText(benchmark::State& state) {
    const Text& t = text();
    for (auto _ : state)
        tessaly::bench::RunTool({"hunspell", "-d", "en_US", "-i", "utf-8", "-l", t.empty});
}

// Suggestions for each misspelled word of the text, best first in the 4096-byte form.
void BM_EngineSuggest(benchmark::State& state) {
    const Text& t = text();
    const SSCE_S16 sid = ENGINE(SSCE_GetSid)();
    ENGINE(SSCE_SetSuggestionDepth)(static_cast<SSCE_S16>(state.range(0)));
    char buffer[4096];
    SSCE_S16 scores[256];
    size_t i = 0;
    for (auto _ : state) {
        const std::string& word = t.misspelled[i++ % t.misspelled.size()];
        benchmark::DoNotOptimize(
            ENGINE(SSCE_Suggest)(sid, word.c_str(), 30, buffer, sizeof buffer, scores, 256));
    }
    ENGINE(SSCE_SetSuggestionDepth)(SSCE_DEPTH_MODERATE);
}

BENCHMARK(BM_EngineBlockWalk)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();
BENCHMARK(BM_HunspellCommand)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();
BENCHMARK(BM_HunspellCommandEmptyText)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_EngineSuggest)
    ->Arg(SSCE_DEPTH_FAST)
    ->Arg(SSCE_DEPTH_MODERATE)
    ->Arg(SSCE_DEPTH_SLOW)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0);

} // namespace

BENCHMARK_MAIN();
