#include "settings/translator_settings.h"

#include <dlfcn.h>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <string>
#include <vector>

#include "platform/archive.h"
#include "platform/file.h"
#include "platform/stream.h"
#include "settings/scratch_folder.h"

// The largest block asked of operator new, so that a test can show that a
// damaged count was refused before its announced size was allocated. The
// real operator new (the sanitizer's or the C++ library's) does the work.
std::atomic<size_t> g_largest_request{0};

void* operator new(size_t n) {
  static const auto next = reinterpret_cast<void* (*)(size_t)>(dlsym(RTLD_NEXT, "_Znwm"));
  size_t largest = g_largest_request.load();
  while (n > largest && !g_largest_request.compare_exchange_weak(largest, n)) {
  }
  return next(n);
}

namespace {

using Bytes = std::string;

// Every field, the unused slots included, so that a comparison also shows
// what a read left alone.
std::string describe(const CTranslatorSettings& r) {
  std::string text = "count " + std::to_string(r.nameCount) + " option " +
                     std::to_string(r.option) + " extra " + std::to_string(r.extraPresent) + " " +
                     std::string(r.extraName.View()) + "=" + std::to_string(r.extraValue) +
                     " final " + std::string(r.finalName.View()) + " |";
  for (int i = 0; i < 10; ++i)
    text += " " + std::string(r.names[i].View()) + "=" + std::to_string(r.values[i]);
  return text;
}

CTranslatorSettings record(std::vector<std::pair<std::string, DWORD>> entries, BOOL extraPresent,
                           const std::string& extraName, DWORD extraValue, BYTE option,
                           const std::string& finalName) {
  CTranslatorSettings r;
  r.nameCount = static_cast<BYTE>(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    r.names[i] = CString(entries[i].first);
    r.values[i] = entries[i].second;
  }
  r.extraPresent = extraPresent;
  r.extraName = CString(extraName);
  r.extraValue = extraValue;
  r.option = option;
  r.finalName = CString(finalName);
  return r;
}

// Something in every field, to show that a refused read changes nothing.
CTranslatorSettings sentinel() {
  return record({{"keep0", 100}, {"keep1", 101}, {"keep2", 102}}, TRUE, "keepx", 7, 0x5A, "keepf");
}

CTranslatorSettings full_record() {
  std::vector<std::pair<std::string, DWORD>> entries;
  for (int i = 0; i < 10; ++i)
    entries.push_back({"name" + std::to_string(i), static_cast<DWORD>(0xFFFFFFF0u + i)});
  return record(entries, TRUE, "extra", 0x80000000, 0xFF, "final");
}

Bytes read_all(IStream* stream) {
  stream->Seek(LARGE_INTEGER{0}, STREAM_SEEK_SET, nullptr);
  Bytes bytes;
  char chunk[256];
  ULONG got = 0;
  while (SUCCEEDED(stream->Read(chunk, sizeof chunk, &got)) && got > 0) bytes.append(chunk, got);
  return bytes;
}

Bytes stream_bytes(CTranslatorSettings r) {
  IStream* stream = SHCreateMemStream(nullptr, 0);
  EXPECT_TRUE(r.Serialize(stream, 77, 1)) << describe(r);
  Bytes bytes = read_all(stream);
  stream->Release();
  return bytes;
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
  {
    CArchive ar(&file, CArchive::store);
    r.Serialize(ar, 0);
    ar.Close();
  }
  Bytes bytes(file.GetLength(), '\0');
  file.SeekToBegin();
  file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
  return bytes;
}

// The exception's cause, or -1 when the load went through.
int read_archive(const Bytes& bytes, CTranslatorSettings& r) {
  std::vector<BYTE> memory(bytes.begin(), bytes.end());
  CMemFile file(memory.data(), static_cast<UINT>(memory.size()));
  CArchive ar(&file, CArchive::load);
  try {
    r.Serialize(ar, 0);
  } catch (const CArchiveException& e) {
    return e.m_cause;
  }
  return -1;
}

Bytes dword(DWORD n) {
  return {static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16),
          static_cast<char>(n >> 24)};
}

Bytes counted(const std::string& text) { return dword(static_cast<DWORD>(text.size())) + text; }

