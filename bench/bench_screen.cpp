// Cost of turning a screen image payload into the framed picture.
//
//   typical panel     a panel-like screen (boxes, fills, bars, lines of small
//                     text) coded the way the controller codes it
//   alternating       2,000,000 colour letters, each drawing one pixel: the
//                     most pixels a payload can draw one by one
//   nothing drawn     2,000,000 bytes that are each looked at but draw
//                     nothing, so the decoder never leaves row 0
//   600 x "9"         every row one span, against filling 800x600x4 bytes
//                     with memset and std::fill_n
// The DecodeAndFrame cases decode the same payload again and again, so
// after the first their runs only compare.
//
// And the receiver's step for each image, decoding straight into the
// picture before and learning what changed on the way, with the typical
// panel and the next image (its number and a bar changed) in turn, or the
// same again; RenderScreenImage through the view's handover with the UI's
// take; and, for comparison, finding what changed between two decoded
// pictures after the fact and copying a whole picture:
//
//   unchanged         the same panel again
//   counter and bar   the image number in the header and one station's bar
//   everything        a different picture in every pixel
//
// Each benchmark also reports the operator-new calls made while timed.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "screen/changed_region.h"
#include "screen/image_decoder.h"
#include "screen/screen_image.h"
#include "screen/status_counters.h"
#include "screen/view_handover.h"
#include "support/allocation_counter.h"

