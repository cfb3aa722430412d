// `kelm stroke ...`: strokes and outlines in their text notations and in
// the packets of the steno writers.
#pragma once

#include <kelm/kelm.h>
#include <CLI/CLI.hpp>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelm_cli {

// A steno writer's packets: how many bytes each holds and the CStroke setter
// that reads one.
struct WriterFormat {
  const char* name;
  std::size_t packet_size;
  void (CStroke::*read_packet)(const BYTE*);
};

// The writer of that name, as the --writer options accept it; the first
// writer for a name that is none.
const WriterFormat& find_writer(std::string_view name);
std::vector<std::string> writer_names();

// The whole of a capture file of writer bytes; when it cannot be read,
// nothing, and the reason in UTF-8 in `why`.
std::optional<std::vector<BYTE>> read_capture(const std::string& path, std::string& why);

// Adds the `stroke` group to the app. The command that the parse selects
// runs at the end of the parse and leaves its ExitStatus in `status`.
void add_stroke_commands(CLI::App& app, int& status);

}  // namespace kelm_cli
