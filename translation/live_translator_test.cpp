#include "translation/live_translator.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "testing/steno_dictionaries.h"
#include "testing/steno_strokes.h"

namespace {

// Joins that need no spelling checker, since each thread would keep one.
const CStenoDictionary& dictionary() {
  static const CStenoDictionary made = dictionary_of({
      {"THE", "the"},
      {"KAT", "cat"},
      {"KAT/-S", "cats"},
      {"PHAEUBG", "make"},
      {"-G", "ing", CTranFlags::Suffix},
      {"-S", "s", CTranFlags::Suffix},
      {"TP-PL", ".", CTranFlags::Suffix | CTranFlags::CapitalizeNext},
      {"PA*R", "{P}", CTranFlags::CapitalizeNext},
  });
  return made;
}

std::string shown(const CTranslator::Edit& edit) {
  return std::to_string(edit.nTakeBack) + ":" + std::string(edit.text.View());
}

TEST(CLiveTranslator, OneEditForAllTheStrokesSinceTheLast) {
  const struct {
    // Strokes, with "|" where the consumer takes an edit.
    const char* strokes;
    std::vector<std::string> edits;
  } cases[] = {
      {"|", {"0:"}},
      {"PHAEUBG -G |", {"0:Making"}},
      {"PHAEUBG | -G | * |", {"0:Make", "1:ing", "3:e"}},
      // Right, if not the least: the consumer's "e" goes and comes back.
      {"PHAEUBG | -G * |", {"0:Make", "1:e"}},
      // Taken back beyond what the consumer was given since.
      {"THE KAT PA*R | * -S |", {"0:The cat\n", "1:s"}},
      {"THE KAT | -S * * |", {"0:The cat", "7:"}},
  };
  for (const auto& c : cases) {
    CLiveTranslator live;
    live.AddDictionary(&dictionary());
    std::vector<std::string> got;
    std::istringstream words{std::string(c.strokes)};
    for (std::string word; words >> word;) {
      if (word == "|")
        got.push_back(shown(live.TakeEdit()));
      else
        live.AddStroke(strokes_of(word).front());
    }
    EXPECT_EQ(c.edits, got) << c.strokes;
  }
}

// One thread writes, another draws as fast as it can: whatever the
// interleaving, what the drawing thread holds is the text at each take.
TEST(CLiveTranslator, ADisplayThreadKeepsUpWithAWriterThread) {
  const std::vector<CStroke> pool = strokes_of("THE KAT -S PHAEUBG -G TP-PL PA*R TKOG *");
  CLiveTranslator live;
  live.AddDictionary(&dictionary());
  std::atomic<bool> done = false;
  std::thread writer([&] {
    std::mt19937 random(7);
    for (int n = 0; n < 20000; ++n) live.AddStroke(pool[random() % pool.size()]);
    live.Finish();
    done = true;
  });
  CString held, text;
  int takes = 0, mismatches = 0;
  for (bool last = false; !last; ++takes) {
    last = done;
    const CTranslator::Edit edit = live.TakeEdit(text);
    if (edit.nTakeBack > held.GetLength()) ++mismatches;
    edit.ApplyTo(held);
    if (held != text) ++mismatches;
  }
  writer.join();
  EXPECT_EQ(0, mismatches) << takes << " takes";
  EXPECT_EQ(live.GetText(), held);
  EXPECT_TRUE(held.View().ends_with('\n'));
}

}  // namespace
