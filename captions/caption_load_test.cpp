// Two hundred viewers on the loopback while a translator writes twenty
// strokes a second for half a minute, as a lecture's captions would be
// read: one viewer stops reading for five seconds, one is killed and comes
// back, one writes to the server, one brings a wrong token.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "captions/caption_server.h"
#include "dictionary/steno_dictionary.h"
#include "testing/caption_viewer.h"
#include "testing/steno_strokes.h"
#include "testing/user_folder_test.h"
#include "translation/translator.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int viewer_count = 200;
constexpr auto stroke_interval = 50ms;
constexpr auto run_time = 30s;
constexpr auto patience = 20s;

// Words, suffixes that change the word before them, asterisks, and the
// judge's instruction, a block of prepared text the job dictionary holds:
// what it adds while a viewer stops reading is more than the kernel holds.
constexpr const char* lecture =
    "WE WORBG -D TP-PL THE PHAEUBG -G KAT -S * HRAOEUF -S KW-GS RAOEUT TP-PL "
    "EU K SR-PB * SR AUL THA WAS * WR TPOR U TP-PL SKWRAOUR";

std::string job_dictionary() {
  std::string instruction;
  while (instruction.size() < 4000)
    instruction += "You must decide the facts from the evidence received in this trial. ";
  return "{\\rtf1\\ansi{\\*\\cxrev100}\\cxdict{\\*\\cxsystem load test}\n"
         "{\\*\\cxs SKWRAOUR}" +
         instruction + "\n}\n";
}

class CaptionLoad : public UserFolderTest {};

TEST_F(CaptionLoad, TwoHundredViewersEndWithTheTranslatorsText) {
  CStenoDictionary dictionary, job;
  ASSERT_EQ(0, dictionary.Read(KELM_EXAMPLES_DIR "/sample.rtf"));
  WriteWholeFile(m_folder.path("job.rtf"), job_dictionary());
  ASSERT_EQ(0, job.Read(m_folder.path("job.rtf").c_str()));
  ASSERT_EQ(1, job.GetCount());
  CTranslator translator;
  translator.AddDictionary(&dictionary);
  translator.AddDictionary(&job);

  CCaptionServer::Options options;
  options.port = 0;
  options.token = "lecture";
  options.max_connections = viewer_count + 10;
  options.max_per_address = viewer_count + 10;
  options.max_queued_bytes = 4096;
  options.send_buffer_bytes = 4096;
  std::mutex log_mutex;
  std::vector<std::string> log;
  options.log = [&](const std::string& line) {
    const std::lock_guard<std::mutex> lock(log_mutex);
    log.push_back(line);
  };
  CCaptionServer server(options);
  std::string why;
  ASSERT_TRUE(server.Start(why)) << why;
  const std::string stream = "/stream?token=lecture";

  std::vector<std::unique_ptr<CaptionViewer>> viewers;
  for (int i = 0; i < viewer_count; ++i) {
    viewers.push_back(std::make_unique<CaptionViewer>(server.GetPort(), stream, i == 0 ? 2048 : 0));
    ASSERT_TRUE(viewers.back()->IsOpen()) << i << ": " << viewers.back()->Error().message();
  }

  const std::vector<CStroke> strokes = strokes_of(lecture);
  std::atomic<bool> written{false};
  std::string text;
  std::size_t edits = 0;
  std::thread writer([&] {
    const Clock::time_point start = Clock::now();
    for (int i = 0; start + i * stroke_interval < start + run_time; ++i) {
      std::this_thread::sleep_until(start + i * stroke_interval);
      const CTranslator::Edit& edit = translator.AddStroke(strokes[i % strokes.size()]);
      edits += edit.nTakeBack != 0 || !edit.text.IsEmpty();
      server.Post(edit);
    }
    server.Post(translator.Finish());
    text = std::string(translator.GetTextView());
    written = true;
  });

  const Clock::time_point start = Clock::now();
  bool paused = false, resumed = false, killed = false, rejoined = false, wrote = false;
  std::unique_ptr<CaptionViewer> wrong_token;
  while (!written) {
    const auto now = Clock::now() - start;
    if (!paused && now > 5s) {
      viewers[0]->Pause();
      paused = true;
    }
    if (!resumed && now > 10s) {
      viewers[0]->Resume();
      resumed = true;
    }
    if (!killed && now > 12s) {
      viewers[1]->Kill();
      killed = true;
    }
    if (!rejoined && now > 15s) {
      viewers[1] = std::make_unique<CaptionViewer>(server.GetPort(), stream);
      rejoined = true;
    }
    if (!wrote && now > 18s) {
      viewers[2]->Send(64);
      wrong_token = std::make_unique<CaptionViewer>(server.GetPort(), "/stream?token=lectures");
      wrote = true;
    }
    for (const auto& viewer : viewers) viewer->Poll();
    std::this_thread::sleep_for(2ms);
  }
  writer.join();

  ASSERT_TRUE(wrong_token);
  EXPECT_EQ(403u, wrong_token->Status());
  EXPECT_TRUE(viewers[2]->WaitForClose(patience));
  EXPECT_EQ(1008, viewers[2]->CloseCode());
  // Every viewer goes on being polled, as a browser goes on reading, so that
  // it answers the server's pings.
  const auto all_hold_the_text = [&] {
    bool all = true;
    for (int i = 0; i < viewer_count; ++i) {
      viewers[i]->Poll();
      all = all && (i == 2 || viewers[i]->Text() == text);
    }
    return all;
  };
  const Clock::time_point until = Clock::now() + patience;
  while (!all_hold_the_text() && Clock::now() < until) std::this_thread::sleep_for(2ms);
  for (int i = 0; i < viewer_count; ++i) {
    if (i == 2) continue;
    EXPECT_EQ(text, viewers[i]->Text()) << "viewer " << i << ": " << viewers[i]->Error().message();
  }
  // The paused viewer was sent the whole text again instead of its backlog.
  EXPECT_GE(viewers[0]->WholeTexts(), 2u);
  EXPECT_LT(viewers[0]->Messages(), edits);
  EXPECT_EQ(1u, viewers[1]->WholeTexts());
  EXPECT_GT(edits, 300u);
  EXPECT_EQ(viewer_count - 1u, server.GetViewerCount());
  const std::lock_guard<std::mutex> lock(log_mutex);
  std::string lines;
  for (const std::string& line : log) lines += line + "\n";
  EXPECT_EQ(2u, log.size()) << lines;
}

}  // namespace
