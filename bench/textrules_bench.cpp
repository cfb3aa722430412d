// Costs of the text rules a translator applies to every translation it
// writes, with the heap allocations each costs, and of the profile read that
// constructing the rules makes.

#include <benchmark/benchmark.h>
#include <kelm/kelm.h>
#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>

#include "bench_hive.h"

namespace {

std::size_t allocations = 0;

}  // namespace

// Counted so that each case can show that joining short words costs no heap
// allocation beyond the result.
void* operator new(std::size_t size) {
  ++allocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

void report_allocations(benchmark::State& state, std::size_t before) {
  state.counters["allocs"] = benchmark::Counter(static_cast<double>(allocations - before),
                                                benchmark::Counter::kAvgIterations);
  state.SetItemsProcessed(state.iterations());
}

struct Pair {
  const char* name;
  WORD first_flags;
  const char* first;
  WORD second_flags;
  const char* second;
  const char* joined;  // checked once, so a case cannot measure the wrong road
};

// The seams a translator meets most: word after word, a prefix, suffixes
// with each kind of spelling change, and punctuation.
constexpr Pair word_pairs[] = {
    {"plain", 0, "the", 0, "witness", "the witness"},
    {"prefix", CTranFlags::Prefix, "re", 0, "direct", "redirect"},
    {"suffix_doubling", 0, "run", CTranFlags::Suffix, "ing", "running"},
    {"suffix_y_to_i", 0, "happy", CTranFlags::Suffix, "ness", "happiness"},
    {"suffix_silent_e", 0, "make", CTranFlags::Suffix, "ing", "making"},
    {"punctuation", 0, "today", CTranFlags::Suffix, ".", "today."},
};

// Seams that the spacing leaves without a space and that are not suffixes,
// so the add-string rules decide them.
constexpr Pair seam_pairs[] = {
    {"merged_letters", CTranFlags::Prefix, "full", 0, "ly", "fully"},
    {"comma_after_period", CTranFlags::AttachLetters, "end.", CTranFlags::AttachLetters, ",",
     "end,"},
    {"period_after_abbreviation", CTranFlags::AttachLetters, "U.S.", CTranFlags::AttachLetters, ".",
     "U.S."},
    {"period_after_quotation", CTranFlags::AttachLetters, "said.\"", CTranFlags::AttachLetters, ".",
     "said.\""},
};

void BM_Concat(benchmark::State& state, const Pair& pair) {
  const CStringRules rules;
  const CString first(pair.first), second(pair.second);
  if (rules.Concat(pair.first_flags, first, pair.second_flags, second) != pair.joined)
    state.SkipWithError("the pair does not join as expected");
  const std::size_t before = allocations;
  for (auto _ : state)
    benchmark::DoNotOptimize(rules.Concat(pair.first_flags, first, pair.second_flags, second));
  report_allocations(state, before);
}

// The rules edit the texts in place, so each round starts from fresh copies.
void BM_ApplyConcatRules(benchmark::State& state, const Pair& pair) {
  const CStringRules rules;
  const CString first(pair.first), second(pair.second);
  if (rules.Concat(pair.first_flags, first, pair.second_flags, second) != pair.joined)
    state.SkipWithError("the pair does not join as expected");
  const std::size_t before = allocations;
  for (auto _ : state) {
    CString a = first, b = second;
    rules.ApplyConcatRules(pair.first_flags, a, pair.second_flags, b);
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(b);
  }
  report_allocations(state, before);
}

struct FormatCase {
  const char* name;
  int (*format)(CString&);
  const char* digits;
};

constexpr FormatCase format_cases[] = {
    {"Time", &CStringRules::FormatTime, "1230"},
    {"Dollars", &CStringRules::FormatDollars, "1234567"},
    {"Cents", &CStringRules::FormatCents, "1234567"},
    {"PhoneNumber", &CStringRules::FormatPhoneNumber, "2125551234"},
    {"SSNumber", &CStringRules::FormatSSNumber, "123456789"},
    {"BatesNumber", &CStringRules::FormatBatesNumber, "0001234"},
    {"Ordinal", &CStringRules::FormatOrdinal, "112"},
    {"Date", [](CString& text) { return CStringRules::FormatDate(text, 0); }, "122599"},
};

void BM_Format(benchmark::State& state, const FormatCase& c) {
  const CString digits(c.digits);
  const std::size_t before = allocations;
  for (auto _ : state) {
    CString text = digits;
    benchmark::DoNotOptimize(c.format(text));
    benchmark::DoNotOptimize(text);
  }
  report_allocations(state, before);
}

constexpr const char* section = "Translator";

// Sixteen tables and three switches: every value the construction reads is
// stored, as in a translator that has saved its settings, or none is, as on
// a first run. The section is removed afterwards, so later cases join with
// the default tables.
void BM_ConstructRules(benchmark::State& state, bool stored) {
  CWinApp* app = AfxGetApp();
  app->WriteProfileString(section, nullptr, nullptr);
  if (stored) {
    for (int i = 0; i < 16; ++i)
      app->WriteProfileString(section, ("SpaceTable" + std::to_string(i)).c_str(),
                              "1010101010101010");
    app->WriteProfileInt(section, "UseRule1", 1);
    app->WriteProfileInt(section, "Space in front", 0);
    app->WriteProfileInt(section, "Use Er to Or Rule", 1);
  }
  const std::size_t before = allocations;
  for (auto _ : state) {
    CStringRules rules;
    benchmark::DoNotOptimize(&rules);
  }
  report_allocations(state, before);
  app->WriteProfileString(section, nullptr, nullptr);
}

// Joins whose suffix rules ask the spelling checker, over a small lexicon in
// the run's own user folder. The first join constructs the checker that the
// later ones reuse. Every suffix join asks once whether its word is known;
// one that is not tries the other spellings of its seam until one is, or
// all of them when none is.
constexpr Pair dictionary_pairs[] = {
    {"doubling_known_after_candidate", 0, "begin", CTranFlags::Suffix, "ing", "beginning"},
    {"doubling_known_at_once", 0, "visit", CTranFlags::Suffix, "ing", "visiting"},
    {"able_to_ible", 0, "respons", CTranFlags::Suffix, "able", "responsible"},
    {"known_join", 0, "hope", CTranFlags::Suffix, "ful", "hopeful"},
    {"repaired_plain_join", 0, "courage", CTranFlags::Suffix, "ous", "courageous"},
    {"repaired_doubled_consonant", 0, "rebut", CTranFlags::Suffix, "al", "rebuttal"},
    {"repaired_le_ly", 0, "noble", CTranFlags::Suffix, "ly", "nobly"},
    {"repaired_f_to_ves", 0, "self", CTranFlags::Suffix, "s", "selves"},
    {"no_known_spelling", 0, "zorblat", CTranFlags::Suffix, "ing", "zorblating"},
};

void write_lexicon(const std::filesystem::path& folder) {
  const std::filesystem::path user = folder / "user";
  std::filesystem::create_directories(user);
  COrvalisData(KEY_ALL_ACCESS).SetUserDir(user.c_str());
  if (std::FILE* f = std::fopen((user / "ssceam.tlx").c_str(), "w")) {
    std::fputs(
        "beginning\ti\nvisiting\ti\nresponsible\ti\nhopeful\ti\ncourageous\ti\nrebuttal\ti\n"
        "nobly\ti\nselves\ti\nrunning\ti\nhappiness\ti\nmaking\ti\n",
        f);
    std::fclose(f);
  }
}

void register_cases() {
  for (const Pair& pair : dictionary_pairs)
    benchmark::RegisterBenchmark((std::string("SuffixDictionaryDecision/") + pair.name).c_str(),
                                 BM_ApplyConcatRules, pair);
  for (const Pair& pair : word_pairs)
    benchmark::RegisterBenchmark((std::string("Concat/") + pair.name).c_str(), BM_Concat, pair);
  for (const Pair& pair : seam_pairs)
    benchmark::RegisterBenchmark((std::string("ApplyConcatRules/") + pair.name).c_str(),
                                 BM_ApplyConcatRules, pair);
  for (const FormatCase& c : format_cases)
    benchmark::RegisterBenchmark((std::string("Format") + c.name).c_str(), BM_Format, c);
  benchmark::RegisterBenchmark("ConstructRules/empty_profile", BM_ConstructRules, false);
  benchmark::RegisterBenchmark("ConstructRules/stored_profile", BM_ConstructRules, true);
}

// A hive of the run's own, so the profile read and written here is never
// the user's.

}  // namespace

int main(int argc, char** argv) {
  const kelm_bench::ScratchHive hive("textrules_bench");
  if (hive.folder().empty()) return 1;
  CWinApp app("TextRulesBench");
  app.SetRegistryKey("Quendra");
  write_lexicon(hive.folder());
  register_cases();
  return kelm_bench::run_benchmarks(argc, argv);
}
