#include "translate_commands.h"

#include <kelm/kelm.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "exit_status.h"
#include "listen_commands.h"
#include "output_file.h"
#include "settings_commands.h"
#include "text_encoding.h"
#include "translate_serve.h"
#include "translate_text_out.h"
#include "writer_input.h"

namespace kelm_cli {
namespace {

using Clock = std::chrono::steady_clock;

struct TranslateOptions {
  std::vector<std::string> dictionaries;
  std::string writer;
  std::string capture;
  std::string steno;
  std::string port;
  bool wait = false;
  std::string rtf;
  std::string text;
  std::string conflicts = "first";
  bool grandjean = false;
  bool live = false;
  ServeOptions serve;
};

std::ostream& complain() { return std::cerr << "kelm translate: "; }

// --- Loading the dictionaries, with a progress line ------------------------

// A load that takes longer than this shows its progress.
constexpr auto progress_delay = std::chrono::seconds(1);
constexpr auto progress_interval = std::chrono::milliseconds(100);

struct LoadProgress {
  bool terminal = false;
  Clock::time_point start = Clock::now();
  Clock::time_point shown_at;
  ULONGLONG total = 0;
  ULONGLONG done = 0;
  bool shown = false;
};

void show_progress(LoadProgress& progress) {
  if (!progress.terminal) return;
  const Clock::time_point now = Clock::now();
  if (now - progress.start < progress_delay || now - progress.shown_at < progress_interval) return;
  const unsigned long long percent = progress.total ? progress.done * 100 / progress.total : 100;
  std::fprintf(stderr, "\rkelm translate: loading dictionaries %3llu%%", percent);
  std::fflush(stderr);
  progress.shown_at = now;
  progress.shown = true;
}

// The scanner reads its file in blocks, so counting them costs nothing per
// entry and needs no thread.
class CountedFile : public CFile {
 public:
  CountedFile(const std::string& path, LoadProgress& progress)
      : CFile(path.c_str(), CFile::modeRead | CFile::typeBinary), m_progress(progress) {}

  UINT Read(void* lpBuf, UINT nCount) override {
    const UINT got = CFile::Read(lpBuf, nCount);
    m_progress.done += got;
    show_progress(m_progress);
    return got;
  }

 private:
  LoadProgress& m_progress;
};

ULONGLONG total_size(const std::vector<std::string>& paths) {
  ULONGLONG total = 0;
  for (const std::string& path : paths) {
    std::error_code error;
    const auto size = std::filesystem::file_size(KelmNativePath(path.c_str()).View(), error);
    if (!error) total += size;
  }
  return total;
}

// Invalid outlines are reported and left out; an unreadable file stops the
// whole run, since a translation without one of its dictionaries is wrong
// text that looks right.
std::optional<std::vector<std::unique_ptr<CStenoDictionary>>> load_dictionaries(
    const std::vector<std::string>& paths) {
  LoadProgress progress;
  progress.terminal = ::isatty(STDERR_FILENO) == 1;
  progress.total = total_size(paths);
  std::vector<std::unique_ptr<CStenoDictionary>> dictionaries;
  std::size_t entries = 0;
  for (const std::string& path : paths) {
    auto dictionary = std::make_unique<CStenoDictionary>();
    long result = 0;
    try {
      CountedFile file(path, progress);
      result = dictionary->Read(file);
    } catch (const CFileException& e) {
      if (progress.shown) std::cerr << '\n';
      complain() << printable(e.Describe().View()) << '\n';
      return std::nullopt;
    }
    const auto& invalid = dictionary->GetInvalidOutlines();
    if (progress.shown && !invalid.empty()) std::cerr << '\n';
    for (const CStenoDictionary::InvalidOutline& bad : invalid)
      std::cerr << path << ':' << bad.line << ": invalid outline \"" << printable(bad.text)
                << "\" left out\n";
    if (result != 0) {
      if (progress.shown) std::cerr << '\n';
      complain() << path << ": " << printable(dictionary->GetErrorText(result).View()) << '\n';
      return std::nullopt;
    }
    entries += dictionary->GetCount();
    dictionaries.push_back(std::move(dictionary));
  }
  if (progress.shown) {
    const std::chrono::duration<double> took = Clock::now() - progress.start;
    std::fprintf(stderr, "\rkelm translate: loaded %zu entries from %zu dictionaries in %.1f s\n",
                 entries, dictionaries.size(), took.count());
  }
  return dictionaries;
}

// --- The terminal ------------------------------------------------------------

// The typed steno is not echoed while the text is drawn on the same
// terminal, or it would land amid the text: the text is the echo. The echo
// comes back at the end, and when a signal ends the run.
class QuietTerminalInput {
 public:
  QuietTerminalInput() {
    if (::tcgetattr(STDIN_FILENO, &saved()) != 0) return;
    termios quiet = saved();
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
      std::signal(signal, &restore_and_die);
    m_active = ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet) == 0;
  }
  QuietTerminalInput(const QuietTerminalInput&) = delete;
  QuietTerminalInput& operator=(const QuietTerminalInput&) = delete;
  ~QuietTerminalInput() {
    if (m_active) ::tcsetattr(STDIN_FILENO, TCSANOW, &saved());
  }

