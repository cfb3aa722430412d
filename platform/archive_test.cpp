#include "platform/archive.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/array.h"
#include "platform/file.h"
#include "testing/exception_cause.h"
#include "testing/largest_allocation.h"
#include "testing/scratch_folder.h"

namespace {

using Bytes = std::vector<BYTE>;

Bytes Stored(const std::function<void(CArchive&)>& store, int bufferSize = 4096) {
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store, bufferSize);
    store(ar);
    ar.Close();
  }
  Bytes bytes(static_cast<size_t>(file.GetLength()));
  file.SeekToBegin();
  file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
  return bytes;
}

void Load(Bytes bytes, const std::function<void(CArchive&)>& load) {
  CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
  CArchive ar(&file, CArchive::load);
  load(ar);
}

int CauseOf(const std::function<void()>& call) { return ::CauseOf<CArchiveException>(call); }

TEST(CArchiveTest, CountsUseTheShortFormBelow0xFFFF) {
  const struct {
    DWORD_PTR count;
    Bytes want;
  } cases[] = {
      {0, {0x00, 0x00}},
      {0xFFFE, {0xFE, 0xFF}},
      {0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
      {0x10000, {0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00}},
      {0xFFFFFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
  };
  for (const auto& c : cases) {
    const Bytes stored = Stored([&](CArchive& ar) { ar.WriteCount(c.count); });
    EXPECT_EQ(c.want, stored) << c.count;
    Load(stored, [&](CArchive& ar) { EXPECT_EQ(c.count, ar.ReadCount()) << c.count; });
  }
}

TEST(CArchiveTest, StringLengthPrefixGrowsAt255And0xFFFE) {
  const struct {
    int length;
    Bytes wantPrefix;
  } cases[] = {
      {0, {0x00}},
      {254, {0xFE}},
      {255, {0xFF, 0xFF, 0x00}},
      {0xFFFD, {0xFF, 0xFD, 0xFF}},
      {0xFFFE, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
      {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
  };
  for (const auto& c : cases) {
    std::string text(static_cast<size_t>(c.length), '\0');
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>(i * 31);
    const CString string(text);
    const Bytes stored = Stored([&](CArchive& ar) { ar << string; }, 128);
    ASSERT_EQ(c.wantPrefix.size() + text.size(), stored.size()) << c.length;
    EXPECT_EQ(c.wantPrefix, Bytes(stored.begin(), stored.begin() + c.wantPrefix.size()))
        << c.length;
    Load(stored, [&](CArchive& ar) {
      CString back;
      ar >> back;
      EXPECT_EQ(string, back) << c.length;
      EXPECT_EQ(0u, ar.GetBytesLeft()) << c.length;
    });
  }
  // A word length of 0xFFFE, which we never write, is still a length.
  Bytes wordForm = {0xFF, 0xFE, 0xFF};
  wordForm.resize(3 + 0xFFFE, 'x');
  Load(wordForm, [](CArchive& ar) {
    CString back;
    ar >> back;
    EXPECT_EQ(0xFFFE, back.GetLength());
  });
}

struct Numbers {
  BYTE by;
  char ch;
  bool b;
  short s;
  WORD w;
  int i;
  UINT u;
  LONGLONG ll;
  ULONGLONG ull;
  float f;
  double d;
  bool operator==(const Numbers&) const = default;
};

const Numbers kNumbers = {
    0xAB, 'x',  true, -2, 0x1234, -3, 0xDEADBEEF, -0x0102030405060708, 0x1122334455667788,
    1.5f, -2.25};

void StoreNumbers(CArchive& ar) {
  const Numbers& n = kNumbers;
  ar << n.by << n.ch << n.b << n.s << n.w << n.i << n.u << n.ll << n.ull << n.f << n.d;
}

Numbers LoadNumbers(CArchive& ar) {
  Numbers n{};
  ar >> n.by >> n.ch >> n.b >> n.s >> n.w >> n.i >> n.u >> n.ll >> n.ull >> n.f >> n.d;
  return n;
}

TEST(CArchiveTest, NumbersAreLittleEndianOfTheirNaturalSize) {
  const Bytes want = {0xAB, 'x',  0x01, 0xFE, 0xFF, 0x34, 0x12, 0xFD, 0xFF, 0xFF, 0xFF,
                      0xEF, 0xBE, 0xAD, 0xDE, 0xF8, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD,
                      0xFE, 0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11, 0x00, 0x00,
                      0xC0, 0x3F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0xC0};
  const Bytes stored = Stored(StoreNumbers);
  ASSERT_EQ(want, stored);
  Load(stored, [](CArchive& ar) { EXPECT_TRUE(kNumbers == LoadNumbers(ar)); });
}

TEST(CArchiveTest, EveryTruncationThrowsEndOfFile) {
  const CString text("a string of some length");
  const Bytes full = Stored([&](CArchive& ar) {
    StoreNumbers(ar);
    ar.WriteCount(0x10000);
    ar << text;
  });
  for (size_t cut = 0; cut < full.size(); ++cut) {
    const Bytes truncated(full.begin(), full.begin() + static_cast<ptrdiff_t>(cut));
    const int cause = CauseOf([&] {
      Load(truncated, [&](CArchive& ar) {
        CString back;
        LoadNumbers(ar);
        ar.ReadCount();
        ar >> back;
      });
    });
    EXPECT_EQ(CArchiveException::endOfFile, cause) << "cut at " << cut;
  }
}

TEST(CArchiveTest, StringArraysArchiveEachStringWithItsPrefix) {
  CStringArray strings;
  strings.Add("x");
  strings.Add("yy");
  const Bytes stored = Stored([&](CArchive& ar) { strings.Serialize(ar); });
  EXPECT_EQ(Bytes({2, 0, 1, 'x', 2, 'y', 'y'}), stored);
  Load(stored, [](CArchive& ar) {
    CStringArray back;
    back.Serialize(ar);
    ASSERT_EQ(2, back.GetSize());
    EXPECT_EQ(CString("yy"), back[1]);
  });
}

class CArchiveFileTest : public ::testing::Test {
 protected:
  std::string PutFile(const Bytes& bytes) const {
    const std::string path = m_folder.path("data.bin");
    WriteWholeFile(path, std::string(bytes.begin(), bytes.end()));
    return path;
  }

  ScratchFolder m_folder;
};

TEST_F(CArchiveFileTest, AnnouncedLengthBeyondTheFileIsRefusedBeforeAllocating) {
  if (!LargestAllocation::Watch()) GTEST_SKIP() << LargestAllocation::kCannotWatch;
  const auto string = [](CArchive& ar) {
    CString s;
    ar >> s;
  };
  const auto int_array = [](CArchive& ar) { CArray<int, int>().Serialize(ar); };
  const struct {
    const char* what;
    Bytes bytes;
    std::function<void(CArchive&)> load;
  } cases[] = {
      {"string of 2 GB", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 'b'}, string},
      {"string of 4 GB", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, string},
      {"array of 4 G elements", {0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0xFF, 0x01}, int_array},
      {"string array of 2 G strings",
       {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0, 0},
       [](CArchive& ar) { CStringArray().Serialize(ar); }},
      {"array of 0x1000 elements in 5 bytes", {0x00, 0x10, 1, 2, 3, 4, 5}, int_array},
  };
  for (const auto& c : cases) {
    CFile file(PutFile(c.bytes).c_str(), CFile::modeRead);
    CArchive ar(&file, CArchive::load);
    LargestAllocation::Watch();
    EXPECT_EQ(CArchiveException::endOfFile, CauseOf([&] { c.load(ar); })) << c.what;
    EXPECT_LT(LargestAllocation::Get(), 1u << 20) << c.what;
  }
}

TEST_F(CArchiveFileTest, ClosingALoadingArchiveLeavesTheFileWhereReadingStopped) {
  CFile file(PutFile({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}).c_str(), CFile::modeRead);
  {
    CArchive ar(&file, CArchive::load);
    BYTE by = 0;
    ar >> by >> by >> by;
    EXPECT_EQ(7u, ar.GetBytesLeft());
  }
  EXPECT_EQ(3u, file.GetPosition());
}

TEST(CArchiveTest, WrongDirectionThrowsAndTheDestructorFlushes) {
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    BYTE by = 0;
    EXPECT_EQ(CArchiveException::writeOnly, CauseOf([&] { ar >> by; }));
    ar << 7;
  }
  EXPECT_EQ(4u, file.GetLength());
  file.SeekToBegin();
  CArchive ar(&file, CArchive::load);
  EXPECT_EQ(CArchiveException::readOnly, CauseOf([&] { ar << 7; }));
}

}  // namespace
