// Arbitrary bytes as a translator settings record, on a COM stream (either
// layout, chosen by the first byte) or in an archive. A record refused must
// leave the object as it was; a record taken must write and read back equal,
// and written again give the same bytes.

#include <kelm/kelm.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void require(bool holds) {
  if (!holds) std::abort();
}

// The stream form ends each text at its first zero byte, as the record has
// always been read; the archive form keeps the text whole.
std::string shown(const CString& text, bool ends_at_zero) {
  const std::string whole(text.View());
  return ends_at_zero ? whole.substr(0, whole.find('\0')) : whole;
}

std::string describe(const CTranslatorSettings& r, bool ends_at_zero = false) {
  std::string text = std::to_string(r.nameCount) + ' ' + std::to_string(r.option) + ' ' +
                     std::to_string(r.extraPresent) + ' ' + shown(r.extraName, ends_at_zero) +
                     '\0' + std::to_string(r.extraValue) + ' ' + shown(r.finalName, ends_at_zero);
  for (int i = 0; i < 10; ++i)
    text += '\0' + shown(r.names[i], ends_at_zero) + '\0' + std::to_string(r.values[i]);
  return text;
}

// Something in every field, so that a refused read shows any change.
CTranslatorSettings sentinel() {
  CTranslatorSettings r;
  r.nameCount = 2;
  r.names[0] = "k0";
  r.names[1] = "k1";
  r.values[0] = 1;
  r.values[1] = 2;
  r.extraPresent = TRUE;
  r.extraName = "kx";
  r.extraValue = 3;
  r.option = 0x5A;
  r.finalName = "kf";
  return r;
}

std::vector<BYTE> all_of(IStream* stream) {
  stream->Seek(LARGE_INTEGER{0}, STREAM_SEEK_SET, nullptr);
  std::vector<BYTE> bytes;
  BYTE block[4096];
  ULONG got = 0;
  while (SUCCEEDED(stream->Read(block, sizeof block, &got)) && got > 0)
    bytes.insert(bytes.end(), block, block + got);
  return bytes;
}

std::vector<BYTE> stream_bytes(CTranslatorSettings r) {
  IStream* stream = SHCreateMemStream(nullptr, 0);
  require(r.Serialize(stream, 77, 1));
  std::vector<BYTE> bytes = all_of(stream);
  stream->Release();
  return bytes;
}

bool read_stream(std::vector<BYTE>& bytes, int version, CTranslatorSettings& r) {
  IStream* stream = SHCreateMemStream(bytes.data(), static_cast<UINT>(bytes.size()));
  const bool ok = r.Serialize(stream, version, 0);
  stream->Release();
  return ok;
}

std::vector<BYTE> archive_bytes(CTranslatorSettings r) {
  CMemFile file;
  CArchive ar(&file, CArchive::store);
  r.Serialize(ar, 0);
  ar.Close();
  std::vector<BYTE> bytes(static_cast<std::size_t>(file.GetLength()));
  file.SeekToBegin();
  file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
  return bytes;
}

bool read_archive(std::vector<BYTE>& bytes, CTranslatorSettings& r) {
  CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
  CArchive ar(&file, CArchive::load);
  try {
    r.Serialize(ar, 0);
  } catch (const CArchiveException&) {
    return false;
  }
  return true;
}

void round_trip(const CTranslatorSettings& taken) {
  // Read back over the same start, so that the slots outside the layout
  // agree too.
  std::vector<BYTE> once = stream_bytes(taken);
  CTranslatorSettings back = sentinel();
  require(read_stream(once, 77, back));
  require(describe(back) == describe(taken, true));
  std::vector<BYTE> twice = stream_bytes(back);
  CTranslatorSettings again = sentinel();
  require(read_stream(twice, 77, again));
  require(describe(again) == describe(back));
  require(stream_bytes(again) == twice);

  std::vector<BYTE> archived = archive_bytes(taken);
  CTranslatorSettings unarchived = sentinel();
  require(read_archive(archived, unarchived));
  require(describe(unarchived) == describe(taken));
  require(archive_bytes(unarchived) == archived);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::vector<BYTE> bytes(data + 1, data + size);
  CTranslatorSettings r = sentinel();
  const std::string before = describe(r);
  bool taken = false;
  if (data[0] & 1)
    taken = read_archive(bytes, r);
  else
    taken = read_stream(bytes, data[0] & 2 ? 77 : 76, r);
  if (!taken) {
    require(describe(r) == before);
    return 0;
  }
  round_trip(r);
  return 0;
}
