#include "stroke_commands.h"

#include <kelm/kelm.h>

#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "exit_status.h"
#include "settings_commands.h"
#include "text_encoding.h"
#include "writer_input.h"

namespace kelm_cli {
namespace {

enum class Notation { plain, spaced, rtf, hex };

struct NotationName {
  const char* name;
  Notation notation;
};

constexpr NotationName notations[] = {
    {"plain", Notation::plain},
    {"spaced", Notation::spaced},
    {"rtf", Notation::rtf},
    {"hex", Notation::hex},
};

// The only writer whose packets the library can write.
constexpr const char* encodable_writer = "sten8000";
constexpr std::size_t sten8000_packet_size = 3;

struct ShowOptions {
  bool grandjean = false;
  std::string notation = "plain";
  std::vector<std::string> outlines;
};

struct DecodeOptions {
  std::string writer;
  bool from_capture = false;
  std::string capture;
  std::vector<std::string> hex_bytes;
};

struct EncodeOptions {
  std::string writer;
  std::vector<std::string> outlines;
};

std::ostream& complain(std::string_view command) {
  return std::cerr << "kelm stroke " << command << ": ";
}

// Readers give the index of a repeated key but the index + 1 of a character
// the notation does not take, so a result alone leaves two candidates. A read
// of the text before the result fails exactly when the culprit lies inside it.
// A character that reads on its own yet fails in context repeats a key.
struct ReadFailure {
  int index;
  bool repeated_key;
};

ReadFailure locate_failure(const CString& text, int result, int grandjean) {
  CSteno scratch;
  int index = scratch.SetString(text.Left(result), grandjean) != 0 ? result - 1 : result;
  if (index >= text.GetLength()) index = text.GetLength() - 1;
  const bool reads_alone = scratch.SetString(CString(text[index]), grandjean) == 0;
  return {index, reads_alone};
}

void report_unreadable(std::string_view command, const CString& text, int result, int grandjean) {
  const ReadFailure failure = locate_failure(text, result, grandjean);
  const std::string shown = printable(text);
  complain(command) << "cannot read \"" << shown << "\": character " << failure.index + 1
                    << (failure.repeated_key ? " repeats a key" : " is not in the notation") << '\n'
                    << "  " << shown << '\n'
                    << "  " << std::string(failure.index, ' ') << "^\n";
}

std::optional<CSteno> read_outline(std::string_view command, const std::string& argument,
                                   int grandjean) {
  const CString text{to_cp1252(argument)};
  CSteno steno;
  const int result = steno.SetString(text, grandjean);
  if (result == 0) return steno;
  report_unreadable(command, text, result, grandjean);
  return std::nullopt;
}

// Strokes with no key are left out, as the outline's own text forms leave
// them out.
CString write_spaced(const CSteno& steno, int grandjean) {
  CString text;
  for (int i = 0; i < steno.GetStrokeCount(); ++i) {
    if (steno[i].IsEmpty()) continue;
    if (!text.IsEmpty()) text += '/';
    text += steno[i].GetStrSpaced(grandjean);
  }
  return text;
}

CString write_outline(const CSteno& steno, Notation notation, int grandjean) {
  switch (notation) {
    case Notation::spaced:
      return write_spaced(steno, grandjean);
    case Notation::rtf:
      return steno.GetStrRtf(grandjean);
    case Notation::hex:
      return steno.GetStrHex();
    case Notation::plain:
      break;
  }
  return steno.GetStrDisplay(grandjean);
}

Notation find_notation(std::string_view name) {
  for (const NotationName& n : notations)
    if (name == n.name) return n.notation;
  return Notation::plain;
}

int run_show(const ShowOptions& options) {
  const int grandjean = options.grandjean ? 1 : 0;
  const Notation notation = find_notation(options.notation);
  int status = exit_ok;
  for (const std::string& argument : options.outlines) {
    const std::optional<CSteno> steno = read_outline("show", argument, grandjean);
    if (!steno) {
      status = exit_bad_input;
      continue;
    }
    std::cout << printable(write_outline(*steno, notation, grandjean)) << '\n';
  }
  return status;
}

std::string hex_byte(BYTE b) {
  constexpr std::string_view digits = "0123456789ABCDEF";
  return {digits[b >> 4], digits[b & 0x0F]};
}

int hex_digit_value(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -1;
}

// A word is a run of byte pairs, "0x" in front or not.
bool append_hex_word(std::string_view word, std::vector<BYTE>& bytes) {
  std::string_view digits = word;
  if (digits.starts_with("0x") || digits.starts_with("0X")) digits.remove_prefix(2);
  if (digits.empty() || digits.size() % 2 != 0) {
    complain("decode") << "\"" << word << "\" is not a whole number of hex bytes\n";
    return false;
  }
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    const int high = hex_digit_value(digits[i]);
    const int low = hex_digit_value(digits[i + 1]);
    if (high < 0 || low < 0) {
      complain("decode") << "\"" << word << "\" is not a run of hex bytes\n";
      return false;
    }
    bytes.push_back(static_cast<BYTE>(high << 4 | low));
  }
  return true;
}

// Words may stand one an argument ("C0" "C8") or several in one ("C0 C8").
std::optional<std::vector<BYTE>> parse_hex_bytes(const std::vector<std::string>& arguments) {
  constexpr std::string_view blanks = " \t\n";
  std::vector<BYTE> bytes;
  for (const std::string& argument : arguments) {
    std::string_view rest = argument;
    for (std::size_t start = rest.find_first_not_of(blanks); start != std::string_view::npos;
         start = rest.find_first_not_of(blanks)) {
      rest.remove_prefix(start);
      const std::string_view word = rest.substr(0, rest.find_first_of(blanks));
      rest.remove_prefix(word.size());
      if (!append_hex_word(word, bytes)) return std::nullopt;
    }
  }
  return bytes;
}

// Each stroke as it comes, so that a pipe from a live writer shows it then.
int run_decode(const DecodeOptions& options) {
  const CWriterStream::Protocol protocol = find_writer(options.writer);
  WriterOutput out;
  out.stroke = [](const CStroke& stroke) {
    std::cout << printable(stroke.GetStrCompressed(0)) << ' ' << printable(stroke.GetStrHex())
              << std::endl;
  };
  out.skip = [](const CWriterStream::Skip& skip) {
    std::cout.flush();
    complain("decode") << describe_skip(skip) << '\n';
  };
  if (!options.from_capture) {
    const std::optional<std::vector<BYTE>> bytes = parse_hex_bytes(options.hex_bytes);
    if (!bytes) return exit_bad_input;
    read_writer_bytes(*bytes, protocol, out);
  } else if (std::string why; !read_writer_capture(options.capture, protocol, out, why)) {
    complain("decode") << "cannot read the capture: " << why << '\n';
    return exit_bad_input;
  }
  return writer_input_status(out);
}

int run_encode(const EncodeOptions& options) {
  int status = exit_ok;
  for (const std::string& argument : options.outlines) {
    const std::optional<CSteno> steno = read_outline("encode", argument, 0);
    if (!steno) {
      status = exit_bad_input;
      continue;
    }
    std::vector<BYTE> packets(sten8000_packet_size * steno->GetStrokeCount());
    steno->GetSten8000(packets.data());
    std::string line;
    for (const BYTE b : packets) line += (line.empty() ? "" : " ") + hex_byte(b);
    std::cout << line << '\n';
  }
  return status;
}

std::vector<std::string> notation_names() {
  std::vector<std::string> names;
  for (const NotationName& n : notations) names.emplace_back(n.name);
  return names;
}

constexpr const char* outline_help =
    "Outlines in the plain notation, strokes joined by '/' (KAT/-S); put -- before "
    "the first outline when it begins with a hyphen";

void add_show(CLI::App& group, int& status) {
  auto options = std::make_shared<ShowOptions>();
  CLI::App* show = group.add_subcommand("show", "Write outlines in a stroke notation, one a line");
  CLI::Option* grandjean = show->add_flag(
      "--grandjean", options->grandjean,
      "Read and write for the French Grandjean keyboard, or with --grandjean=false for the "
      "English one; without the flag the GrandJean setting decides");
  show->add_option("--format", options->notation, "Notation to write")
      ->transform(CLI::IsMember(notation_names(), CLI::ignore_case))
      ->type_name("NOTATION")
      ->default_str("plain");
  show->add_option("OUTLINE", options->outlines, outline_help)->required();
  show->callback([options, grandjean, &status] {
    if (grandjean->count() == 0) options->grandjean = grandjean_setting() != 0;
    status = run_show(*options);
  });
}

void add_decode(CLI::App& group, int& status) {
  auto options = std::make_shared<DecodeOptions>();
  CLI::App* decode = group.add_subcommand(
      "decode",
      "Cut writer bytes into strokes as they would come down the line, and print one stroke a "
      "line with its hex form; bytes the writer's protocol cannot place are skipped, and said "
      "on standard error with their offset");
  decode->add_option("--writer", options->writer, "Steno writer that sent the bytes")
      ->required()
      ->transform(CLI::IsMember(writer_names(), CLI::ignore_case))
      ->type_name("WRITER");
  CLI::Option* capture =
      decode
          ->add_option("--file", options->capture,
                       "Capture of the writer's bytes; - reads standard input as it comes")
          ->type_name("CAPTURE");
  CLI::Option* hex_bytes =
      decode->add_option("HEXBYTES", options->hex_bytes, "Bytes in hex: C0 C8 C4 C1 or c0c8c4c1");
  capture->excludes(hex_bytes);
  decode->callback([options, capture, hex_bytes, &status] {
    options->from_capture = capture->count() > 0;
    if (!options->from_capture && hex_bytes->count() == 0)
      throw CLI::RequiredError("--file CAPTURE or HEXBYTES");
    status = run_decode(*options);
  });
}

void add_encode(CLI::App& group, int& status) {
  auto options = std::make_shared<EncodeOptions>();
  CLI::App* encode =
      group.add_subcommand("encode", "Print the writer packets of outlines in hex, one a line");
  encode->add_option("--writer", options->writer, "Steno writer to write packets for")
      ->required()
      ->transform(CLI::IsMember({encodable_writer}, CLI::ignore_case))
      ->type_name("WRITER");
  encode->add_option("OUTLINE", options->outlines, outline_help)->required();
  encode->callback([options, &status] { status = run_encode(*options); });
}

}  // namespace

void add_stroke_commands(CLI::App& app, int& status) {
  CLI::App* group = app.add_subcommand("stroke", "Steno strokes: notations and writer packets");
  group->require_subcommand(1);
  add_show(*group, status);
  add_decode(*group, status);
  add_encode(*group, status);
}

}  // namespace kelm_cli
