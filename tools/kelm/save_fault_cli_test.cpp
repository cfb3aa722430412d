// Files kelm writes (converted dictionaries, RTF and SQLite; transcripts)
// under a full disk and under SIGKILL: a run that cannot finish its file says
// so and exits 1, the old file stays whole, and no temporary file outlives the
// next run.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "testing/cli_runner.h"
#include "testing/fault_injection.h"
#include "testing/scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using std::chrono::microseconds;

// Strokes that the plain notation takes, paired into the outlines of a
// dictionary big enough that writing it takes a while, small enough that a
// run stays quick.
constexpr const char* strokes[] = {"KAT",  "TKOG", "PWEUG",   "HOUS",  "TPHOT", "SKWR", "WORLD",
                                   "THEU", "STPH", "PHAEUBG", "RAOUL", "-G",    "-D",   "-S"};

std::string big_dictionary() {
  std::string rtf = "{\\rtf1\\ansi\\cxdict\n";
  int n = 0;
  for (const char* first : strokes)
    for (const char* second : strokes)
      rtf += std::string("{\\*\\cxs ") + first + "/" + second + "}word" + std::to_string(n++) +
             " caf\\'e9\n";
  return rtf + "}";
}

std::string long_steno() {
  std::string steno;
  for (int round = 0; round < 8; ++round)
    for (const char* first : strokes) steno += std::string(first) + "\n";
  return steno;
}

// The second of the two contents a test alternates, smaller than the first.
constexpr char small_dictionary[] =
    "{\\rtf1\\ansi\\cxdict\n"
    "{\\*\\cxs KAT}cat\n"
    "{\\*\\cxs -G}{\\cxds ing}\n"
    "{\\*\\cxs KAF}caf\\'e9}";
constexpr char short_steno[] = "KAT\n-G\nKAF\n";

// kelm with the environment run_kelm gives it, started by fork and exec so
// that the child can take a file size limit first. Standard output goes
// nowhere, standard error to `err_fd` (nowhere when -1).
pid_t start_limited_kelm(const std::vector<std::string>& args, const ScratchFolder& home,
                         rlim_t limit, int err_fd) {
  // Leaks are the other tests' business; looking for them at every exit
  // would double the time of the hundreds of runs here.
  std::vector<std::string> env = kelm_environment(home, {"ASAN_OPTIONS=detect_leaks=0"});
  std::vector<std::string> argv = args;
  argv.insert(argv.begin(), KELM_COMMAND);
  std::vector<char*> argp, envp;
  for (std::string& a : argv) argp.push_back(a.data());
  for (std::string& e : env) envp.push_back(e.data());
  argp.push_back(nullptr);
  envp.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    const int nowhere = open("/dev/null", O_RDWR);
    dup2(nowhere, STDIN_FILENO);
    dup2(nowhere, STDOUT_FILENO);
    dup2(err_fd >= 0 ? err_fd : nowhere, STDERR_FILENO);
    LimitFileSize(limit);
    execve(KELM_COMMAND, argp.data(), envp.data());
    _exit(127);
  }
  return pid;
}

// The exit status and standard error of a run under a file size limit.
Outcome run_limited(const std::vector<std::string>& args, const ScratchFolder& home, rlim_t limit) {
  int err[2];
  if (pipe(err) != 0) return {-1, "", "no pipe"};
  const pid_t pid = start_limited_kelm(args, home, limit, err[1]);
  close(err[1]);
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = read(err[0], buffer, sizeof buffer)) > 0;)
    text.append(buffer, static_cast<size_t>(n));
  close(err[0]);
  return {WaitForChild(pid).status, "", text};
}

// One kind of file kelm saves: the run that writes content 0 or 1 to `out`.
struct SaveKind {
  const char* name;
  const char* out;
  // The dictionary's two outputs share the kills a kind of save gets.
  int kills;
  std::function<std::vector<std::string>(const ScratchFolder&, int content)> args;
};

const SaveKind save_kinds[] = {
    {"dictionary RTF", "out.rtf", 100,
     [](const ScratchFolder& home, int content) {
       return std::vector<std::string>{"dict", "convert",
                                       home.path(content == 0 ? "big.rtf" : "small.rtf"),
                                       home.path("saved/out.rtf")};
     }},
    {"dictionary SQLite", "out.sqlite", 100,
     [](const ScratchFolder& home, int content) {
       return std::vector<std::string>{"dict", "convert",
                                       home.path(content == 0 ? "big.rtf" : "small.rtf"),
                                       home.path("saved/out.sqlite")};
     }},
    {"transcript", "out.rtf", 200,
     [](const ScratchFolder& home, int content) {
       return std::vector<std::string>{"translate",
                                       "--dict",
                                       home.path("big.rtf"),
                                       "--steno",
                                       home.path(content == 0 ? "long.steno" : "short.steno"),
                                       "--rtf",
                                       home.path("saved/out.rtf")};
     }},
};

// The creation time and the strokes' times are what differs between two
// runs that write the same RTF.
std::string without_time(const std::string& bytes) {
  static const std::regex times(R"(\{\\creatim[^}]*\}|\{\\\*\\cxt[^}]*\})");
  return std::regex_replace(bytes, times, "");
}

class SaveFaultTest : public ::testing::TestWithParam<SaveKind> {
 protected:
  void SetUp() override {
    WriteWholeFile(m_home.path("big.rtf"), big_dictionary());
    WriteWholeFile(m_home.path("long.steno"), long_steno());
    WriteWholeFile(m_home.path("small.rtf"), small_dictionary);
    WriteWholeFile(m_home.path("short.steno"), short_steno);
    fs::create_directory(m_home.path("saved"));
    // The first runs also set up the home: its hive and its lexicons.
    for (int content : {1, 0}) {
      const Outcome made = run_limited(Args(content), m_home, RLIM_INFINITY);
      ASSERT_EQ(0, made.status) << made.err;
      m_content[content] = Saved();
    }
    ASSERT_NE(m_content[0], m_content[1]);
  }

