#include "settings/translator_settings.h"

#include <dlfcn.h>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <string>
#include <vector>

#include "platform/file.h"
#include "settings/scratch_folder.h"

// The largest block asked of operator new, to show that a damaged count was
// refused before its announced size was allocated.
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

// The exception's cause, or -1 when the load went through.
int read_archive(Bytes bytes, CTranslatorSettings& r) {
  CMemFile file(reinterpret_cast<BYTE*>(bytes.data()), static_cast<UINT>(bytes.size()));
  CArchive ar(&file, CArchive::load);
  try {
    r.Serialize(ar, 0);
  } catch (const CArchiveException& e) {
    return e.m_cause;
  }
  return -1;
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
    EXPECT_EQ(-1, read_archive(archive_bytes(r), from_archive)) << describe(r);
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
// not read whole leaves the object as it was.
TEST(TranslatorSettings, HostileInputIsRefusedAndChangesNothing) {
  const struct {
    const char* what;
    bool archive;
    int version;
    Bytes bytes;
  } cases[] = {
      {"count 11", false, 77, "\x0B" + Bytes(200, '\0')},
      {"count 200", false, 77, "\xC8" + Bytes(4000, '\0')},
      {"4-byte count 200", false, 76, dword(200) + Bytes(4000, '\0')},
      {"name of 2 GiB", false, 77, "\x01" + dword(0x7FFFFFFF) + "abc"},
      {"name of 4 GiB", false, 77, "\x01" + dword(0xFFFFFFFF) + "abc"},
      {"final name of 2 GiB", false, 77, Bytes(1, 0) + dword(0) + Bytes(1, 0) + dword(0x7FFFFFFF)},
      {"archive count 200", true, 0, "\xC8" + Bytes(4000, '\0')},
      {"archive name of 2 GiB", true, 0, Bytes("\x01\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 8) + "abc"},
  };
  for (const auto& c : cases) {
    CTranslatorSettings r = sentinel;
    g_largest_request = 0;
    if (c.archive)
      EXPECT_NE(-1, read_archive(c.bytes, r)) << c.what;
    else
      EXPECT_FALSE(read_stream(c.bytes, c.version, r)) << c.what;
    EXPECT_LT(g_largest_request.load(), 1u << 20) << c.what;
    EXPECT_EQ(describe(sentinel), describe(r)) << c.what;
  }
}

TEST(TranslatorSettings, EveryCutOfARecordIsRefusedInBothLayouts) {
  const Bytes stream = stream_bytes(full_record());
  const Bytes archive = archive_bytes(full_record());
  for (size_t cut = 0; cut < stream.size(); ++cut) {
    CTranslatorSettings r = sentinel;
    EXPECT_FALSE(read_stream(stream.substr(0, cut), 77, r)) << "stream cut at " << cut;
    EXPECT_EQ(describe(sentinel), describe(r)) << "stream cut at " << cut;
  }
  for (size_t cut = 0; cut < archive.size(); ++cut) {
    CTranslatorSettings r = sentinel;
    EXPECT_EQ(CArchiveException::endOfFile, read_archive(archive.substr(0, cut), r)) << cut;
    EXPECT_EQ(describe(sentinel), describe(r)) << "archive cut at " << cut;
  }
}

// A count the host set past the ten slots once made the writers read
// beyond them.
TEST(TranslatorSettings, RecordWithMoreThanTenEntriesIsNotWritten) {
  CTranslatorSettings r = full_record();
  r.nameCount = 11;
  IStream* stream = SHCreateMemStream(nullptr, 0);
  EXPECT_FALSE(r.Serialize(stream, 77, 1));
  ULARGE_INTEGER size{};
  stream->Seek(LARGE_INTEGER{0}, STREAM_SEEK_END, &size);
  EXPECT_EQ(0u, size.QuadPart);
  stream->Release();
  EXPECT_THROW(archive_bytes(r), CArchiveException);
}

TEST(TranslatorSettings, FailedStreamWriteIsReported) {
  ScratchFolder folder;
  const std::string path = folder.path("settings.bin");
  std::ofstream(path).put('\0');
  IStream* stream = nullptr;
  ASSERT_EQ(S_OK, SHCreateStreamOnFileA(path.c_str(), STGM_READ, &stream));
  EXPECT_FALSE(full_record().Serialize(stream, 77, 1));
  stream->Release();
}

}  // namespace
