// Clips on Linux, through Debian's FFmpeg libraries: H.264 (libx264) in
// MP4, and GIF with the fixed palette.
//
// The MP4 is twice the picture's size each way. H.264 players expect 4:2:0
// video, which keeps one colour for every 2x2 pixels: at the controller's
// own size a one-pixel coloured line or the edge of a coloured letter would
// smear into its neighbours. Scaled up by whole pixels first, each of the
// controller's pixels is a 2x2 block of its own and keeps its colour; the
// brightness is still coded with loss, so the MP4 is for watching, the GIF
// for exact pixels. The conversion to YUV is done here, per block, so no
// filter mixes the colours of neighbouring pixels.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <map>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
}

#include "clip/clip_encoder.h"
#include "clip/clip_palette.h"
#include "clip/png_frames_encoder.h"

namespace corvane {

namespace {

constexpr int kMp4Scale = 2;
// A GIF delay is 16 bits of hundredths: a longer frame is repeated.
constexpr int64_t kLongestGifDelay = 65535;
constexpr int kIoBufferSize = 1 << 16;

std::string AvText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

// BT.709 with video levels, as the stream says: what players assume for a
// picture of this size.
struct Yuv {
  uint8_t y, u, v;
};

Yuv ToYuv(Pixel p) {
  const double r = PixelRed(p), g = PixelGreen(p), b = PixelBlue(p);
  const double y = 0.2126 * r + 0.7152 * g + 0.0722 * b;
  auto level = [](double v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); };
  return {level(16 + y * 219 / 255), level(128 + (b - y) / 1.8556 * 224 / 255),
          level(128 + (r - y) / 1.5748 * 224 / 255)};
}

class FfmpegClipEncoder final : public ClipEncoder {
 public:
  explicit FfmpegClipEncoder(ClipFormat format) : format_(format) {}
  ~FfmpegClipEncoder() override { Release(); }

  ClipTiming Timing() const override {
    // MP4 counts in milliseconds here; a GIF in hundredths, at least two.
    return format_ == ClipFormat::kGif ? ClipTiming{10'000, 20'000} : ClipTiming{1'000, 1'000};
  }

  bool Begin(std::FILE* file, const std::filesystem::path& path, std::string& error) override;
  bool AddFrame(const Pixel* pixels, const ClipFrame& frame, std::string& error) override;
  bool Finish(std::string& error) override;

 private:
  bool Fail(std::string& error, const std::string& what, int code);
  bool Send(const AVFrame* frame, std::string& error);
  void FillMp4(const Pixel* pixels);
  void FillGif(const Pixel* pixels);
  void Release();

  static int WriteBytes(void* opaque, uint8_t* data, int size);
  static int64_t SeekTo(void* opaque, int64_t offset, int whence);