 private:
  static termios& saved() {
    static termios settings{};
    return settings;
  }
  static void restore_and_die(int signal) {
    ::tcsetattr(STDIN_FILENO, TCSANOW, &saved());
    std::signal(signal, SIG_DFL);
    std::raise(signal);
  }

  bool m_active = false;
};

// --- Strokes in ------------------------------------------------------------

// While a live run goes on, its --text and --rtf files are written again
// whole (each atomically) when translations have become final, at most this
// often: a crash or a lost machine then costs a second of transcript, and
// rewriting a day's transcript once a second costs little.
constexpr auto live_save_interval = std::chrono::seconds(1);

// The translator and where its text goes.
struct Run {
  CTranslator& translator;
  TextOut& out;
  bool realtime;  // flushed after each line of input
  CaptionService* captions = nullptr;
};

void print_caption_log(Run& run) {
  run.captions->PrintLog([&run](const std::string& line) {
    run.out.BeforeMessage();
    complain() << line << std::endl;
    run.out.AfterMessage();
  });
}

void take_edit(Run& run, const CTranslator::Edit& edit) {
  run.out.Take(run.translator, edit);
  if (!run.captions) return;
  run.captions->Post(edit);
  print_caption_log(run);
}

void add_stroke(Run& run, const CStroke& stroke) {
  take_edit(run, run.translator.AddStroke(stroke));
}

// Writer bytes from a capture or a pipe, as they come; what the decoder
// skips is said between the text.
int translate_capture(const TranslateOptions& options, Run& run) {
  WriterOutput out;
  out.stroke = [&run](const CStroke& stroke) {
    add_stroke(run, stroke);
    if (run.realtime) std::cout.flush();
  };
  out.skip = [&options, &run](const CWriterStream::Skip& skip) {
    run.out.BeforeMessage();
    complain() << options.capture << ": " << describe_skip(skip) << std::endl;
    run.out.AfterMessage();
  };
  if (std::string why;
      !read_writer_capture(options.capture, find_writer(options.writer), out, why)) {
    run.out.BeforeMessage();
    complain() << "cannot read the capture: " << why << std::endl;
    run.out.AfterMessage();
    return exit_bad_input;
  }
  return writer_input_status(out);
}

// One stroke or outline a line; blank lines are skipped. A line that is not
// steno is reported and skipped, and the rest is still translated.
int translate_steno(std::istream& in, const std::string& name, int grandjean, Run& run) {
  int status = exit_ok;
  std::string line;
  CSteno outline;
  for (unsigned long number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos) continue;
    const std::size_t last = line.find_last_not_of(" \t");
    const CString text(to_cp1252(std::string_view(line).substr(first, last - first + 1)));
    if (const int bad = outline.SetString(text, grandjean); bad != 0) {
      run.out.BeforeMessage();
      std::cerr << name << ':' << number << ": \"" << printable(text.View())
                << "\" is not steno in the plain notation (character " << bad << ")\n";
      run.out.AfterMessage();
      status = exit_bad_input;
      continue;
    }
    const CTime now = CTime::GetCurrentTime();
    for (int i = 0; i < outline.GetStrokeCount(); ++i) {
      CStroke stroke = outline[i];
      stroke.SetTimeStamp(now);
      add_stroke(run, stroke);
    }
    if (run.realtime) std::cout.flush();
  }
  return status;
}

