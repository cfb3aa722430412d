// Writer bytes from a capture file, standard input or the command line, fed
// to the library's one decoder (CWriterStream) as a serial line's bytes are:
// the strokes as they come, and each run of bytes the decoder skipped.
#pragma once

#include <kelm/kelm.h>

#include <functional>
#include <string>
#include <vector>

namespace kelm_cli {

// The writer protocols that --writer takes, and the one a name it took
// stands for.
std::vector<std::string> writer_names();
CWriterStream::Protocol find_writer(const std::string& name);
// Every protocol, one a line: its name, whether its strokes are streamed or
// asked for, its packets and its usual line speed.
std::string writer_help();
// A port string with the writer's usual line settings added when it names
// none ("/dev/ttyUSB0" -> "/dev/ttyUSB0:38400,n,8,1" for Passport).
std::string with_line_settings(const std::string& spec, CWriterStream::Protocol protocol);

// Where the strokes (stamped with the time they came) and the skips go, and
// how many of each went there.
struct WriterOutput {
  std::function<void(const CStroke&)> stroke;
  std::function<void(const CWriterStream::Skip&)> skip;
  unsigned long strokes = 0;
  unsigned long skips = 0;
};

// Reads the capture at `path` ("-": standard input) to its end. Where the
// input is a pipe or a terminal that falls quiet amid a packet for the
// protocol's quiet time, the decoder is told, as a serial line's reader
// tells it; the end of the input is the line falling quiet for good. False,
// with the reason in `why`, when the capture cannot be opened or read; the
// strokes before the failure have gone out.
bool read_writer_capture(const std::string& path, CWriterStream::Protocol protocol,
                         WriterOutput& out, std::string& why);

// Bytes given whole, then the end of the input.
void read_writer_bytes(const std::vector<BYTE>& bytes, CWriterStream::Protocol protocol,
                       WriterOutput& out);

// "skipped 5 bytes at offset 12"
std::string describe_skip(const CWriterStream::Skip& skip);

// Bytes were skipped and no stroke came through: exit_bad_input; else exit_ok.
int writer_input_status(const WriterOutput& out);

}  // namespace kelm_cli
