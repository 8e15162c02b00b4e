// The pictures' way from the receiver to the window: decoded straight into
// the handover's buffers, what the window ends up showing when it repaints
// only what each take reports, against a decode onto a surface of its own
// followed by a comparison of whole pictures.
#include "screen/picture_handover.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "screen/image_decoder.h"
#include "screen/screen_image.h"
#include "screen/status_counters.h"
#include "screen/view_handover.h"

namespace corvane {
namespace {

constexpr size_t kPixels = static_cast<size_t>(Surface::kWidth) * Surface::kHeight;

// The window: its pixels change only where a take says to repaint.
struct Window {
  std::vector<Pixel> pixels = std::vector<Pixel>(kPixels, 0);

  bool TakeAndPaint(ViewHandover& view) {
    if (!view.Take().picture) return false;
    CopyRegion(view.Shown(), pixels.data(), view.Repaint());
    return true;
  }
};

std::vector<Pixel> Copy(const Surface& surface) {
  return {surface.Pixels(), surface.Pixels() + kPixels};
}

// Mostly the controller's bytes, some that draw nothing; now and then the
// payload before with a few bytes changed, as one image follows another.
std::string NextPayload(const std::string& last, std::mt19937& rng) {
  static const std::string kBytes = "ABCDEFGHIJKLMNOP123456789123456789 0z";
  std::string payload = last;
  if (last.empty() || rng() % 3 == 0) {
    payload.resize(rng() % 6000);
    for (char& c : payload) c = kBytes[rng() % kBytes.size()];
  } else {
    for (int k = static_cast<int>(rng() % 4); k > 0; --k) {
      payload[rng() % payload.size()] = kBytes[rng() % kBytes.size()];
    }
  }
  return payload;
}

void Store(ScreenImageBuffer& image, std::string_view bytes) {
  std::memcpy(image.bytes.get(), bytes.data(), bytes.size());
  image.count = static_cast<int32_t>(bytes.size());
}

std::span<const uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

TEST(PictureHandoverTest, DecodingIntoTheHandoverShowsWhatDecodingOntoASurfaceDraws) {
  std::mt19937 rng(5);
  ViewHandover view([] { return true; });
  Window window;
  ImageDecoder decoder;
  StatusCounters counters;
  ScreenImageBuffer image;
  // What the window must show after a take: the picture shown last, as a
  // decode onto a surface of its own and the frame make it.
  Surface shown;
  std::string payload;
  for (int step = 0; step < 120; ++step) {
    SCOPED_TRACE(step);
    payload = NextPayload(payload, rng);
    // Drawn as it arrives, now and then, and then finished or given up.
    const int parts = step == 0 ? 1 : 1 + static_cast<int>(rng() % 4);
    const bool dropped = step > 0 && rng() % 5 == 0;
    Surface whole;
    std::copy_n(shown.Pixels(), kPixels, whole.MutablePixels());
    DecodeScreenPayload(Bytes(payload), whole);
    DrawScreenFrame(whole);
    int rows_before = 0;
    for (int part = 1; part < parts; ++part) {
      const size_t arrived =
          payload.size() * static_cast<size_t>(part) / static_cast<size_t>(parts);
      Store(image, std::string_view(payload).substr(0, arrived));
      DrawArrivedRows(image, decoder, view);
      // The part drawn so far: the rows above the one being decoded are
      // already the whole image's.
      DecodeScreenPayload(Bytes(std::string_view(payload).substr(0, arrived)), shown);
      DrawScreenFrame(shown);
      ASSERT_GE(decoder.RowsDecoded(), rows_before);
      rows_before = decoder.RowsDecoded();
      const size_t final_pixels = static_cast<size_t>(rows_before) * Surface::kWidth;
      ASSERT_TRUE(std::equal(whole.Pixels(), whole.Pixels() + final_pixels, shown.Pixels()));
      if (rng() % 2) {
        ASSERT_TRUE(window.TakeAndPaint(view));
        ASSERT_EQ(window.pixels, Copy(shown));
      }
    }
    if (dropped) {
      // Started over: what was not handed on never reaches the window.
      DropImage(decoder, view);
    } else {
      Store(image, payload);
      RenderScreenImage(image, decoder, counters, view);
      std::copy_n(whole.Pixels(), kPixels, shown.MutablePixels());
    }
    // The UI falls behind now and then, by up to a few pictures.
    if (rng() % 3 != 0) {
      window.TakeAndPaint(view);
      ASSERT_EQ(window.pixels, Copy(shown));
    }
  }
  // An unchanged picture is shown and costs no repaint.
  Store(image, payload);
  RenderScreenImage(image, decoder, counters, view);
  window.TakeAndPaint(view);
  RenderScreenImage(image, decoder, counters, view);
  ASSERT_TRUE(window.TakeAndPaint(view));
  EXPECT_TRUE(view.Repaint().Empty());
}

TEST(PictureHandoverTest, AReceiverThreadAndAUiThreadEndOnTheLastPicture) {
  ViewHandover view([] { return true; });
  Window window;
  std::vector<Pixel> last;
  std::atomic<bool> done{false};
  std::jthread receiver([&] {
    std::mt19937 rng(9);
    ImageDecoder decoder;
    StatusCounters counters;
    ScreenImageBuffer image;
    std::string payload;
    Surface surface;
    for (int i = 0; i < 300; ++i) {
      payload = NextPayload(payload, rng);
      Store(image, payload);
      RenderScreenImage(image, decoder, counters, view);
      DecodeScreenPayload(Bytes(payload), surface);
      DrawScreenFrame(surface);
    }
    last = Copy(surface);
    done.store(true, std::memory_order_release);
  });
  // The UI takes whenever it gets to run, as its event loop would.
  while (!done.load(std::memory_order_acquire)) {
    window.TakeAndPaint(view);
    std::this_thread::yield();
  }
  receiver.join();
  window.TakeAndPaint(view);
  EXPECT_EQ(window.pixels, last);
  EXPECT_EQ(view.StatusText(), FormatImagesStatus(299));
}

}  // namespace
}  // namespace corvane
