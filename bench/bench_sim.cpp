// The simulator must never be what limits a frame-rate measurement of
// Corvane: encoding (and rendering) a full panel has to stay far below a
// millisecond.
#include <benchmark/benchmark.h>

#include <string>

#include "letter_image.h"
#include "panel_model.h"
#include "panel_renderer.h"
#include "payload_encoder.h"
#include "protocol_engine.h"

namespace {

using namespace corvane::sim;

// Renders the model's panel once, then times its encoding alone.
void EncodePanel(benchmark::State& state, PanelModel& model) {
  model.AdvanceFrame();
  LetterImage image;
  RenderPanel(model, image);
  std::string payload;
  for (auto _ : state) {
    EncodeScreenPayload(image, payload);
    benchmark::DoNotOptimize(payload.data());
  }
  state.counters["payload_bytes"] = static_cast<double>(payload.size());
}

void BM_EncodeDefaultPanel(benchmark::State& state) {
  PanelModel model(1);
  EncodePanel(state, model);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * LetterImage::kWidth *
                          LetterImage::kHeight);
}
BENCHMARK(BM_EncodeDefaultPanel)->Unit(benchmark::kMicrosecond);

// Each page of the panel, since their payloads differ most.
void BM_EncodePanelPage(benchmark::State& state) {
  PanelModel model(1);
  model.HandleKey(static_cast<uint8_t>(key::kF1 + state.range(0) - 1));
  EncodePanel(state, model);
}
BENCHMARK(BM_EncodePanelPage)->DenseRange(1, 5)->Unit(benchmark::kMicrosecond);

// What one "<1>" costs the simulator: advance, render, encode, frame.
void BM_AnswerScreenRequest(benchmark::State& state) {
  PanelModel model(1);
  ProtocolEngine engine(model, FaultOptions{}, 1);
  const uint8_t request[] = {'<', '1', '>'};
  std::string out;
  for (auto _ : state) {
    out.clear();
    engine.Receive(request);
    engine.ProduceNextReply(out);
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["frame_bytes"] = static_cast<double>(out.size());
}
BENCHMARK(BM_AnswerScreenRequest)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
