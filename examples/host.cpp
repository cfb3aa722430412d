// A realtime host of KelmLib in a few dozen lines: reads an RTF/CRE or JSON
// steno dictionary, translates the steno typed on standard input (a stroke or an
// outline a line, in the plain notation) and shows each stroke's text at
// once, correcting it as later strokes change it. Against an installed
// KelmLib:
//
//   c++ -std=c++20 host.cpp $(pkg-config --cflags --libs kelm) -o host
//   ./host sample.rtf
//
// A correction goes back to the start of the row where the first changed
// character stands (up a row for each line break taken back), erases to the
// end of the screen and writes that row anew. Rows wider than the terminal
// would need counting, which `kelm translate` does.
#include <kelm/kelm.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>

// The translator's text is Windows-1252 with escapes for what that cannot
// hold (emoji); the terminal's is UTF-8.
std::string utf8(std::string_view text) { return readable_text::ToUtf8(text); }

// `shown` is what the screen holds; the edit is applied to both.
void show(std::string& shown, const CTranslator::Edit& edit) {
  const std::size_t from = shown.size() - static_cast<std::size_t>(edit.nTakeBack);
  const auto up = std::count(shown.begin() + from, shown.end(), '\n');
  shown.resize(from);
  shown += edit.text.View();
  if (edit.nTakeBack == 0) {
    std::printf("%s", utf8(edit.text.View()).c_str());
  } else {
    // After the last line break before `from`; npos + 1 is 0.
    const std::size_t row_start = from == 0 ? 0 : shown.rfind('\n', from - 1) + 1;
    if (up > 0) std::printf("\r\x1b[%ldA", static_cast<long>(up));
    std::printf("\r\x1b[J%s", utf8(std::string_view(shown).substr(row_start)).c_str());
  }
  std::fflush(stdout);
}

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: host DICTIONARY.rtf < STENO\n");
    return 2;
  }
  CStenoDictionary dictionary;
  if (const long rc = dictionary.Read(argv[1]); rc != 0) {
    std::fprintf(stderr, "host: %s: %s\n", argv[1], dictionary.GetErrorText(rc).GetString());
    return 1;
  }
  CTranslator translator;
  translator.AddDictionary(&dictionary);
  std::string shown;
  for (std::string line; std::getline(std::cin, line);) {
    CSteno outline;
    // A line that is not steno rings the bell: a message would land amid
    // the text.
    if (outline.SetString(line.c_str(), 0) != 0) {
      std::printf("\a");
      continue;
    }
    for (int i = 0; i < outline.GetStrokeCount(); ++i)
      show(shown, translator.AddStroke(outline[i]));
  }
  show(shown, translator.Finish());
}
