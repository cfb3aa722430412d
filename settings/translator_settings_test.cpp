#include "settings/translator_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file.h"
#include "testing/largest_allocation.h"
#include "testing/scratch_folder.h"

namespace {

using Bytes = std::string;

// Every field, the unused slots included.
std::string describe(const CTranslatorSettings& r) {
  std::string text = std::to_string(r.nameCount) + " " + std::to_string(r.option) + " " +
                     std::to_string(r.extraPresent) + " " + std::string(r.extraName.View()) + "=" +
                     std::to_string(r.extraValue) + " " + std::string(r.finalName.View());
  for (int i = 0; i < 10; ++i)
    text += " " + std::string(r.names[i].View()) + "=" + std::to_string(r.values[i]);
  return text;
}

CTranslatorSettings record(std::vector<std::pair<Bytes, DWORD>> entries, BOOL extraPresent,
                           const Bytes& extraName, BYTE option, const Bytes& finalName) {
  CTranslatorSettings r;
  r.nameCount = static_cast<BYTE>(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    r.names[i] = CString(entries[i].first);
    r.values[i] = entries[i].second;
  }
  r.extraPresent = extraPresent;
  r.extraName = CString(extraName);
  r.extraValue = extraPresent ? 0x80000001 : 0;
  r.option = option;
  r.finalName = CString(finalName);
  return r;
}

CTranslatorSettings full_record() {
  std::vector<std::pair<Bytes, DWORD>> entries;
  for (DWORD i = 0; i < 10; ++i) entries.push_back({"name" + std::to_string(i), 0xFFFFFFF0 + i});
  return record(entries, TRUE, "extra", 0xFF, "final");
}

// Something in every field, to show that a refused read changes nothing.
const CTranslatorSettings sentinel = record({{"k0", 1}, {"k1", 2}}, TRUE, "kx", 0x5A, "kf");

Bytes stream_bytes(CTranslatorSettings r) {
  IStream* stream = SHCreateMemStream(nullptr, 0);
  EXPECT_TRUE(r.Serialize(stream, 77, 1)) << describe(r);
  stream->Seek(LARGE_INTEGER{0}, STREAM_SEEK_SET, nullptr);
  Bytes bytes(100000, '\0');
  ULONG got = 0;
  stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &got);
  stream->Release();
  return bytes.substr(0, got);
}

bool read_stream(const Bytes& bytes, int version, CTranslatorSettings& r) {
  IStream* stream = SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()),
                                      static_cast<UINT>(bytes.size()));
  const bool ok = r.Serialize(stream, version, 0);
  stream->Release();
  return ok;
}

Bytes archive_bytes(CTranslatorSettings r) {
  CMemFile file;
  CArchive ar(&file, CArchive::store);
  r.Serialize(ar, 0);
  ar.Close();
  Bytes bytes(file.GetLength(), '\0');
  file.SeekToBegin();
  file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
  return bytes;
}

// False when the load throws, as it must for a record it refuses.
bool read_archive(Bytes bytes, CTranslatorSettings& r) {
  CMemFile file(reinterpret_cast<BYTE*>(bytes.data()), static_cast<UINT>(bytes.size()));
  CArchive ar(&file, CArchive::load);
  try {
    r.Serialize(ar, 0);
  } catch (const CArchiveException&) {
    return false;
  }
  return true;
}

Bytes dword(DWORD n) { return Bytes{char(n), char(n >> 8), char(n >> 16), char(n >> 24)}; }
Bytes counted(const Bytes& text) { return dword(static_cast<DWORD>(text.size())) + text; }

TEST(TranslatorSettings, RecordsRoundTripInBothLayouts) {
  Bytes high;
  for (int b = 128; b < 256; ++b) high += static_cast<char>(b);
  const CTranslatorSettings records[] = {
      CTranslatorSettings(),
      record({{"only", 1}}, FALSE, "", 0, "Final"),
      full_record(),
      record({{high, 3}, {Bytes(300, 'n'), 4}}, TRUE, high, 0x80, Bytes(70000, 'f')),
  };
  for (const CTranslatorSettings& r : records) {
    CTranslatorSettings from_stream, from_archive;
    EXPECT_TRUE(read_stream(stream_bytes(r), 77, from_stream)) << describe(r);
    EXPECT_EQ(describe(r), describe(from_stream));
    EXPECT_TRUE(read_archive(archive_bytes(r), from_archive)) << describe(r);
    EXPECT_EQ(describe(r), describe(from_archive));
  }
}