namespace corvane {
namespace {

constexpr int kW = Surface::kWidth;
constexpr int kH = Surface::kHeight;

// The picture as colour letters, one per pixel.
struct LetterPicture {
  std::vector<char> letters = std::vector<char>(static_cast<size_t>(kW) * kH, 'D');
  void Fill(int x0, int y0, int x1, int y1, char c) {
    for (int y = std::max(y0, 0); y < std::min(y1, kH); ++y) {
      for (int x = std::max(x0, 0); x < std::min(x1, kW); ++x) {
        letters[static_cast<size_t>(y) * kW + static_cast<size_t>(x)] = c;
      }
    }
  }
  void Box(int x0, int y0, int x1, int y1, char border, char inside) {
    Fill(x0, y0, x1, y1, border);
    Fill(x0 + 1, y0 + 1, x1 - 1, y1 - 1, inside);
  }
  // Small text: a 5x7 cell per character with a made-up but fixed glyph,
  // one blank column between characters.
  void Text(int x, int y, std::string_view text, char ink) {
    for (const char ch : text) {
      if (ch != ' ') {
        uint32_t bits = static_cast<uint8_t>(ch) * 2654435761u;
        for (int gy = 0; gy < 7; ++gy) {
          for (int gx = 0; gx < 5; ++gx) {
            bits = bits * 1103515245u + 12345u;
            if ((bits >> 16) & 1) Fill(x + gx, y + gy, x + gx + 1, y + gy + 1, ink);
          }
        }
      }
      x += 6;
    }
  }
};

// The controller's coding: per row, each run is its colour letter; n mod 4
// single pixels (a letter before a letter), then the rest as run digits,
// largest first; the run that reaches the row end is its letter and "9".
std::string Encode(const LetterPicture& picture) {
  std::string payload;
  for (int y = 0; y < kH; ++y) {
    const char* row = picture.letters.data() + static_cast<size_t>(y) * kW;
    int x = 0;
    while (x < kW) {
      const char c = row[x];
      int end = x;
      while (end < kW && row[end] == c) ++end;
      if (end == kW) {
        payload += c;
        payload += '9';
        break;
      }
      int n = end - x;
      payload.append(static_cast<size_t>(n % 4), c);
      n -= n % 4;
      if (n > 0) payload += c;
      for (int d = 8; d >= 1; --d) {
        const int run = 4 << (d - 1);
        while (n >= run) {
          payload += static_cast<char>('0' + d);
          n -= run;
        }
      }
      x = end;
    }
  }
  return payload;
}

LetterPicture TypicalPanel() {
  LetterPicture p;
  p.Fill(0, 6, kW, 66, 'E');  // header band
  p.Text(20, 16, "MIRELON CONTROLLER   RUN   IMAGE 000123", 'P');
  for (int k = 0; k < 8; ++k) {  // soft keys
    const int left = 145 + k * 52;
    p.Box(left, 13, left + 47, 60, 'A', 'J');
    p.Text(left + 14, 30, "S" + std::to_string(k + 1), 'A');
  }
  for (int s = 0; s < 8; ++s) {  // eight station boxes
    const int x0 = 20 + (s % 4) * 192;
    const int y0 = 80 + (s / 4) * 232;
    p.Box(x0, y0, x0 + 184, y0 + 222, 'A', 'P');
    p.Fill(x0 + 1, y0 + 1, x0 + 183, y0 + 18, 'I');
    p.Text(x0 + 6, y0 + 6, "STATION " + std::to_string(s + 1), 'P');
    const char* labels[] = {"FLOW  12.5 L/MIN", "TEMP  45.2 C", "PRES  3.10 BAR", "SET   50.0",
                            "OUT   73 %",       "MODE  AUTO",   "ALARM NONE"};
    for (int l = 0; l < 7; ++l) p.Text(x0 + 8, y0 + 28 + l * 14, labels[l], 'A');
    // A bar graph and a trend line.
    p.Box(x0 + 8, y0 + 130, x0 + 176, y0 + 146, 'A', 'L');
    p.Fill(x0 + 9, y0 + 131, x0 + 9 + 20 * (s + 1) - 3, y0 + 145, s % 3 ? 'C' : 'B');
    for (int t = 0; t < 160; ++t) {
      const int ty = y0 + 200 - ((t * (s + 3)) % 40);
      p.Fill(x0 + 12 + t, ty, x0 + 13 + t, ty + 2, 'E');
    }
  }
  p.Fill(0, 548, kW, 598, 'L');  // footer
  p.Text(20, 560, "LAST KEY F3    BACKUP STATION 4 OK    12:41:07", 'A');
  p.Text(20, 576, "F1 MAIN  F2 FLOW  F3 TEMP  F4 ALARMS  F5 SETUP", 'A');
  return p;
}

std::span<const uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

void Report(benchmark::State& state, size_t payload_bytes, long allocations_before) {
  const long made = corvane::testing::AllocationCount() - allocations_before;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(payload_bytes));
  state.counters["payload_bytes"] = static_cast<double>(payload_bytes);
  state.counters["allocs"] = static_cast<double>(made);
}

void DecodeAndFrame(benchmark::State& state, const std::string& payload) {
  Surface surface;
  const long before = corvane::testing::AllocationCount();
  for (auto _ : state) {
    DecodeScreenPayload(Bytes(payload), surface);
    DrawScreenFrame(surface);
    benchmark::DoNotOptimize(surface.MutablePixels());
    benchmark::ClobberMemory();
  }
  Report(state, payload.size(), before);
}

const std::string& TypicalPayload() {
  static const std::string payload = [] {
    const LetterPicture picture = TypicalPanel();
    std::string p = Encode(picture);
    // The coding must give back the picture, or the figures mean nothing.
    Surface check;
    DecodeScreenPayload(Bytes(p), check);
    for (size_t i = 0; i < picture.letters.size(); ++i) {
      if (check.Pixels()[i] != *PenTable(static_cast<uint8_t>(picture.letters[i]))) std::abort();
    }
    return p;
  }();
  return payload;
}

void BM_DecodeAndFrame_TypicalPanel(benchmark::State& state) {
  DecodeAndFrame(state, TypicalPayload());
}
BENCHMARK(BM_DecodeAndFrame_TypicalPanel);

void BM_DecodeAndFrame_AlternatingLetters2M(benchmark::State& state) {
  std::string payload;
  for (int i = 0; i < 1'000'000; ++i) payload += "AB";
  DecodeAndFrame(state, payload);
}
BENCHMARK(BM_DecodeAndFrame_AlternatingLetters2M)->Unit(benchmark::kMillisecond);

void BM_DecodeAndFrame_NothingDrawn2M(benchmark::State& state) {
  std::string payload;
  for (int i = 0; i < 1'000'000; ++i) payload += "A0";
  DecodeAndFrame(state, payload);
}
BENCHMARK(BM_DecodeAndFrame_NothingDrawn2M)->Unit(benchmark::kMillisecond);

void BM_DecodeAndFrame_RandomBytes2M(benchmark::State& state) {
  std::mt19937 rng(7);
  std::string payload(2'000'000, ' ');
  for (char& c : payload) c = static_cast<char>(rng());
  DecodeAndFrame(state, payload);
}
BENCHMARK(BM_DecodeAndFrame_RandomBytes2M)->Unit(benchmark::kMillisecond);

void BM_DecodeAndFrame_600RowsOfNine(benchmark::State& state) {
  DecodeAndFrame(state, std::string(600, '9'));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kW * kH * 4);
}
BENCHMARK(BM_DecodeAndFrame_600RowsOfNine);