  const ClipFormat format_;
  std::FILE* file_ = nullptr;
  AVFormatContext* muxer_ = nullptr;
  AVCodecContext* codec_ = nullptr;
  AVStream* stream_ = nullptr;
  AVFrame* frame_ = nullptr;
  AVPacket* packet_ = nullptr;
  // A frame's duration, by its time stamp: the encoder hands packets back
  // later (and in another order) than the frames went in.
  std::map<int64_t, int64_t> durations_;
  int64_t last_duration_ = 0;
};

int FfmpegClipEncoder::WriteBytes(void* opaque, uint8_t* data, int size) {
  auto* self = static_cast<FfmpegClipEncoder*>(opaque);
  errno = 0;
  if (std::fwrite(data, 1, static_cast<size_t>(size), self->file_) != static_cast<size_t>(size)) {
    return AVERROR(errno != 0 ? errno : EIO);
  }
  return size;
}

int64_t FfmpegClipEncoder::SeekTo(void* opaque, int64_t offset, int whence) {
  std::FILE* file = static_cast<FfmpegClipEncoder*>(opaque)->file_;
  if (whence & AVSEEK_SIZE) {
    const off_t here = ftello(file);
    if (here < 0 || fseeko(file, 0, SEEK_END) != 0) return AVERROR(errno);
    const off_t size = ftello(file);
    if (fseeko(file, here, SEEK_SET) != 0) return AVERROR(errno);
    return size;
  }
  if (fseeko(file, offset, whence & ~AVSEEK_FORCE) != 0) return AVERROR(errno);
  return ftello(file);
}

bool FfmpegClipEncoder::Fail(std::string& error, const std::string& what, int code) {
  error = what + ": " + AvText(code);
  return false;
}

bool FfmpegClipEncoder::Begin(std::FILE* file, const std::filesystem::path& path,
                              std::string& error) {
  file_ = file;
  // What goes wrong reaches the operator through `error`; FFmpeg's own
  // chatter (the encoder's statistics) would only clutter a terminal.
  av_log_set_level(AV_LOG_ERROR);
  // FFmpeg buffers; the MP4's second pass (moving its index to the front)
  // reads the file back by name, so nothing may wait in a second buffer.
  std::setvbuf(file_, nullptr, _IONBF, 0);
  const bool gif = format_ == ClipFormat::kGif;
  const std::string url = "file:" + path.string();
  int code = avformat_alloc_output_context2(&muxer_, nullptr, gif ? "gif" : "mp4", url.c_str());
  if (code < 0) return Fail(error, "cannot start the container", code);

  const AVCodec* codec =
      gif ? avcodec_find_encoder(AV_CODEC_ID_GIF) : avcodec_find_encoder_by_name("libx264");
  if (codec == nullptr) {
    error = gif ? "this FFmpeg has no GIF encoder" : "this FFmpeg has no H.264 encoder (libx264)";
    return false;
  }
  codec_ = avcodec_alloc_context3(codec);
  frame_ = av_frame_alloc();
  packet_ = av_packet_alloc();
  if (codec_ == nullptr || frame_ == nullptr || packet_ == nullptr) {
    return Fail(error, "cannot start the encoder", AVERROR(ENOMEM));
  }
  AVDictionary* codec_options = nullptr;
  if (gif) {
    codec_->width = Surface::kWidth;
    codec_->height = Surface::kHeight;
    codec_->pix_fmt = AV_PIX_FMT_PAL8;
    codec_->time_base = AVRational{1, 100};
  } else {
    codec_->width = Surface::kWidth * kMp4Scale;
    codec_->height = Surface::kHeight * kMp4Scale;
    codec_->pix_fmt = AV_PIX_FMT_YUV420P;
    codec_->time_base = AVRational{1, 1000};
    // Only a hint for the encoder's rate control and level: the time
    // stamps say when each frame is shown.
    codec_->framerate = AVRational{10, 1};
    codec_->color_range = AVCOL_RANGE_MPEG;
    codec_->colorspace = AVCOL_SPC_BT709;
    codec_->color_primaries = AVCOL_PRI_BT709;
    codec_->color_trc = AVCOL_TRC_BT709;
    // A screen changes in small places and stands still for long: fast
    // settings lose little on it, and an hour encodes in well under a
    // minute.
    av_dict_set(&codec_options, "preset", "veryfast", 0);
    av_dict_set(&codec_options, "tune", "stillimage", 0);
    av_dict_set(&codec_options, "crf", "20", 0);
  }
  if (muxer_->oformat->flags & AVFMT_GLOBALHEADER) codec_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  code = avcodec_open2(codec_, codec, &codec_options);
  av_dict_free(&codec_options);
  if (code < 0) return Fail(error, "cannot start the encoder", code);

  stream_ = avformat_new_stream(muxer_, nullptr);
  if (stream_ == nullptr) return Fail(error, "cannot start the container", AVERROR(ENOMEM));
  code = avcodec_parameters_from_context(stream_->codecpar, codec_);
  if (code < 0) return Fail(error, "cannot start the container", code);
  stream_->time_base = codec_->time_base;

  auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
  if (buffer == nullptr) return Fail(error, "cannot start the container", AVERROR(ENOMEM));
  muxer_->pb = avio_alloc_context(buffer, kIoBufferSize, 1, this, nullptr, WriteBytes, SeekTo);
  if (muxer_->pb == nullptr) {
    av_free(buffer);
    return Fail(error, "cannot start the container", AVERROR(ENOMEM));
  }
  muxer_->flags |= AVFMT_FLAG_CUSTOM_IO;

  AVDictionary* muxer_options = nullptr;
  // The index in front, so a player or a browser starts before the whole
  // file is there.
  if (!gif) av_dict_set(&muxer_options, "movflags", "+faststart", 0);
  code = avformat_write_header(muxer_, &muxer_options);
  av_dict_free(&muxer_options);
  if (code < 0) return Fail(error, "cannot write the container's header", code);

  frame_->format = codec_->pix_fmt;
  frame_->width = codec_->width;
  frame_->height = codec_->height;
  code = av_frame_get_buffer(frame_, 0);
  if (code < 0) return Fail(error, "cannot start the encoder", code);
  return true;
}

void FfmpegClipEncoder::FillMp4(const Pixel* pixels) {
  Pixel last = pixels[0];
  Yuv yuv = ToYuv(last);
  for (int y = 0; y < Surface::kHeight; ++y) {
    uint8_t* luma0 = frame_->data[0] + static_cast<ptrdiff_t>(2 * y) * frame_->linesize[0];
    uint8_t* luma1 = luma0 + frame_->linesize[0];
    uint8_t* u = frame_->data[1] + static_cast<ptrdiff_t>(y) * frame_->linesize[1];
    uint8_t* v = frame_->data[2] + static_cast<ptrdiff_t>(y) * frame_->linesize[2];
    const Pixel* row = pixels + static_cast<size_t>(y) * Surface::kWidth;
    for (int x = 0; x < Surface::kWidth; ++x) {
      if (row[x] != last) {
        last = row[x];
        yuv = ToYuv(last);
      }
      luma0[2 * x] = luma0[2 * x + 1] = luma1[2 * x] = luma1[2 * x + 1] = yuv.y;
      u[x] = yuv.u;
      v[x] = yuv.v;
    }
  }
}

void FfmpegClipEncoder::FillGif(const Pixel* pixels) {
  for (int y = 0; y < Surface::kHeight; ++y) {
    ToPaletteIndices(pixels + static_cast<size_t>(y) * Surface::kWidth, Surface::kWidth,
                     frame_->data[0] + static_cast<ptrdiff_t>(y) * frame_->linesize[0]);
  }
  // The palette travels with each frame, as FFmpeg's PAL8 frames do; the
  // entries past the colours are never used.
  auto* palette = reinterpret_cast<uint32_t*>(frame_->data[1]);
  const ClipPalette& colours = FixedClipPalette();
  for (size_t i = 0; i < AVPALETTE_COUNT; ++i) {
    palette[i] = i < colours.count ? colours.colours[i] : kBlack;
  }
}

bool FfmpegClipEncoder::Send(const AVFrame* frame, std::string& error) {
  int code = avcodec_send_frame(codec_, frame);
  if (code < 0) return Fail(error, "the encoder refused a frame", code);
  for (;;) {
    code = avcodec_receive_packet(codec_, packet_);
    if (code == AVERROR(EAGAIN) || code == AVERROR_EOF) return true;
    if (code < 0) return Fail(error, "the encoder failed", code);
    const auto found = durations_.find(packet_->pts);
    if (found != durations_.end()) {
      packet_->duration = found->second;
      durations_.erase(found);
    }
    packet_->stream_index = stream_->index;
    av_packet_rescale_ts(packet_, codec_->time_base, stream_->time_base);
    code = av_interleaved_write_frame(muxer_, packet_);
    if (code < 0) return Fail(error, "cannot write the clip", code);
  }
}

bool FfmpegClipEncoder::AddFrame(const Pixel* pixels, const ClipFrame& frame, std::string& error) {
  const int code = av_frame_make_writable(frame_);
  if (code < 0) return Fail(error, "the encoder failed", code);
  if (format_ == ClipFormat::kGif) {
    FillGif(pixels);
  } else {
    FillMp4(pixels);
  }
  const int64_t tick = format_ == ClipFormat::kGif ? 10'000 : 1'000;
  int64_t start = static_cast<int64_t>(frame.start_us) / tick;
  int64_t left = static_cast<int64_t>(frame.duration_us) / tick;
  do {
    const int64_t duration = format_ == ClipFormat::kGif ? std::min(left, kLongestGifDelay) : left;
    frame_->pts = start;
    durations_[start] = duration;
    last_duration_ = duration;
    if (!Send(frame_, error)) return false;
    start += duration;
    left -= duration;
  } while (left > 0);
  return true;
}

bool FfmpegClipEncoder::Finish(std::string& error) {
  // Without this the encoder keeps the frames it looks ahead over, and the
  // clip would end early.
  if (!Send(nullptr, error)) return false;
  // The GIF's last delay has no next frame to measure it from.
  if (format_ == ClipFormat::kGif) {
    av_opt_set_int(muxer_->priv_data, "final_delay", last_duration_, 0);
  }
  int code = av_write_trailer(muxer_);
  if (code < 0) return Fail(error, "cannot write the clip's end", code);
  avio_flush(muxer_->pb);
  if (muxer_->pb->error < 0) return Fail(error, "cannot write the clip", muxer_->pb->error);
  return true;
}

void FfmpegClipEncoder::Release() {
  if (muxer_ != nullptr && (muxer_->flags & AVFMT_FLAG_CUSTOM_IO) && muxer_->pb != nullptr) {
    av_freep(&muxer_->pb->buffer);
    avio_context_free(&muxer_->pb);
  }
  avformat_free_context(muxer_);
  avcodec_free_context(&codec_);
  av_frame_free(&frame_);
  av_packet_free(&packet_);
}

}  // namespace

std::unique_ptr<ClipEncoder> CreateClipEncoder(ClipFormat format, std::string&) {
  if (format == ClipFormat::kPngFrames) return CreatePngFramesEncoder();
  return std::make_unique<FfmpegClipEncoder>(format);
}

bool ClipFormatWritable(ClipFormat) { return true; }

}  // namespace corvane
