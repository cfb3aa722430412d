#include "translate_commands.h"

#include <kelm/kelm.h>
#include <unistd.h>

#include <chrono>
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
#include "output_file.h"
#include "settings_commands.h"
#include "stroke_commands.h"
#include "text_encoding.h"

namespace kelm_cli {
namespace {

using Clock = std::chrono::steady_clock;

struct TranslateOptions {
  std::vector<std::string> dictionaries;
  std::string writer;
  std::string capture;
  std::string steno;
  std::string rtf;
  std::string text;
  std::string conflicts = "first";
  bool grandjean = false;
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

// --- Text out ------------------------------------------------------------

// What goes to standard output: each translation once it is final, in UTF-8.
// Blanks at the end of a line and at the start of the next only ever come
// from the seams around a paragraph mark, so they are dropped.
struct TextOut {
  CTranslator& translator;
  bool realtime;  // flushed after each line of input
  std::size_t translations_out = 0;
  std::string pending;
  std::string blanks;
  bool line_start = true;
  std::string written;
};

void put_readable(TextOut& out, std::string_view readable) {
  for (const char c : readable) {
    if (c == ' ') {
      if (!out.line_start) out.blanks += c;
    } else if (c == '\n') {
      out.blanks.clear();
      out.pending += c;
      out.line_start = true;
    } else {
      out.pending += out.blanks;
      out.blanks.clear();
      out.pending += c;
      out.line_start = false;
    }
  }
}

void take_final(TextOut& out) {
  for (const std::size_t final_count = out.translator.GetFinalCount();
       out.translations_out < final_count; ++out.translations_out)
    put_readable(out, to_utf8(ReadableText(out.translator.Get(out.translations_out).text)));
}

void flush(TextOut& out) {
  std::cout << out.pending << std::flush;
  out.written += out.pending;
  out.pending.clear();
}

void add_stroke(TextOut& out, const CStroke& stroke) {
  out.translator.AddStroke(stroke);
  take_final(out);
}

void finish(TextOut& out) {
  out.translator.Finish();
  take_final(out);
  if (!out.line_start) out.pending += '\n';
  out.line_start = true;
  flush(out);
}

// --- Strokes in ------------------------------------------------------------

int translate_capture(const TranslateOptions& options, TextOut& out) {
  const WriterFormat& writer = find_writer(options.writer);
  std::string why;
  const std::optional<std::vector<BYTE>> bytes = read_capture(options.capture, why);
  if (!bytes) {
    complain() << "cannot read the capture: " << why << '\n';
    return exit_bad_input;
  }
  CStroke stroke;
  stroke.SetTimeStamp(CTime::GetCurrentTime());
  for (std::size_t at = 0; at + writer.packet_size <= bytes->size(); at += writer.packet_size) {
    (stroke.*writer.read_packet)(bytes->data() + at);
    add_stroke(out, stroke);
  }
  const std::size_t left_over = bytes->size() % writer.packet_size;
  if (left_over == 0) return exit_ok;
  complain() << "the last " << left_over << " byte(s) of the capture do not make a whole "
             << writer.name << " packet of " << writer.packet_size << " bytes\n";
  return exit_bad_input;
}

// One stroke or outline a line; blank lines are skipped. A line that is not
// steno is reported and skipped, and the rest is still translated.
int translate_steno(std::istream& in, const std::string& name, int grandjean, TextOut& out) {
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
      std::cerr << name << ':' << number << ": \"" << printable(text.View())
                << "\" is not steno in the plain notation (character " << bad << ")\n";
      status = exit_bad_input;
      continue;
    }
    const CTime now = CTime::GetCurrentTime();
    for (int i = 0; i < outline.GetStrokeCount(); ++i) {
      CStroke stroke = outline[i];
      stroke.SetTimeStamp(now);
      add_stroke(out, stroke);
    }
    if (out.realtime) flush(out);
  }
  return status;
}

// --- Files out -------------------------------------------------------------

// A file written whole or not at all; says why on failure.
bool write_output(const std::string& path, const std::function<void(CFile&)>& write_to) {
  const std::optional<std::string> failure = WriteOutputFile(path, write_to);
  if (failure) complain() << printable(*failure) << '\n';
  return !failure;
}

int run_translate(const TranslateOptions& options, int grandjean) {
  const auto dictionaries = load_dictionaries(options.dictionaries);
  if (!dictionaries) return exit_bad_input;
  CTranslator::Options translator_options;
  translator_options.keep_conflicts = options.conflicts == "keep";
  translator_options.grandjean = grandjean;
  CTranslator translator(translator_options);
  for (const auto& dictionary : *dictionaries) translator.AddDictionary(dictionary.get());

  const bool from_stdin = options.steno == "-";
  TextOut out{translator, from_stdin, 0, {}, {}, true, {}};
  int status = exit_ok;
  if (!options.capture.empty()) {
    status = translate_capture(options, out);
  } else if (from_stdin) {
    status = translate_steno(std::cin, "-", grandjean, out);
  } else {
    std::ifstream in(std::string(KelmNativePath(options.steno.c_str()).View()), std::ios::binary);
    if (!in) {
      complain() << "cannot read " << options.steno << '\n';
      return exit_bad_input;
    }
    status = translate_steno(in, options.steno, grandjean, out);
  }
  finish(out);

  if (!options.text.empty() && !write_output(options.text, [&out](CFile& file) {
        file.Write(out.written.data(), static_cast<UINT>(out.written.size()));
      }))
    status = exit_bad_input;
  if (!options.rtf.empty() && !write_output(options.rtf, [&translator](CFile& file) {
        WriteRtfTranscript(file, translator, CTime::GetCurrentTime());
      }))
    status = exit_bad_input;
  return status;
}

}  // namespace