void BM_Memset_800x600x4(benchmark::State& state) {
  Surface surface;
  for (auto _ : state) {
    std::memset(surface.MutablePixels(), 0, static_cast<size_t>(kW) * kH * 4);
    benchmark::DoNotOptimize(surface.MutablePixels());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kW * kH * 4);
}
BENCHMARK(BM_Memset_800x600x4);

void BM_FillN_800x600Pixels(benchmark::State& state) {
  Surface surface;
  for (auto _ : state) {
    std::fill_n(surface.MutablePixels(), static_cast<size_t>(kW) * kH, MakePixel(255, 0, 0));
    benchmark::DoNotOptimize(surface.MutablePixels());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kW * kH * 4);
}
BENCHMARK(BM_FillN_800x600Pixels);

// The typical panel decoded, and the same with the next image number and a
// longer bar in station 3, as consecutive images of a running controller
// differ.
void DecodeLetters(const LetterPicture& letters, Surface& surface) {
  DecodeScreenPayload(Bytes(Encode(letters)), surface);
  DrawScreenFrame(surface);
}

struct PicturePair {
  Surface before;
  Surface same;  // equal to before, in memory of its own
  Surface after;
  PicturePair() {
    LetterPicture letters = TypicalPanel();
    DecodeLetters(letters, before);
    DecodeLetters(letters, same);
    letters.Fill(20, 16, 260, 23, 'E');
    letters.Text(20, 16, "MIRELON CONTROLLER   RUN   IMAGE 000124", 'P');
    letters.Fill(404 + 9, 80 + 131, 404 + 9 + 75, 80 + 145, 'C');
    DecodeLetters(letters, after);
  }
};

const PicturePair& CounterAndBar() {
  static const PicturePair pair;
  return pair;
}

void FindChanges(benchmark::State& state, const Surface& a, const Surface& b) {
  ChangedRegion region;
  const long before = corvane::testing::AllocationCount();
  for (auto _ : state) {
    region.Clear();
    FindChangedRegion(a.Pixels(), b.Pixels(), region);
    benchmark::DoNotOptimize(region);
  }
  const long made = corvane::testing::AllocationCount() - before;
  state.counters["allocs"] = static_cast<double>(made);
  state.counters["rects"] = static_cast<double>(region.Rects().size());
  state.counters["changed_pixels"] = static_cast<double>(region.Area());
}

void BM_FindChangedRegion_Unchanged(benchmark::State& state) {
  FindChanges(state, CounterAndBar().same, CounterAndBar().before);
}
BENCHMARK(BM_FindChangedRegion_Unchanged);

void BM_FindChangedRegion_CounterAndBar(benchmark::State& state) {
  FindChanges(state, CounterAndBar().after, CounterAndBar().before);
}
BENCHMARK(BM_FindChangedRegion_CounterAndBar);