// A writer on a serial line, translated as it writes until a signal ends
// the run; the connection's changes go to the error stream between the
// text. `save` writes the files out as translations become final.
int translate_port(const TranslateOptions& options, Run& run, const std::function<bool()>& save) {
  const StopSignals signals;
  const std::unique_ptr<CWriterConnection> connection =
      connect_writer("translate", options.port, options.writer, options.wait);
  if (!connection) return exit_bad_input;
  std::size_t saved_final = 0;
  Clock::time_point saved_at = Clock::now();
  bool saving = true;
  run_connection(
      *connection,
      [&options, &run](const CWriterConnection::Event& event) {
        if (event.kind == CWriterConnection::Event::Stroke) {
          add_stroke(run, event.stroke);
          std::cout.flush();
          return;
        }
        run.out.BeforeMessage();
        std::cerr << "kelm translate: " << describe_state(event.state, options.port) << std::endl;
        run.out.AfterMessage();
      },
      [&] {
        const std::size_t final_count = run.translator.GetFinalCount();
        if (!saving || final_count == saved_final || Clock::now() - saved_at < live_save_interval)
          return;
        saving = save();
        saved_final = final_count;
        saved_at = Clock::now();
      });
  return exit_ok;
}

// --- Files out -------------------------------------------------------------

// A file written whole or not at all; says why on failure.
bool write_output(const std::string& path, const std::function<void(CFile&)>& write_to) {
  const std::optional<std::string> failure = WriteOutputFile(path, write_to);
  if (failure) complain() << printable(*failure) << '\n';
  return !failure;
}

std::unique_ptr<TextOut> make_text_out(const TranslateOptions& options) {
  if (options.live) return MakeLiveOut();
  if (::isatty(STDOUT_FILENO) == 1) return MakeTerminalOut();
  return MakeFinalTextOut();
}

int run_translate(const TranslateOptions& options, int grandjean) {
  const auto dictionaries = load_dictionaries(options.dictionaries);
  if (!dictionaries) return exit_bad_input;
  CTranslator::Options translator_options;
  translator_options.keep_conflicts = options.conflicts == "keep";
  translator_options.grandjean = grandjean;
  CTranslator translator(translator_options);
  for (const auto& dictionary : *dictionaries) translator.AddDictionary(dictionary.get());

  const bool from_stdin = options.steno == "-" || options.capture == "-";
  const std::unique_ptr<TextOut> out = make_text_out(options);
  std::optional<QuietTerminalInput> quiet;
  if (options.steno == "-" && !options.live && ::isatty(STDOUT_FILENO) == 1 &&
      ::isatty(STDIN_FILENO) == 1)
    quiet.emplace();
  bool serve_failed = false;
  const std::unique_ptr<CaptionService> captions = start_captions(options.serve, serve_failed);
  if (serve_failed) return exit_bad_input;
  Run run{translator, *out, from_stdin || !options.port.empty(), captions.get()};
  // During a live run the text file holds only final text; at the end, all.
  const auto write_files = [&options, &translator](bool whole) {
    bool written = true;
    if (!options.text.empty())
      written = write_output(options.text, [&translator, whole](CFile& file) {
        std::string_view shown = translator.GetTextView();
        if (!whole) shown = shown.substr(0, translator.GetFinalLength());
        const std::string text = readable_text::ToUtf8(shown);
        file.Write(text.data(), static_cast<UINT>(text.size()));
      });
    if (!options.rtf.empty())
      written = write_output(options.rtf,
                             [&translator](CFile& file) {
                               WriteRtfTranscript(file, translator, CTime::GetCurrentTime());
                             }) &&
                written;
    return written;
  };
  int status = exit_ok;
  if (!options.port.empty()) {
    status = translate_port(options, run, [&write_files] { return write_files(false); });
    if (status != exit_ok) return status;
  } else if (!options.capture.empty()) {
    status = translate_capture(options, run);
  } else if (options.steno == "-") {
    status = translate_steno(std::cin, "-", grandjean, run);
  } else {
    std::ifstream in(std::string(KelmNativePath(options.steno.c_str()).View()), std::ios::binary);
    if (!in) {
      complain() << "cannot read " << options.steno << '\n';
      return exit_bad_input;
    }
    status = translate_steno(in, options.steno, grandjean, run);
  }
  take_edit(run, translator.Finish());
  std::cout.flush();
  quiet.reset();

  if (!write_files(true)) status = exit_bad_input;
  // A writer's run ends with the signal, which ends the serving too.
  if (captions && !options.serve.exit_with_input && options.port.empty()) {
    complain() << "serving the final text until Ctrl-C" << std::endl;
    captions->ServeUntilStopped([](const std::string& line) { complain() << line << std::endl; });
  }
  return status;
}

}  // namespace

