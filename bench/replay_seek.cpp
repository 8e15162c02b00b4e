// How fast the window reaches any time of a day-long recording. Writes a
// 24-hour recording of the simulated controller at 115,200 baud (each
// image stamped with the time its bytes take on that line, a key pressed
// now and then so the pages change), then asks for the picture at random
// times, as a seek on the timeline does, and prints the worst and the
// median. The recording is written once and kept for later runs.
//
// Usage: replay_seek FILE [HOURS] [SEEKS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "keypad/key_codes.h"
#include "panel_model.h"
#include "protocol_engine.h"
#include "record/recorded_picture.h"
#include "record/recording_reader.h"
#include "record/recording_writer.h"

namespace {

using namespace corvane;
using Clock = std::chrono::steady_clock;

constexpr uint64_t kSecond = 1'000'000;
// 8 data bits, a start and a stop bit: ten bits on the line a byte.
constexpr double kBytesPerSecond = 115200.0 / 10.0;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

bool WriteDay(const std::filesystem::path& file, uint64_t length_us) {
  sim::PanelModel model(1);
  sim::ProtocolEngine engine(model, sim::FaultOptions{}, 1);
  RecordingWriter writer({file, "COM1 (bench)"}, int64_t{1796690710} * 1'000'000, nullptr);
  if (const std::error_code error = writer.Open()) {
    std::fprintf(stderr, "replay_seek: %s\n", error.message().c_str());
    return false;
  }
  const uint8_t request[] = {'<', '1', '>'};
  std::mt19937 rng(7);
  std::string reply;
  uint64_t time_us = 0;
  uint64_t next_key_us = 0;
  while (time_us < length_us) {
    if (time_us >= next_key_us) {
      // A key every minute or so: a page, a station, a cursor move.
      const KeyCode keys[] = {key::kF1,     key::kF1 + 1,     key::kF1 + 2,
                              key::kF1 + 3, key::kF1 + 4,     key::kUp,
                              key::kDown,   key::kDigit0 + 1, key::kDigit0 + 2};
      const uint8_t key = static_cast<uint8_t>(keys[rng() % std::size(keys)]);
      writer.SetTime(time_us);
      writer.Record(RecordType::kKeys, {&key, 1});
      model.HandleKey(key);
      next_key_us = time_us + (30 + rng() % 60) * kSecond;
    }
    reply.clear();
    engine.Receive(request);
    engine.ProduceNextReply(reply);
    time_us += static_cast<uint64_t>(static_cast<double>(reply.size() + 3) / kBytesPerSecond * 1e6);
    writer.SetTime(time_us);
    writer.Record(RecordType::kImage,
                  {reinterpret_cast<const uint8_t*>(reply.data()) + 1, reply.size() - 2});
  }
  writer.Flush();
  if (const std::error_code error = writer.Finish(RecordingEnd::kStopped)) {
    std::fprintf(stderr, "replay_seek: %s\n", error.message().c_str());
    return false;
  }
  std::printf("wrote %s: %lld images, %.1f MB, %.1f hours\n", file.string().c_str(),
              static_cast<long long>(writer.Images()),
              static_cast<double>(writer.BytesWritten()) / 1e6,
              static_cast<double>(time_us) / 3600e6);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: replay_seek FILE [HOURS] [SEEKS]\n");
    return 2;
  }
  const std::filesystem::path file = argv[1];
  const double hours = argc > 2 ? std::atof(argv[2]) : 24.0;
  const int seeks = argc > 3 ? std::atoi(argv[3]) : 200;
  if (!std::filesystem::exists(file)) {
    const Clock::time_point begun = Clock::now();
    if (!WriteDay(file, static_cast<uint64_t>(hours * 3600e6))) return 1;
    std::printf("writing took %.1f s\n", Ms(Clock::now() - begun) / 1000.0);
  }

  // Opening, as the window's player does: the header, then every frame to
  // the last key picture and every record after it, for the length.
  const Clock::time_point opening = Clock::now();
  std::string error;
  std::unique_ptr<RecordingReader> reader = RecordingReader::Open(file, error);
  if (!reader) {
    std::fprintf(stderr, "replay_seek: %s\n", error.c_str());
    return 1;
  }
  uint64_t length_us = 0;
  if (reader->SeekToKey(UINT64_MAX)) {
    RecordedItem item;
    while (reader->Next(item)) length_us = item.time_us;
  }
  std::printf("open (length %.2f hours): %.1f ms\n", static_cast<double>(length_us) / 3600e6,
              Ms(Clock::now() - opening));

  std::mt19937_64 rng(11);
  std::vector<double> times;
  RecordedPicture picture;
  for (int i = 0; i < seeks; ++i) {
    const uint64_t at = rng() % (length_us + 1);
    const Clock::time_point begun = Clock::now();
    const PictureAtResult result = PictureAt(*reader, at, picture);
    times.push_back(Ms(Clock::now() - begun));
    if (result != PictureAtResult::kFound) {
      std::fprintf(stderr, "replay_seek: no picture at %llu us\n",
                   static_cast<unsigned long long>(at));
      return 1;
    }
  }
  std::sort(times.begin(), times.end());
  std::printf("PictureAt over %d random times: median %.1f ms, 90th %.1f ms, worst %.1f ms\n",
              seeks, times[times.size() / 2], times[times.size() * 9 / 10], times.back());
  return 0;
}
