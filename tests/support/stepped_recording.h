// A recording for replay tests: image i, i seconds in, draws i blue rows
// and then a run of another colour over the one before, so a picture is
// right only if every image before it was decoded in order.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "record/recording_writer.h"

namespace corvane::testing {

inline void WriteSteppedRecording(const std::filesystem::path& file, int images,
                                  int64_t start_utc_us) {
  RecordingWriter writer({file, "COM5"}, start_utc_us, nullptr);
  ASSERT_FALSE(writer.Open());
  for (int i = 0; i < images; ++i) {
    std::string payload;
    for (int row = 0; row < i; ++row) payload += "E9";
    payload += i % 2 ? "C7" : "H5";
    writer.SetTime(static_cast<uint64_t>(i) * 1'000'000);
    writer.Record(RecordType::kImage,
                  {reinterpret_cast<const uint8_t*>(payload.data()), payload.size()});
  }
  ASSERT_FALSE(writer.Finish(RecordingEnd::kStopped));
}

}  // namespace corvane::testing