// The list goes last entry first, and a bare record is ten bytes and its
// final name.
TEST(TranslatorSettings, WritesTheStreamLayoutByteForByte) {
  EXPECT_EQ(Bytes(1, 2) + counted("bc") + dword(6) + counted("a") + dword(5) + dword(1) +
                counted("x") + dword(0x80000001) + "\x09" + counted("f"),
            stream_bytes(record({{"a", 5}, {"bc", 6}}, TRUE, "x", 9, "f")));
  for (const size_t length : {0, 300})
    EXPECT_EQ(10 + length, stream_bytes(record({}, FALSE, "", 0, Bytes(length, 'z'))).size());
}

TEST(TranslatorSettings, StreamsBeforeVersion77HoldCountAndOptionInFourBytes) {
  const Bytes entries =
      counted("c") + dword(30) + counted("b") + dword(20) + counted("a") + dword(10) + dword(0);
  const CTranslatorSettings want = record({{"a", 10}, {"b", 20}, {"c", 30}}, FALSE, "", 1, "z");
  for (const int version : {0, 76}) {
    CTranslatorSettings r;
    EXPECT_TRUE(read_stream(dword(3) + entries + dword(1) + counted("z"), version, r)) << version;
    EXPECT_EQ(describe(want), describe(r)) << version;
  }
}

// Counts and lengths come from the file: a damaged one must neither write
// past the ten slots nor allocate what it announces, and a record that does
// not read whole, cut anywhere, leaves the object as it was.
TEST(TranslatorSettings, HostileInputIsRefusedAndChangesNothing) {
  struct hostile {
    std::string what;
    bool archive;
    int version;
    Bytes bytes;
  };
  std::vector<hostile> cases = {
      {"count 11", false, 77, "\x0B" + Bytes(200, '\0')},
      {"4-byte count 200", false, 76, dword(200) + Bytes(4000, '\0')},
      {"name of 2 GiB", false, 77, "\x01" + dword(0x7FFFFFFF) + "abc"},
      {"name of 4 GiB", false, 77, "\x01" + dword(0xFFFFFFFF) + "abc"},
      {"final name of 2 GiB", false, 77, Bytes(1, 0) + dword(0) + Bytes(1, 0) + dword(0x7FFFFFFF)},
      {"count 200", true, 0, "\xC8" + Bytes(4000, '\0')},
      {"name of 2 GiB", true, 0, Bytes("\x01\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 8) + "abc"}};
  for (const bool archive : {false, true}) {
    const Bytes whole = archive ? archive_bytes(full_record()) : stream_bytes(full_record());
    for (size_t cut = 0; cut < whole.size(); ++cut)
      cases.push_back({"cut at " + std::to_string(cut), archive, 77, whole.substr(0, cut)});
  }
  for (const auto& c : cases) {
    const std::string in = (c.archive ? "archive " : "stream ") + c.what;
    CTranslatorSettings r = sentinel;
    LargestAllocation::Watch();
    EXPECT_FALSE(c.archive ? read_archive(c.bytes, r) : read_stream(c.bytes, c.version, r)) << in;
    EXPECT_LT(LargestAllocation::Get(), 1u << 20) << in;
    EXPECT_EQ(describe(sentinel), describe(r)) << in;
  }
}

// A count the host set past the ten slots once made the writers read beyond
// them; a stream that fails must not be reported as written.
TEST(TranslatorSettings, RecordsThatCannotBeWrittenAreRefused) {
  CTranslatorSettings r = full_record();
  r.nameCount = 11;
  IStream* stream = SHCreateMemStream(nullptr, 0);
  EXPECT_FALSE(r.Serialize(stream, 77, 1));
  ULARGE_INTEGER size{};
  stream->Seek(LARGE_INTEGER{0}, STREAM_SEEK_END, &size);
  EXPECT_EQ(0u, size.QuadPart);
  stream->Release();
  EXPECT_THROW(archive_bytes(r), CArchiveException);

  ScratchFolder folder;
  WriteWholeFile(folder.path("settings.bin"), std::string(1, '\0'));
  ASSERT_EQ(S_OK, SHCreateStreamOnFileA(folder.path("settings.bin").c_str(), STGM_READ, &stream));
  EXPECT_FALSE(full_record().Serialize(stream, 77, 1));
  stream->Release();
}

}  // namespace
