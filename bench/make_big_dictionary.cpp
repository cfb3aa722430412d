// Writes the synthetic RTF/CRE dictionary that rtf_bench measures, so that
// the same file can be fed to the kelm command or kept for a profiler.
//
//   make_big_dictionary PATH

#include <cstdio>
#include <string>

#include "big_dictionary.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s PATH\n", argv[0]);
    return 2;
  }
  const std::string text = kelm_bench::MakeBigDictionary();
  std::FILE* file = std::fopen(argv[1], "wb");
  if (file == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  if (std::fclose(file) != 0 || !written) {
    std::perror(argv[1]);
    return 1;
  }
  std::printf("%s: %zu entries, %zu bytes\n", argv[1], kelm_bench::big_dictionary_entries,
              text.size());
  return 0;
}
