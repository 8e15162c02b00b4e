#include "clip/png_frames_encoder.h"

#include <cerrno>
#include <cstdio>
#include <span>
#include <system_error>

#include "files/file_open.h"
#include "files/path_text.h"
#include "screen/png_file.h"

namespace corvane {

namespace {

class PngFramesEncoder final : public ClipEncoder {
 public:
  ~PngFramesEncoder() override {
    if (list_ != nullptr) std::fclose(list_);
  }

  ClipTiming Timing() const override { return ClipTiming{1'000, 1'000}; }

  bool Begin(std::FILE*, const std::filesystem::path& folder, std::string& error) override {
    folder_ = folder;
    std::error_code code;
    list_ = CreateNewFile(folder_ / "frames.txt", code);
    if (list_ == nullptr) {
      error = "cannot create frames.txt: " + code.message();
      return false;
    }
    return std::fputs("# file, start and duration in seconds\n", list_) >= 0 || Failed(error);
  }

  bool AddFrame(const Pixel* pixels, const ClipFrame& frame, std::string& error) override {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%05lld.png", static_cast<long long>(++frames_));
    const std::span<const Pixel> picture(pixels,
                                         static_cast<size_t>(Surface::kWidth) * Surface::kHeight);
    if (const std::error_code code =
            WritePngFile(folder_ / name, picture, Surface::kWidth, Surface::kHeight)) {
      error = std::string("cannot write ") + name + ": " + code.message();
      return false;
    }
    return std::fprintf(list_, "%s %.3f %.3f\n", name, static_cast<double>(frame.start_us) / 1e6,
                        static_cast<double>(frame.duration_us) / 1e6) > 0 ||
           Failed(error);
  }

  bool Finish(std::string& error) override {
    errno = 0;
    const int closed = std::fclose(list_);
    list_ = nullptr;
    return closed == 0 || Failed(error);
  }

 private:
  bool Failed(std::string& error) const {
    error = "cannot write frames.txt: " +
            std::error_code(errno != 0 ? errno : EIO, std::generic_category()).message();
    return false;
  }

  std::filesystem::path folder_;
  std::FILE* list_ = nullptr;
  long long frames_ = 0;
};

}  // namespace

std::unique_ptr<ClipEncoder> CreatePngFramesEncoder() {
  return std::make_unique<PngFramesEncoder>();
}

}  // namespace corvane