  std::vector<std::string> Args(int content) const { return GetParam().args(m_home, content); }
  std::string Out() const { return m_home.path(std::string("saved/") + GetParam().out); }
  std::string Saved() const { return without_time(ReadWholeFile(Out())); }
  std::vector<std::string> Others() const {
    std::vector<std::string> names = FolderNames(m_home.path("saved"));
    names.erase(std::remove(names.begin(), names.end(), GetParam().out), names.end());
    return names;
  }

  ScratchFolder m_home;
  std::string m_content[2];
};

TEST_P(SaveFaultTest, AFullDiskFailsTheRunAndLeavesTheOldFile) {
  const std::string name = GetParam().name;
  const auto new_size = static_cast<rlim_t>(fs::file_size(Out()));
  run_limited(Args(1), m_home, RLIM_INFINITY);
  FaultTally tally;
  // From an empty disk to room for the whole new file, in a dozen steps.
  const rlim_t step = new_size / 12 + 1;
  for (rlim_t limit = 0; limit < new_size + 2 * step; limit += step) {
    const Outcome got = run_limited(Args(0), m_home, limit);
    const std::string shown = name + ", limit " + std::to_string(limit);
    ++tally.iterations;
    ASSERT_TRUE(got.status == 0 || got.status == 1) << shown << ": " << got.err;
    if (limit < new_size) {
      EXPECT_EQ(1, got.status) << shown;
    }
    if (got.status == 1) {
      ++tally.failures_reported;
      EXPECT_NE(std::string::npos, got.err.find(Out())) << shown << ": " << got.err;
    }
    EXPECT_EQ(m_content[got.status == 0 ? 0 : 1], Saved()) << shown;
    EXPECT_EQ(std::vector<std::string>{}, Others()) << shown;
    if (got.status == 0) run_limited(Args(1), m_home, RLIM_INFINITY);
  }
  EXPECT_LT(tally.failures_reported, tally.iterations) << name << ": never fits";
  EXPECT_EQ(0, run_limited(Args(0), m_home, RLIM_INFINITY).status);
  EXPECT_EQ(m_content[0], Saved());
  tally.Print("kelm " + name + ", full disk");
}

// The kills aim at the save at the end of a run: a kill that finds nothing
// begun yet comes later next time, one that finds the run done comes sooner.
TEST_P(SaveFaultTest, AKilledRunLeavesTheOldFileOrTheNewOne) {
  const std::string name = GetParam().name;
  const auto started = std::chrono::steady_clock::now();
  run_limited(Args(0), m_home, RLIM_INFINITY);
  const auto whole =
      std::chrono::duration_cast<microseconds>(std::chrono::steady_clock::now() - started);
  microseconds aim = whole * 3 / 4;
  const microseconds step = whole / 40, spread = whole / 10;
  std::mt19937 random(20261207);
  FaultTally tally;
  std::set<std::string> left;
  // A loaded machine stretches the run around a short save, so when too few
  // kills have landed inside it the loop goes on, up to four times as long.
  const int kills = GetParam().kills, landed_enough = kills / 40;
  for (int k = 0; k < kills || (tally.mid_write < landed_enough && k < 4 * kills); ++k) {
    const int content = k % 2;
    const std::string before = Saved();
    const std::vector<std::string> others_before = Others();
    std::uniform_int_distribution<microseconds::rep> jitter(-spread.count(), spread.count());
    const microseconds delay = std::max(microseconds(0), aim + microseconds(jitter(random)));
    const pid_t pid = start_limited_kelm(Args(content), m_home, RLIM_INFINITY, -1);
    const bool killed = KillAfter(pid, delay);
    ++tally.iterations;
    tally.kills += killed ? 1 : 0;
    const std::string after = Saved();
    EXPECT_TRUE(after == m_content[0] || after == m_content[1])
        << name << ", kill " << k << " after " << delay.count() << " us";
    const std::vector<std::string> others = Others();
    const bool new_temp = std::any_of(others.begin(), others.end(), [&](const std::string& n) {
      return std::find(others_before.begin(), others_before.end(), n) == others_before.end();
    });
    if (new_temp) ++tally.mid_write;
    if (killed && (new_temp || after != before)) ++tally.mid_save;
    left.insert(others.begin(), others.end());
    if (!killed || (!new_temp && after != before))
      aim -= step;
    else if (!new_temp && before != m_content[content])
      aim += step;
  }
  tally.temp_left = static_cast<int>(left.size());
  EXPECT_GE(tally.mid_write, landed_enough) << name << ": too few kills landed inside the save";
  EXPECT_EQ(0, run_limited(Args(0), m_home, RLIM_INFINITY).status);
  EXPECT_EQ(m_content[0], Saved());
  const std::vector<std::string> after = Others();
  tally.cleaned = tally.temp_left - static_cast<int>(after.size());
  EXPECT_EQ(std::vector<std::string>{}, after) << name << ": temporary files outlive the next run";
  tally.Print("kelm " + name + ", SIGKILL");
}

INSTANTIATE_TEST_SUITE_P(Kinds, SaveFaultTest, ::testing::ValuesIn(save_kinds),
                         [](const ::testing::TestParamInfo<SaveKind>& kind) {
                           std::string name = kind.param.name;
                           std::replace(name.begin(), name.end(), ' ', '_');
                           return name;
                         });

}  // namespace
