// `kelm stroke ...`: strokes and outlines in their text notations and in
// the packets of the steno writers.
#pragma once

#include <kelm/kelm.h>
#include <CLI/CLI.hpp>

#include <cstddef>
#include <span>

namespace kelm_cli {

// A steno writer's packets: how many bytes each holds and the CStroke setter
// that reads one.
struct WriterFormat {
  const char* name;
  std::size_t packet_size;
  void (CStroke::*read_packet)(const BYTE*);
};

std::span<const WriterFormat> writer_formats();

// Adds the `stroke` group to the app. The command that the parse selects
// runs at the end of the parse and leaves its ExitStatus in `status`.
void add_stroke_commands(CLI::App& app, int& status);

}  // namespace kelm_cli
