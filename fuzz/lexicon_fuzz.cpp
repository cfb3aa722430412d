// Arbitrary bytes as a lexicon file. The first byte chooses the kind: a
// compressed lexicon must be refused whole or decode to words that encode
// back to the same bytes; a suggestion index must be refused or answer, and
// once its checksum is made to match (as a crafted file's would be), must
// keep every search inside its bytes; a text lexicon, whatever a person
// typed into it, must open, answer checks, take a new entry and keep it
// across a reopen.

#include <kelm/kelm.h>

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/spelling/compressed_lexicon.h"
#include "platform/spelling/suggester.h"

namespace {

void require(bool holds) {
  if (!holds) std::abort();
}

void compressed(std::string_view bytes) {
  std::shared_ptr<spelling::compressed_lexicon> lexicon;
  if (spelling::compressed_lexicon::decode(bytes, lexicon) != 0) return;
  std::vector<std::pair<std::string, std::uint8_t>> words;
  for (std::size_t i = 0; i < lexicon->size(); ++i)
    words.emplace_back(std::string(lexicon->word(i)), lexicon->level(i));
  require(spelling::compressed_lexicon::encode(std::move(words), lexicon->language()) == bytes);
}

// The owner fields of an index header, so that the fuzzer's own index is
// taken as this lexicon's.
spelling::index_owner owner_in(std::string_view bytes) {
  spelling::index_owner owner;
  if (bytes.size() < 48) return owner;
  for (int i = 7; i >= 0; --i) {
    owner.checksum = (owner.checksum << 8) | static_cast<unsigned char>(bytes[32 + i]);
    owner.size = (owner.size << 8) | static_cast<unsigned char>(bytes[40 + i]);
  }
  return owner;
}

void search(const spelling::suggester& s) {
  for (const char* typed : {"begining", "teh", "alot", "x", "phonetik", "AAAAAAAAAA"}) {
    for (const bool phonetic : {false, true}) {
      spelling::suggest_options options;
      options.depth = phonetic ? 100 : 10;
      options.phonetic = phonetic;
      s.suggest(typed, options, 10, [](std::string_view) { return true; });
    }
  }
}

void suggestion_index(std::string_view bytes) {
  std::string refusal;
  if (const auto s = spelling::suggester::over(bytes, nullptr, owner_in(bytes), refusal))
    search(*s);
  else
    require(!refusal.empty());
  std::string sealed(bytes);
  spelling::suggester::seal(sealed);
  refusal.clear();
  if (const auto s = spelling::suggester::over(sealed, nullptr, owner_in(sealed), refusal))
    search(*s);
}

const std::string& scratch_lexicon() {
  static const std::string path = "/tmp/kelm_lexicon_fuzz_" + std::to_string(getpid()) + ".tlx";
  return path;
}

void text(std::string_view bytes) {
  const std::string& path = scratch_lexicon();
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), bytes.size());
  const SSCE_S16 session = SSCE_OpenSession();
  require(session >= 0);
  SSCE_S16 lexicon = SSCE_OpenLex(session, path.c_str(), 0);
  require(lexicon >= 0);
  char replacement[64];
  for (const char* word : {"the", "The", "THE", "teh", "x"})
    require(SSCE_CheckWord(session, word, replacement, sizeof replacement) >= 0);
  require(SSCE_AddToLex(session, lexicon, "quendrafuzz", SSCE_IGNORE_ACTION, nullptr) >= 0);
  SSCE_CloseLex(session, lexicon);
  lexicon = SSCE_OpenLex(session, path.c_str(), 0);
  require(lexicon >= 0);
  char other[64];
  require(SSCE_FindLexWord(session, lexicon, "quendrafuzz", other, 63) == SSCE_IGNORE_ACTION);
  SSCE_CloseSession(session);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (data[0] & 1)
    compressed(bytes);
  else if (data[0] & 2)
    suggestion_index(bytes);
  else
    text(bytes);
  return 0;
}
