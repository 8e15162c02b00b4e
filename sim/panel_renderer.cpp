#include "panel_renderer.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "bitmap_font.h"

namespace corvane::sim {
namespace {

constexpr int kW = LetterImage::kWidth;
constexpr int kH = LetterImage::kHeight;
constexpr uint8_t kBackground = kColourLight;
constexpr uint8_t kHeaderColour = kColourBlue;
constexpr uint8_t kFooterColour = kColourMid;
constexpr int kBodyTop = kHeaderBottom + 4;

std::string Format(const char* fmt, auto... args) {
  char text[96];
  std::snprintf(text, sizeof text, fmt, args...);
  return text;
}

std::string Label(const ParameterDef& def) { return std::string(def.label); }

// Largest scale (2 or 1) at which `text` fits into `width` pixels.
int FitScale(std::string_view text, int width) { return TextWidth(text, 2) <= width ? 2 : 1; }

// Large when it fits, else small, else cut to the cell.
void DrawFitted(LetterImage& image, int x, int y, int width, std::string_view text,
                uint8_t colour) {
  const int scale = FitScale(text, width);
  while (scale == 1 && TextWidth(text) > width) text.remove_suffix(1);
  DrawText(image, x, y + (scale == 1 ? 4 : 0), text, colour, scale);
}

void DrawBorder(LetterImage& image) {
  image.FillRect(0, 0, kW, 6, kColourBlack);
  image.FillRect(0, kH - 2, kW, kH, kColourBlack);
  image.FillRect(0, 0, 2, kH, kColourBlack);
  image.FillRect(kW - 2, 0, kW, kH, kColourBlack);
}

void DrawHeader(const PanelModel& model, LetterImage& image) {
  image.FillRect(2, 6, kW - 2, kHeaderBottom, kHeaderColour);
  DrawText(image, 12, 14, "MIRELON", kColourWhite, 2);
  DrawText(image, 12, 34, "MC-800 CONTROLLER", kColourCyan);
  DrawText(image, 12, 48, Format("PAGE F%d", model.PageNumber()), kColourYellow);

  DrawText(image, 568, 14,
           Format("FRAME %06llu", static_cast<unsigned long long>(model.Frame() % 1000000)),
           kColourWhite, 2);
  DrawText(image, 568, 36, Format("STATION %d", model.SelectedStation() + 1), kColourYellow);
  // A blinking lamp: one more sign that the mirror is live.
  const uint8_t lamp = (model.Frame() & 1) ? kColourGreen : kColourShade;
  image.FillRect(770, 34, 786, 50, lamp);
  image.OutlineRect(769, 33, 787, 51, kColourBlack);

  for (int s = 0; s < kStationCount; ++s) {
    const SoftKeyRect& k = kSoftKeyRects[s];
    const bool selected = s == model.SelectedStation();
    image.FillRect(k.left, kSoftKeyTop, k.right + 1, kSoftKeyBottom + 1,
                   selected ? kColourYellow : kColourPale);
    image.OutlineRect(k.left, kSoftKeyTop, k.right + 1, kSoftKeyBottom + 1, kColourBlack);
    const std::string name = Format("S%d", s + 1);
    const int width = k.right - k.left + 1;
    DrawText(image, k.left + (width - TextWidth(name, 2)) / 2, kSoftKeyTop + 8, name, kColourBlack,
             2);
    // The station's live value as a small bar inside its key.
    const int x0 = k.left + 5;
    const int span = width - 10;
    image.FillRect(x0, kSoftKeyTop + 32, x0 + span, kSoftKeyTop + 38, kColourShade);
    image.FillRect(x0, kSoftKeyTop + 32, x0 + span * model.LiveValue(s) / PanelModel::kLiveMax,
                   kSoftKeyTop + 38, kColourGreen);
  }
}

// The text a cell shows for the selected parameter: the digits being typed,
// or the stored value.
std::string CellText(const PanelModel& model, const ParameterRecord& r, bool cursor) {
  if (cursor && !model.Entry().empty()) return model.Entry() + "_";
  return std::to_string(r.value);
}

void DrawOverview(const PanelModel& model, LetterImage& image) {
  DrawText(image, 14, kBodyTop + 4, "ALL STATIONS", kColourBlack, 2);
  const int xs[] = {14, 50, 196, 286, 376, 466, 526, 600};
  const int header_y = kBodyTop + 30;
  DrawText(image, xs[0], header_y, "ST", kColourShade);
  DrawText(image, xs[1], header_y, "NAME", kColourShade);
  for (int c = 0; c < kOverviewColumns; ++c) {
    DrawText(image, xs[2 + c], header_y,
             Label(ParameterCatalogue()[static_cast<size_t>(OverviewColumnRecord(c))]),
             kColourShade);
  }
  DrawText(image, xs[6], header_y, "VALUE", kColourShade);
  DrawText(image, xs[7], header_y, "LIVE", kColourShade);

  constexpr int kRowHeight = 54;
  for (int s = 0; s < kStationCount; ++s) {
    const int y = header_y + 14 + s * kRowHeight;
    const bool selected = s == model.SelectedStation();
    image.FillRect(10, y, 790, y + kRowHeight - 4, selected ? kColourPale : kColourWhite);
    image.OutlineRect(10, y, 790, y + kRowHeight - 4, selected ? kColourBlack : kColourMid);
    const int ty = y + 18;
    const auto& records = model.Store().Station(s);
    DrawText(image, xs[0], ty, std::to_string(s + 1), kColourBlack, 2);
    DrawFitted(image, xs[1], ty, xs[2] - xs[1] - 8, records[kNameRecord].text, kColourBlue);
    for (int c = 0; c < kOverviewColumns; ++c) {
      const bool cursor = selected && c == model.CursorColumn();
      const int x = xs[2 + c];
      if (cursor) {
        image.FillRect(x - 4, y + 6, x + 84, y + kRowHeight - 10, kColourYellow);
        image.OutlineRect(x - 4, y + 6, x + 84, y + kRowHeight - 10, kColourBlack);
      }
      const ParameterRecord& r = records[static_cast<size_t>(OverviewColumnRecord(c))];
      DrawFitted(image, x, ty, 80, CellText(model, r, cursor),
                 cursor && !model.Entry().empty() ? kColourRed : kColourBlack);
    }
    const int live = model.LiveValue(s);
    DrawText(image, xs[6], ty, std::to_string(live), kColourBlack, 2);
    const int bar_x = xs[7];
    const int bar_w = 180;
    image.FillRect(bar_x, y + 12, bar_x + bar_w, y + kRowHeight - 16, kColourShade);
    image.FillRect(bar_x, y + 12, bar_x + bar_w * live / PanelModel::kLiveMax, y + kRowHeight - 16,
                   live > 750 ? kColourRed : kColourGreen);
  }
}

void DrawStationPage(const PanelModel& model, LetterImage& image) {
  const int s = model.SelectedStation();
  const auto& records = model.Store().Station(s);
  DrawText(image, 14, kBodyTop + 4, Format("STATION %d PARAMETERS", s + 1), kColourBlack, 2);
  constexpr int kRowsPerColumn = 15;
  constexpr int kRowHeight = 29;
  for (size_t i = 0; i < records.size(); ++i) {
    const ParameterRecord& r = records[i];
    const int col = static_cast<int>(i) / kRowsPerColumn;
    const int row = static_cast<int>(i) % kRowsPerColumn;
    const int x = 10 + col * 392;
    const int y = kBodyTop + 30 + row * kRowHeight;
    const bool cursor = static_cast<int>(i) == model.CursorRecord();
    image.FillRect(x, y, x + 386, y + kRowHeight - 3, cursor ? kColourYellow : kColourWhite);
    image.OutlineRect(x, y, x + 386, y + kRowHeight - 3, cursor ? kColourBlack : kColourMid);
    DrawText(image, x + 6, y + 9, Label(*r.def), kColourBlack);
    DrawText(image, x + 72, y + 9, std::to_string(r.address), kColourShade);
    const bool typing = cursor && !model.Entry().empty();
    DrawFitted(image, x + 130, y + 6, 116, CellText(model, r, cursor),
               typing ? kColourRed : kColourBlue);
    if (AddressType(r.address) == kTextRecordType)
      DrawText(image, x + 240, y + 9, r.text, kColourBlack);
  }
}

void DrawTrendPage(const PanelModel& model, LetterImage& image) {
  const int s = model.SelectedStation();
  DrawText(image, 14, kBodyTop + 4, Format("TREND STATION %d", s + 1), kColourBlack, 2);
  constexpr int kLeft = 40, kTop = kBodyTop + 34, kHeight = 400;
  constexpr int kStep = 2;
  constexpr int kWidth = PanelModel::kTrendLength * kStep;
  image.FillRect(kLeft, kTop, kLeft + kWidth, kTop + kHeight, kColourWhite);
  for (int g = 0; g <= 10; ++g)
    image.FillRect(kLeft, kTop + g * kHeight / 10, kLeft + kWidth, kTop + g * kHeight / 10 + 1,
                   kColourPale);
  int lo = PanelModel::kLiveMax, hi = 0, sum = 0;
  for (int i = 0; i < PanelModel::kTrendLength; ++i) {
    const int v = model.TrendSample(s, i);
    lo = std::min(lo, v);
    hi = std::max(hi, v);
    sum += v;
    const int top = kTop + kHeight - v * kHeight / PanelModel::kLiveMax;
    const int x = kLeft + i * kStep;
    image.FillRect(x, top + 2, x + kStep, kTop + kHeight, kColourGreen);
    image.FillRect(x, top, x + kStep, top + 2, kColourBlue);
  }
  image.OutlineRect(kLeft - 1, kTop - 1, kLeft + kWidth + 1, kTop + kHeight + 1, kColourBlack);
  const int now = model.LiveValue(s);
  const std::pair<const char*, int> rows[] = {
      {"NOW", now}, {"MIN", lo}, {"MAX", hi}, {"AVG", sum / PanelModel::kTrendLength}};
  int y = kTop + 10;
  for (const auto& [name, v] : rows) {
    DrawText(image, 600, y, name, kColourShade, 2);
    DrawText(image, 660, y, std::to_string(v), kColourBlack, 2);
    y += 36;
  }
}

void DrawLinkPage(const PanelModel& model, LetterImage& image) {
  const LinkStats& st = model.Stats();
  DrawText(image, 14, kBodyTop + 4, "LINK", kColourBlack, 2);
  const std::pair<const char*, uint64_t> rows[] = {{"BYTES RECEIVED", st.bytes_received},
                                                   {"IMAGES SENT", st.frames_sent},
                                                   {"BLOCKS SENT", st.blocks_sent},
                                                   {"RESTORES", st.restores},
                                                   {"RECORDS RESTORED", st.records_restored},
                                                   {"RECORDS REFUSED", st.records_rejected},
                                                   {"STRAY BYTES", st.stray_bytes},
                                                   {"LAST IMAGE BYTES", st.last_payload_bytes},
                                                   {"KEYS", model.KeyCount()}};
  int y = kBodyTop + 40;
  for (const auto& [name, v] : rows) {
    DrawText(image, 40, y, name, kColourShade, 2);
    DrawText(image, 420, y, std::to_string(v), kColourBlack, 2);
    y += 44;
  }
}

void DrawSparePage(const PanelModel& model, LetterImage& image) {
  const std::string title = Format("PAGE F%d", model.PageNumber());
  DrawText(image, (kW - TextWidth(title, 4)) / 2, 220, title, kColourShade, 4);
  const std::string_view note = "NOTHING CONFIGURED";
  DrawText(image, (kW - TextWidth(note, 2)) / 2, 290, note, kColourShade, 2);
}

void DrawFooter(const PanelModel& model, LetterImage& image) {
  image.FillRect(2, kFooterTop, kW - 2, kH - 2, kFooterColour);
  image.FillRect(2, kFooterTop, kW - 2, kFooterTop + 1, kColourBlack);
  const std::optional<KeyCode> last = model.LastKey();
  const std::string key =
      last ? Format("KEY: %d (%s)", *last, KeyName(*last).c_str()) : std::string("KEY: NONE");
  DrawText(image, 12, kFooterTop + 8, key, kColourBlack, 2);
  DrawText(image, 330, kFooterTop + 8, "ENTRY:", kColourBlack, 2);
  DrawText(image, 410, kFooterTop + 8, model.Entry().empty() ? std::string("-") : model.Entry(),
           kColourRed, 2);
  DrawText(image, 12, kFooterTop + 30, "LAST: " + model.LastTransfer(), kColourBlack);
  DrawText(image, 330, kFooterTop + 30, model.Message(), kColourBlue);
}

}  // namespace

void RenderPanel(const PanelModel& model, LetterImage& image) {
  image.FillRect(0, 0, kW, kH, kBackground);
  DrawHeader(model, image);
  switch (model.PageNumber()) {
    case static_cast<int>(Page::kOverview): DrawOverview(model, image); break;
    case static_cast<int>(Page::kStation): DrawStationPage(model, image); break;
    case static_cast<int>(Page::kTrend): DrawTrendPage(model, image); break;
    case static_cast<int>(Page::kLink): DrawLinkPage(model, image); break;
    default: DrawSparePage(model, image); break;
  }
  DrawFooter(model, image);
  DrawBorder(image);
}

}  // namespace corvane::sim