void add_translate_commands(CLI::App& app, int& status) {
  auto options = std::make_shared<TranslateOptions>();
  CLI::App* translate = app.add_subcommand(
      "translate",
      "Translate writer bytes, a writer on a serial line, or steno into English text through "
      "RTF/CRE or JSON dictionaries, as a realtime translator does. The text goes to standard "
      "output: on a terminal at each stroke, corrected in place; elsewhere once no later stroke "
      "can change it, or with --live as every stroke's edit");
  translate
      ->add_option("--dict", options->dictionaries,
                   "An RTF/CRE or JSON dictionary; give several in rising priority (a later one's "
                   "entries win, as a job dictionary's over the main one)")
      ->required()
      ->type_name("FILE");
  CLI::Option* writer =
      translate
          ->add_option("--writer", options->writer,
                       "Steno writer that sent the capture, or that writes on the port (kelm "
                       "listen --help lists them)")
          ->transform(CLI::IsMember(writer_names(), CLI::ignore_case))
          ->type_name("FORMAT");
  CLI::Option* capture =
      translate
          ->add_option("--input", options->capture,
                       "Capture of the writer's bytes; - reads standard input as it comes, as "
                       "from a pipe")
          ->type_name("CAPTURE");
  CLI::Option* steno = translate
                           ->add_option("--steno", options->steno,
                                        "Strokes or outlines in the plain notation, one a line; "
                                        "- reads standard input as it comes")
                           ->type_name("FILE");
  CLI::Option* port =
      translate
          ->add_option("--port", options->port,
                       "A writer on a serial line, translated as it writes until Ctrl-C: the "
                       "device and its line settings, as /dev/ttyUSB0:9600,n,8,1 (without "
                       "settings, the writer's usual ones)")
          ->type_name("SPEC")
          ->check(PortSpec);
  CLI::Option* wait = translate->add_flag("--wait", options->wait,
                                          "With --port, wait for a device that is not there yet");
  translate
      ->add_option("--rtf", options->rtf,
                   "Write an RTF/CRE transcript (with --port, again each second as it grows)")
      ->type_name("OUT.rtf");
  translate
      ->add_option("--text", options->text,
                   "Write the text to a file as well (with --port, its final part each second "
                   "as it grows)")
      ->type_name("OUT.txt");
  translate
      ->add_option("--conflicts", options->conflicts,
                   "Conflict texts [a|b]: take the first alternative, or keep them whole")
      ->transform(CLI::IsMember({"first", "keep"}))
      ->default_str("first");
  translate->add_flag("--live", options->live,
                      "Write every stroke's edit at once, one a line: the characters to take "
                      "back, a tab, and the text to add with tab, line break and backslash "
                      "written \\t, \\n and \\\\");
  CLI::Option* serve = add_serve_options(*translate, options->serve);
  CLI::Option* grandjean = translate->add_flag(
      "--grandjean", options->grandjean,
      "Steno for the French Grandjean keyboard; without the flag the GrandJean setting decides");
  capture->needs(writer);
  capture->excludes(steno);
  port->needs(writer);
  port->excludes(capture);
  port->excludes(steno);
  wait->needs(port);
  translate->callback([options, grandjean, writer, capture, steno, port, serve, &status] {
    options->serve.requested = serve->count() > 0;
    if (capture->count() == 0 && steno->count() == 0 && port->count() == 0)
      throw CLI::RequiredError("--writer FORMAT --input CAPTURE, --steno FILE, or --port SPEC");
    if (writer->count() > 0 && capture->count() == 0 && port->count() == 0)
      throw CLI::RequiredError("--input CAPTURE or --port SPEC with --writer");
    const int keyboard =
        grandjean->count() > 0 ? (options->grandjean ? 1 : 0) : grandjean_setting();
    status = run_translate(*options, keyboard);
  });
}

}  // namespace kelm_cli