void BM_FindChangedRegion_Everything(benchmark::State& state) {
  Surface other;
  for (int i = 0; i < kW * kH; ++i) other.MutablePixels()[i] = ~CounterAndBar().before.Pixels()[i];
  FindChanges(state, other, CounterAndBar().before);
}
BENCHMARK(BM_FindChangedRegion_Everything);

// What the views did for every image before: one copy of the whole picture.
void BM_CopyWholePicture(benchmark::State& state) {
  std::vector<Pixel> copy(static_cast<size_t>(kW) * kH);
  for (auto _ : state) {
    std::memcpy(copy.data(), CounterAndBar().after.Pixels(), copy.size() * sizeof(Pixel));
    benchmark::DoNotOptimize(copy.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kW * kH * 4);
}
BENCHMARK(BM_CopyWholePicture);

// The payloads of the typical panel and of the next image (number and
// bar changed), as the controller sends them.
struct PayloadPair {
  std::string before;
  std::string after;
  PayloadPair() {
    LetterPicture letters = TypicalPanel();
    before = Encode(letters);
    letters.Fill(20, 16, 260, 23, 'E');
    letters.Text(20, 16, "MIRELON CONTROLLER   RUN   IMAGE 000124", 'P');
    letters.Fill(404 + 9, 80 + 131, 404 + 9 + 75, 80 + 145, 'C');
    after = Encode(letters);
  }
};

const PayloadPair& Payloads() {
  static const PayloadPair pair;
  return pair;
}

// The receiver's step for one image: decode straight into the picture that
// holds the image before, learn what changed, frame. `change` alternates
// the two payloads; otherwise the same one comes again.
void DecodeAndDetect(benchmark::State& state, bool change) {
  std::vector<Pixel> picture(static_cast<size_t>(kW) * kH, kInitialSurfacePixel);
  ImageDecoder decoder;
  const std::string* payloads[] = {&Payloads().before, &Payloads().after};
  int next = 0;
  int64_t changed = 0;
  const long before = corvane::testing::AllocationCount();
  for (auto _ : state) {
    decoder.Begin(picture.data());
    decoder.Feed(Bytes(*payloads[next]));
    decoder.Finish();
    changed = decoder.Changes().Area();
    decoder.End();
    benchmark::DoNotOptimize(picture.data());
    benchmark::ClobberMemory();
    if (change) next ^= 1;
  }
  Report(state, payloads[0]->size(), before);
  state.counters["changed_pixels"] = static_cast<double>(changed);
}

void BM_DecodeAndDetect_CounterAndBar(benchmark::State& state) { DecodeAndDetect(state, true); }
BENCHMARK(BM_DecodeAndDetect_CounterAndBar);

void BM_DecodeAndDetect_Unchanged(benchmark::State& state) { DecodeAndDetect(state, false); }
BENCHMARK(BM_DecodeAndDetect_Unchanged);

// RenderScreenImage through the view's handover, and the UI's take: what a
// mirrored image costs apart from the paint itself.
void BM_RenderScreenImage_CounterAndBar(benchmark::State& state) {
  ScreenImageBuffer images[2];
  for (int i = 0; i < 2; ++i) {
    const std::string& payload = i == 0 ? Payloads().before : Payloads().after;
    std::memcpy(images[i].bytes.get(), payload.data(), payload.size());
    images[i].count = static_cast<int32_t>(payload.size());
  }
  ImageDecoder decoder;
  StatusCounters counters;
  ViewHandover view([] { return true; });
  int next = 0;
  const long before = corvane::testing::AllocationCount();
  for (auto _ : state) {
    RenderScreenImage(images[next], decoder, counters, view);
    view.Take();
    benchmark::DoNotOptimize(view.Shown());
    next ^= 1;
  }
  Report(state, static_cast<size_t>(images[0].count), before);
  state.counters["repainted_pixels"] = static_cast<double>(view.Repaint().Area());
}
BENCHMARK(BM_RenderScreenImage_CounterAndBar);

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();