TEST(TranslatorSettings, RecordsRoundTripInBothLayouts) {
  std::string high;
  for (int b = 128; b < 256; ++b) high += static_cast<char>(b);
  const CTranslatorSettings records[] = {
      CTranslatorSettings(),
      record({{"only", 1}}, FALSE, "", 0, 0, "Final"),
      full_record(),
      record({{"a", 0}, {"", 2}}, TRUE, "", 0xFFFFFFFF, 1, ""),
      record({{high, 3}, {std::string(300, 'n'), 4}}, TRUE, high, 9, 0x80, std::string(70000, 'f')),
  };
  for (const CTranslatorSettings& r : records) {
    CTranslatorSettings from_stream;
    EXPECT_TRUE(read_stream(stream_bytes(r), 77, from_stream)) << describe(r);
    EXPECT_EQ(describe(r), describe(from_stream));
    CTranslatorSettings from_archive;
    EXPECT_EQ(-1, read_archive(archive_bytes(r), from_archive)) << describe(r);
    EXPECT_EQ(describe(r), describe(from_archive));
  }
}

// The list goes last entry first and comes back to the same indices.
TEST(TranslatorSettings, WritesEachLayoutByteForByte) {
  const CTranslatorSettings r = record({{"a", 1}, {"bc", 0x01020304}}, TRUE, "x", 5, 9, "f");
  EXPECT_EQ(Bytes("\x02", 1) + counted("bc") + dword(0x01020304) + counted("a") + dword(1) +
                dword(1) + counted("x") + dword(5) + "\x09" + counted("f"),
            stream_bytes(r));
  EXPECT_EQ(Bytes("\x02\x02"
                  "bc\x04\x03\x02\x01"
                  "\x01"
                  "a\x01\x00\x00\x00"
                  "\x01\x00\x00\x00"
                  "\x01"
                  "x\x05\x00\x00\x00"
                  "\x09\x01"
                  "f",
                  27),
            archive_bytes(r));
}

TEST(TranslatorSettings, MinimalRecordTakesTenBytesAndItsFinalName) {
  for (const size_t length : {0, 1, 255, 300}) {
    const std::string final_name(length, 'z');
    EXPECT_EQ(1 + 4 + 1 + 4 + length, stream_bytes(record({}, FALSE, "", 0, 0, final_name)).size())
        << length;
  }
}

TEST(TranslatorSettings, StreamsBeforeVersion77HoldCountAndOptionInFourBytes) {
  const Bytes entries = counted("third") + dword(30) + counted("second") + dword(20) +
                        counted("first") + dword(10) + dword(0);
  const struct {
    int version;
    Bytes bytes;
  } cases[] = {
      {76, dword(3) + entries + dword(1) + counted("end")},
      {0, dword(3) + entries + dword(1) + counted("end")},
      // Only the low byte is the field.
      {76, dword(0x103) + entries + dword(0xFF01) + counted("end")},
      {77, "\x03" + entries + "\x01" + counted("end")},
      {1000, "\x03" + entries + "\x01" + counted("end")},
  };
  for (const auto& c : cases) {
    CTranslatorSettings r;
    ASSERT_TRUE(read_stream(c.bytes, c.version, r)) << c.version;
    EXPECT_EQ(
        describe(record({{"first", 10}, {"second", 20}, {"third", 30}}, FALSE, "", 0, 1, "end")),
        describe(r))
        << c.version;
  }
}

// Slots past the count and an absent extra entry are not in the layout.
TEST(TranslatorSettings, ReadingLeavesFieldsOutsideTheLayoutAlone) {
  CTranslatorSettings r = sentinel();
  ASSERT_TRUE(read_stream(stream_bytes(record({{"new", 1}}, FALSE, "", 0, 2, "f")), 77, r));
  CTranslatorSettings want = sentinel();
  want.nameCount = 1;
  want.names[0] = "new";
  want.values[0] = 1;
  want.extraPresent = FALSE;
  want.option = 2;
  want.finalName = "f";
  EXPECT_EQ(describe(want), describe(r));
}

TEST(TranslatorSettings, StreamTextEndsAtAZeroByteAndTheRestStillReads) {
  CTranslatorSettings r;
  ASSERT_TRUE(read_stream(
      "\x01" + counted(std::string("a\0b", 3)) + dword(4) + dword(0) + "\x06" + counted("end"), 77,
      r));
  EXPECT_EQ(describe(record({{"a", 4}}, FALSE, "", 0, 6, "end")), describe(r));
}

