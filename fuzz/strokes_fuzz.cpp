// Arbitrary bytes for every stroke and outline reader and for the outline
// archive loader. Beyond surviving them, whatever a reader made of the bytes
// must come back unchanged through each English notation that writes it,
// and a loaded outline through its archive form.

#include <kelm/kelm.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

void require(bool holds) {
  if (!holds) std::abort();
}

// Any of the 2^24 key patterns, however it was reached, reads back from the
// text its writer makes.
void check_stroke(const CStroke& stroke) {
  CStroke back;
  require(back.SetString(stroke.GetStrCompressed(0), 0) == 0 && back == stroke);
  require(back.SetRtf(stroke.GetStrRtf(0), 0) == 0 && back == stroke);
  back.SetStrHex(stroke.GetStrHex());
  require(back == stroke);
  require(stroke.GetStrSpaced(0).GetLength() == 24 && stroke.GetStrSpaced(1).GetLength() == 24);
  stroke.GetStrCompressed(1);
  stroke.GetStrRtf(1);
}

// The text forms of an outline leave out the strokes with no key.
CSteno keyed_strokes(const CSteno& steno) {
  CSteno keyed;
  for (int i = 0; i < steno.GetStrokeCount(); ++i)
    if (!steno[i].IsEmpty()) keyed.Append(steno[i]);
  return keyed;
}

void check_outline(const CSteno& steno) {
  const CSteno keyed = keyed_strokes(steno);
  CSteno back;
  require(back.SetString(steno.GetStrDisplay(0), 0) == 0 && back == keyed);
  require(back.SetRtf(steno.GetStrRtf(0), 0) == 0 && back == keyed);
  back.SetStrHex(steno.GetStrHex());
  require(back == keyed);
  for (int i = 0; i < steno.GetStrokeCount(); ++i) check_stroke(steno[i]);
}

// A reader's result is 0 or a position within the text.
void check_result(int result, const CString& text) {
  require(result >= 0 && result <= text.GetLength());
}

void read_text(const CString& text) {
  CStroke stroke;
  CSteno steno;
  for (const int grandjean : {0, 1}) {
    check_result(stroke.SetString(text, grandjean), text);
    check_stroke(stroke);
    check_result(stroke.SetRtf(text, grandjean), text);
    check_stroke(stroke);
    check_result(steno.SetString(text, grandjean), text);
    check_outline(steno);
    check_result(steno.SetRtf(text, grandjean), text);
    check_outline(steno);
  }
  check_result(stroke.SetBriscaString(text), text);
  check_stroke(stroke);
  check_result(steno.SetBriscaString(text), text);
  check_outline(steno);
  stroke.SetStrHex(text);
  check_stroke(stroke);
  steno.SetStrHex(text);
  check_outline(steno);
}

std::vector<BYTE> stored(CSteno& steno) {
  CMemFile file;
  CArchive ar(&file, CArchive::store);
  steno.Serialize(ar);
  ar.Close();
  std::vector<BYTE> bytes(static_cast<std::size_t>(file.GetLength()));
  file.SeekToBegin();
  file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
  return bytes;
}

void load(CSteno& steno, std::vector<BYTE>& bytes) {
  CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
  CArchive ar(&file, CArchive::load);
  steno.Serialize(ar);
}

void load_archive(const std::uint8_t* data, std::size_t size) {
  std::vector<BYTE> bytes(data, data + size);
  CSteno steno;
  try {
    load(steno, bytes);
  } catch (const CArchiveException&) {
    return;
  }
  std::vector<BYTE> again = stored(steno);
  CSteno reloaded;
  load(reloaded, again);
  require(reloaded == steno);
  for (int i = 0; i < steno.GetStrokeCount(); ++i)
    require(reloaded[i].GetTimeStamp().GetTime32() == steno[i].GetTimeStamp().GetTime32());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  read_text(CString(reinterpret_cast<const char*>(data), static_cast<int>(size)));
  load_archive(data, size);
  return 0;
}
