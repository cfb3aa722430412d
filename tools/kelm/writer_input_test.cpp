#include "writer_input.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A port named without line settings takes the writer's usual ones; one
// that names them keeps them.
TEST(WriterInput, APortWithoutSettingsGetsTheWritersUsualOnes) {
  const struct {
    const char* spec;
    CWriterStream::Protocol protocol;
    const char* want;
  } cases[] = {
      {"/dev/ttyUSB0", CWriterStream::Passport, "/dev/ttyUSB0:38400,n,8,1"},
      {"/dev/ttyUSB0", CWriterStream::ProCAT, "/dev/ttyUSB0:9600,n,8,1"},
      {"/dev/ttyUSB0", CWriterStream::StenturaProtocol, "/dev/ttyUSB0:9600,n,8,1"},
      {"COM3", CWriterStream::GeminiPR, "COM3:9600,n,8,1"},
      {"/dev/ttyUSB0:19200,n,8,1", CWriterStream::Passport, "/dev/ttyUSB0:19200,n,8,1"},
      {"COM1:baud=4800 parity=N data=8 stop=1", CWriterStream::StenturaProtocol,
       "COM1:baud=4800 parity=N data=8 stop=1"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.want, kelm_cli::with_line_settings(c.spec, c.protocol))
        << c.spec << " for " << CWriterStream::GetProtocolName(c.protocol);
}

// The help names every protocol and says whether it is streamed or asked.
TEST(WriterInput, TheHelpSaysHowEachProtocolIsRead) {
  const std::string help = kelm_cli::writer_help();
  for (int p = 0; p < CWriterStream::ProtocolCount; ++p) {
    const auto protocol = static_cast<CWriterStream::Protocol>(p);
    const std::string name = CWriterStream::GetProtocolName(protocol);
    const std::size_t at = help.find("\n  " + name + " ");
    ASSERT_NE(std::string::npos, at) << name;
    const std::string line = help.substr(at + 1, help.find('\n', at + 1) - at - 1);
    EXPECT_NE(std::string::npos,
              line.find(CWriterStream::IsAskedFor(protocol) ? "asked for" : "streamed"))
        << line;
  }
}

}  // namespace
