// Costs of the stroke operations a realtime translator makes for every
// stroke, and of saving and loading a long outline.

#include <benchmark/benchmark.h>
#include <kelm/kelm.h>

#include <array>
#include <cstring>
#include <vector>

namespace {

// Strokes as a translator meets them: short words, briefs, punctuation,
// numbers, the asterisk and the mark. A power of two, so the next index is a
// mask away.
constexpr std::array<const char*, 32> plain_texts = {
    "AUL",
    "RAOEUZ",
    "TP-PL",
    "-T",
    "KORT",
    "S",
    "TPHOU",
    "TPH",
    "SEGS",
    "KW-BG",
    "HOPBL",
    "SKWRUPBLG",
    "PRE",
    "SAOEUD",
    "-G",
    "PHRAOEZ",
    "-B",
    "SAOET",
    "-D",
    "STPH",
    "WAS",
    "THAT",
    "KWRES",
    "TPHO",
    "#1-9",
    "#5-68",
    "*E",
    "@KAT",
    "TKPWOD",
    "PWHR-FPLT",
    "STKPWHR*FRPBLGTS",
    "A",
};
constexpr std::size_t text_mask = plain_texts.size() - 1;

std::vector<CStroke> sample_strokes() {
  std::vector<CStroke> strokes;
  for (const char* text : plain_texts) strokes.emplace_back(CString(text), 0);
  return strokes;
}

template <class Write>
std::vector<CString> written(Write write) {
  std::vector<CString> texts;
  for (const CStroke& stroke : sample_strokes()) texts.push_back(write(stroke));
  return texts;
}

void BM_WritePlain(benchmark::State& state) {
  const std::vector<CStroke> strokes = sample_strokes();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(strokes[i].GetStrCompressed(0));
    i = (i + 1) & text_mask;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WritePlain);

void BM_WriteSpaced(benchmark::State& state) {
  const std::vector<CStroke> strokes = sample_strokes();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(strokes[i].GetStrSpaced(0));
    i = (i + 1) & text_mask;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WriteSpaced);

void BM_WriteRtf(benchmark::State& state) {
  const std::vector<CStroke> strokes = sample_strokes();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(strokes[i].GetStrRtf(0));
    i = (i + 1) & text_mask;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WriteRtf);

template <class Read>
void read_each(benchmark::State& state, const std::vector<CString>& texts, Read read) {
  CStroke stroke;
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(read(stroke, texts[i]));
    benchmark::DoNotOptimize(stroke);
    i = (i + 1) & text_mask;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_ReadPlain(benchmark::State& state) {
  const auto texts = written([](const CStroke& s) { return s.GetStrCompressed(0); });
  read_each(state, texts, [](CStroke& s, const CString& t) { return s.SetString(t, 0); });
}
BENCHMARK(BM_ReadPlain);

void BM_ReadRtf(benchmark::State& state) {
  const auto texts = written([](const CStroke& s) { return s.GetStrRtf(0); });
  read_each(state, texts, [](CStroke& s, const CString& t) { return s.SetRtf(t, 0); });
}
BENCHMARK(BM_ReadRtf);

// The other system's texts spell the same strokes much as the plain
// notation does; what is measured is the reader's work per character.
void BM_ReadBrisca(benchmark::State& state) {
  const auto texts = written([](const CStroke& s) { return s.GetStrCompressed(0); });
  read_each(state, texts, [](CStroke& s, const CString& t) { return s.SetBriscaString(t); });
}
BENCHMARK(BM_ReadBrisca);

// Packets of every bit pattern a line could carry, not only well-formed ones.
std::vector<BYTE> sample_packets(std::size_t count, std::size_t size) {
  std::vector<BYTE> bytes(count * size);
  std::uint32_t state = 0x2545F491;
  for (BYTE& b : bytes) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    b = static_cast<BYTE>(state);
  }
  return bytes;
}

void BM_WriterPacket(benchmark::State& state, void (CStroke::*set)(const BYTE*),
                     std::size_t packet_size) {
  constexpr std::size_t packet_count = 64;
  const std::vector<BYTE> packets = sample_packets(packet_count, packet_size);
  CStroke stroke;
  std::size_t i = 0;
  for (auto _ : state) {
    (stroke.*set)(packets.data() + i * packet_size);
    benchmark::DoNotOptimize(stroke);
    i = (i + 1) & (packet_count - 1);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK_CAPTURE(BM_WriterPacket, stentura, &CStroke::SetStentura, 4);
BENCHMARK_CAPTURE(BM_WriterPacket, sten8000, &CStroke::SetSten8000, 3);
BENCHMARK_CAPTURE(BM_WriterPacket, baron, &CStroke::SetBaron, 3);
BENCHMARK_CAPTURE(BM_WriterPacket, flash, &CStroke::SetFlash, 3);
BENCHMARK_CAPTURE(BM_WriterPacket, xscribe, &CStroke::SetXScribe, 3);
BENCHMARK_CAPTURE(BM_WriterPacket, merit, &CStroke::SetMerit, 4);

const CString five_stroke_outline("TH-E/KO-RT/WEUL/KOPL/TO");

void BM_OutlineSetString(benchmark::State& state) {
  CSteno steno;
  for (auto _ : state) {
    benchmark::DoNotOptimize(steno.SetString(five_stroke_outline, 0));
    benchmark::DoNotOptimize(steno);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_OutlineSetString);

void BM_OutlineGetStrDisplay(benchmark::State& state) {
  const CSteno steno(five_stroke_outline, 0);
  for (auto _ : state) benchmark::DoNotOptimize(steno.GetStrDisplay(0));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_OutlineGetStrDisplay);

constexpr int long_outline_strokes = 10000;

CSteno long_outline() {
  const std::vector<CStroke> strokes = sample_strokes();
  CSteno steno;
  for (int i = 0; i < long_outline_strokes; ++i) {
    CStroke stroke = strokes[i & text_mask];
    stroke.SetTimeStamp(CTime(1700000000 + i));
    steno.Append(stroke);
  }
  return steno;
}

std::vector<BYTE> archived(CSteno& steno) {
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    steno.Serialize(ar);
    ar.Close();
  }
  const auto length = static_cast<UINT>(file.GetLength());
  std::vector<BYTE> bytes(length);
  file.SeekToBegin();
  file.Read(bytes.data(), length);
  return bytes;
}

void BM_ArchiveStore(benchmark::State& state) {
  CSteno steno = long_outline();
  const std::size_t size = archived(steno).size();
  for (auto _ : state) {
    CMemFile file(static_cast<UINT>(size));
    CArchive ar(&file, CArchive::store);
    steno.Serialize(ar);
    ar.Close();
    benchmark::DoNotOptimize(file.GetLength());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
}
BENCHMARK(BM_ArchiveStore);

void BM_ArchiveLoad(benchmark::State& state) {
  CSteno original = long_outline();
  std::vector<BYTE> bytes = archived(original);
  CSteno steno;
  for (auto _ : state) {
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    CArchive ar(&file, CArchive::load);
    steno.Serialize(ar);
    benchmark::DoNotOptimize(steno.GetStrokeCount());
  }
  if (steno != original) state.SkipWithError("the loaded outline differs from the saved one");
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_ArchiveLoad);

// What the archive cases are measured against: the same bytes copied once.
void BM_MemoryCopyBaseline(benchmark::State& state) {
  CSteno steno = long_outline();
  const std::vector<BYTE> source = archived(steno);
  std::vector<BYTE> target(source.size());
  for (auto _ : state) {
    std::memcpy(target.data(), source.data(), source.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(source.size()));
}
BENCHMARK(BM_MemoryCopyBaseline);

}  // namespace