void add_translate_commands(CLI::App& app, int& status) {
  auto options = std::make_shared<TranslateOptions>();
  CLI::App* translate = app.add_subcommand(
      "translate",
      "Translate writer bytes or steno into English text through RTF/CRE dictionaries, as a "
      "realtime translator does; the text goes to standard output");
  translate
      ->add_option("--dict", options->dictionaries,
                   "An RTF/CRE dictionary; give several in rising priority (a later one's "
                   "entries win, as a job dictionary's over the main one)")
      ->required()
      ->type_name("FILE.rtf");
  CLI::Option* writer =
      translate->add_option("--writer", options->writer, "Steno writer that sent the capture")
          ->transform(CLI::IsMember(writer_names(), CLI::ignore_case))
          ->type_name("FORMAT");
  CLI::Option* capture =
      translate->add_option("--input", options->capture, "Capture of the writer's bytes")
          ->type_name("CAPTURE");
  CLI::Option* steno = translate
                           ->add_option("--steno", options->steno,
                                        "Strokes or outlines in the plain notation, one a line; "
                                        "- reads standard input as it comes")
                           ->type_name("FILE");
  translate->add_option("--rtf", options->rtf, "Write an RTF/CRE transcript")->type_name("OUT.rtf");
  translate->add_option("--text", options->text, "Write the text to a file as well")
      ->type_name("OUT.txt");
  translate
      ->add_option("--conflicts", options->conflicts,
                   "Conflict texts [a|b]: take the first alternative, or keep them whole")
      ->transform(CLI::IsMember({"first", "keep"}))
      ->default_str("first");
  CLI::Option* grandjean = translate->add_flag(
      "--grandjean", options->grandjean,
      "Steno for the French Grandjean keyboard; without the flag the GrandJean setting decides");
  writer->needs(capture);
  capture->needs(writer);
  capture->excludes(steno);
  translate->callback([options, grandjean, capture, steno, &status] {
    if (capture->count() == 0 && steno->count() == 0)
      throw CLI::RequiredError("--writer FORMAT --input CAPTURE, or --steno FILE");
    const int keyboard =
        grandjean->count() > 0 ? (options->grandjean ? 1 : 0) : grandjean_setting();
    status = run_translate(*options, keyboard);
  });
}

}  // namespace kelm_cli