// Counts and lengths come from the file: a damaged one must neither write
// past the ten slots nor allocate what it announces, and a refused record
// leaves the object as it was.
TEST(TranslatorSettings, HostileStreamsAreRefusedAndChangeNothing) {
  const Bytes tail = dword(0) + Bytes(1, '\0') + counted("f");
  const struct {
    const char* what;
    int version;
    Bytes bytes;
  } cases[] = {
      {"empty", 77, ""},
      {"count 11", 77, "\x0B" + std::string(200, '\0')},
      {"count 200", 77, "\xC8" + std::string(4000, '\0')},
      {"4-byte count 200", 76, dword(200) + std::string(4000, '\0')},
      {"name of 2 GiB", 77, "\x01" + dword(0x7FFFFFFF) + "abc"},
      {"name of 4 GiB", 77, "\x01" + dword(0xFFFFFFFF) + "abc"},
      {"extra name of 2 GiB", 77, Bytes(1, '\0') + dword(1) + dword(0x7FFFFFFF) + "abc"},
      {"final name of 2 GiB", 77, Bytes(1, '\0') + dword(0) + Bytes(1, '\0') + dword(0x7FFFFFFF)},
      {"final name one byte short", 77,
       Bytes(1, '\0') + dword(0) + Bytes(1, '\0') + dword(4) + "abc"},
      {"old layout read as new", 77, dword(1) + counted("x") + dword(0) + tail},
  };
  for (const auto& c : cases) {
    CTranslatorSettings r = sentinel();
    g_largest_request = 0;
    EXPECT_FALSE(read_stream(c.bytes, c.version, r)) << c.what;
    EXPECT_LT(g_largest_request.load(), 1u << 20) << c.what;
    EXPECT_EQ(describe(sentinel()), describe(r)) << c.what;
  }
}

TEST(TranslatorSettings, EveryCutOfARecordIsRefusedInBothLayouts) {
  const Bytes stream = stream_bytes(full_record());
  const Bytes archive = archive_bytes(full_record());
  for (size_t cut = 0; cut < stream.size(); ++cut) {
    CTranslatorSettings r = sentinel();
    EXPECT_FALSE(read_stream(stream.substr(0, cut), 77, r)) << "stream cut at " << cut;
    EXPECT_EQ(describe(sentinel()), describe(r)) << "stream cut at " << cut;
  }
  for (size_t cut = 0; cut < archive.size(); ++cut) {
    CTranslatorSettings r = sentinel();
    EXPECT_EQ(CArchiveException::endOfFile, read_archive(archive.substr(0, cut), r))
        << "archive cut at " << cut;
    EXPECT_EQ(describe(sentinel()), describe(r)) << "archive cut at " << cut;
  }
}

TEST(TranslatorSettings, HostileArchivesThrowAndChangeNothing) {
  const struct {
    const char* what;
    Bytes bytes;
    int cause;
  } cases[] = {
      {"count 11", "\x0B" + std::string(200, '\0'), CArchiveException::badIndex},
      {"count 200", "\xC8" + std::string(4000, '\0'), CArchiveException::badIndex},
      {"name of 2 GiB", Bytes("\x01\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 8) + "abc",
       CArchiveException::endOfFile},
  };
  for (const auto& c : cases) {
    CTranslatorSettings r = sentinel();
    g_largest_request = 0;
    EXPECT_EQ(c.cause, read_archive(c.bytes, r)) << c.what;
    EXPECT_LT(g_largest_request.load(), 1u << 20) << c.what;
    EXPECT_EQ(describe(sentinel()), describe(r)) << c.what;
  }
}

// A count the host set past the ten slots once made the writers read
// beyond them.
TEST(TranslatorSettings, RecordWithMoreThanTenEntriesIsNotWritten) {
  CTranslatorSettings r = full_record();
  r.nameCount = 11;
  IStream* stream = SHCreateMemStream(nullptr, 0);
  EXPECT_FALSE(r.Serialize(stream, 77, 1));
  EXPECT_EQ("", read_all(stream));
  stream->Release();

  CMemFile file;
  CArchive ar(&file, CArchive::store);
  int cause = -1;
  try {
    r.Serialize(ar, 0);
  } catch (const CArchiveException& e) {
    cause = e.m_cause;
  }
  ar.Close();
  EXPECT_EQ(CArchiveException::badIndex, cause);
  EXPECT_EQ(0u, file.GetLength());
}

TEST(TranslatorSettings, FailedStreamWriteIsReported) {
  ScratchFolder folder;
  const std::string path = folder.path("settings.bin");
  std::ofstream(path).put('\0');
  IStream* stream = nullptr;
  ASSERT_EQ(S_OK, SHCreateStreamOnFileA(path.c_str(), STGM_READ, &stream));
  EXPECT_FALSE(full_record().Serialize(stream, 77, 1));
  stream->Release();
  EXPECT_FALSE(CTranslatorSettings().Serialize(nullptr, 77, 1));
}

}  // namespace
