#include "tools/artwork/core/mock.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "tools/artwork/core/markup.h"
#include "tools/artwork/core/template.h"

namespace tl::artwork {
namespace {

constexpr const char* kVerdana = "Verdana, 'DejaVu Sans', sans-serif";
constexpr const char* kArial = "Arial, 'Liberation Sans', 'DejaVu Sans', sans-serif";
constexpr uint32_t kLightText = 0xFFF0F0F0;
constexpr uint32_t kNavyText = 0x7F0F0F4F;
constexpr uint32_t kLabelText = 0x8F0F0F4F;

enum Visible { kBothTabs, kLcdTab, kVideoTab };

// The control panel's skin set: normal bitmap, where it shows and its caption.
struct PanelButton {
  int32_t id;
  const char* bitmap;
  Visible visible;
  const char* caption;
  int style;
  double points;
  uint32_t argb;
  bool label;  // drawn transparently: the body shows, only the caption is drawn
};

constexpr PanelButton kPanelButtons[] = {
    {1034, "close_norm.bmp", kBothTabs, nullptr, 0, 0, 0, false},
    {1038, "minimize_norm.bmp", kBothTabs, nullptr, 0, 0, 0, false},
    {1007, "help_norm.bmp", kBothTabs, nullptr, 0, 0, 0, false},
    {1058, "launch_norm.bmp", kVideoTab, nullptr, 0, 0, 0, false},
    {1006, "image_change_norm.bmp", kBothTabs, "Open File", 2, 8, kLightText, false},
    {1024, "full_screen_norm.bmp", kBothTabs, "Full Screen", 2, 8, kLightText, false},
    {1033, "button_norm.bmp", kBothTabs, "Apply", 0, 8, kLightText, false},
    {1032, "button_norm.bmp", kBothTabs, "Cancel", 0, 8, kLightText, false},
    {1025, "LCD_button_down.bmp", kBothTabs, "LCD Lumara", 2, 8, kNavyText, false},
    {1029, "Video_button_down.bmp", kBothTabs, "Video Lumara", 2, 8, kNavyText, false},
    // "button_font" is first registered at 8 points; the mode buttons' later 7-point
    // registration under the same name is never found.
    {1028, "LCD_item_norm.bmp", kLcdTab, "Lumara", 0, 8, kNavyText, false},
    {1027, "LCD_item_norm.bmp", kLcdTab, "Vivid", 0, 8, kNavyText, false},
    {1030, "LCD_item_norm.bmp", kLcdTab, "Theater", 0, 8, kNavyText, false},
    {1026, "LCD_item_norm.bmp", kLcdTab, "Soft", 0, 8, kNavyText, false},
    {1037, "LCD_item_norm.bmp", kVideoTab, "Default", 0, 8, kNavyText, false},
    {1053, "LCD_item_norm.bmp", kLcdTab, "Normal", 0, 8, kNavyText, false},
    {1065, "button_norm.bmp", kVideoTab, "Contrast", 1, 7, kLabelText, true},
    {1062, "topbg.bmp", kBothTabs, "Normal Frame", 1, 8, kLabelText, true},
    {1008, "topbg.bmp", kBothTabs, "Applied Frame", 1, 8, kLabelText, true},
};

constexpr int32_t kModeButtons[] = {1028, 1027, 1030, 1026, 1053};  // modes 1..5

bool ShownOn(Visible v, int tab) {
  return v == kBothTabs || (v == kLcdTab && tab == 0) || (v == kVideoTab && tab == 1);
}

std::string Colour(uint32_t argb) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "#%06X", argb & 0xFFFFFF);
  return buffer;
}

// Slider geometry of the skin library: thumb centre at tw/2 + (W - tw) * position / range.
int32_t ThumbLeft(int32_t channelWidth, int32_t thumbWidth, int percent) {
  return (channelWidth - thumbWidth) * percent / 100;
}

}  // namespace

MockPlan PanelMock(int32_t bodyWidth, int32_t bodyHeight, int tab, int mode, int sliderPercent,
                   const std::vector<int32_t>& callouts, const SizeOf& sizeOf) {
  MockPlan plan;
  plan.width = bodyWidth;
  plan.height = bodyHeight;
  plan.background = tab == 0 ? "images/body0.bmp" : "images/body1.bmp";
  Rect r;
  ControlRect(1015, bodyWidth, bodyHeight, r);
  plan.wells.push_back(r);
  ControlRect(1016, bodyWidth, bodyHeight, r);
  plan.wells.push_back(r);

  const int32_t selected = (mode >= 1 && mode <= 5) ? kModeButtons[mode - 1] : 0;
  for (const PanelButton& b : kPanelButtons) {
    if (!ShownOn(b.visible, tab)) continue;
    Rect place;
    ControlRect(b.id, bodyWidth, bodyHeight, place);
    // A button window takes its skin bitmap's size at the placeholder's corner.
    const Rect size = sizeOf(std::string("images/") + b.bitmap);
    const Rect window{place.x, place.y, size.width, size.height};
    // The current tab's button is transparent: the body draws that tab.
    const bool transparent = b.label || (b.id == 1025 && tab == 0) || (b.id == 1029 && tab == 1);
    if (!transparent) {
      // A selected mode button shows its fourth state, the highlight.
      std::string bitmap = b.id == selected ? "LCD_item_highlight.bmp" : b.bitmap;
      plan.pieces.push_back({"images/" + bitmap, window.x, window.y, 0});
    }
    if (b.caption)
      plan.captions.push_back({b.caption, window, b.style, b.points, false, kVerdana, b.argb});
  }
  if (tab == 1) {
    Rect slider;
    ControlRect(1050, bodyWidth, bodyHeight, slider);
    const Rect channel = sizeOf("res:slider_channel.bmp");
    const int32_t y = slider.y + (slider.height - std::min(channel.height, slider.height)) / 2;
    plan.pieces.push_back({"res:slider_channel.bmp", slider.x, y, slider.width});
    // The program's own thumb: 11 pixels wide, the slider's height less a pixel at each end.
    constexpr int32_t kThumbWidth = 11;
    plan.thumbs.push_back({slider.x + ThumbLeft(slider.width, kThumbWidth, sliderPercent), slider.y + 1,
                           kThumbWidth, slider.height - 2});
  }
  for (int32_t id : callouts) {
    Rect c;
    if (ControlRect(id, bodyWidth, bodyHeight, c)) plan.callouts.push_back(c);
  }
  return plan;
}

MockPlan TrayMock(const std::string& background, int sliderPercent,
                  const std::vector<int32_t>& callouts, const SizeOf& sizeOf) {
  MockPlan plan;
  const Rect bg = sizeOf(background);
  plan.width = bg.width;
  plan.height = bg.height;
  plan.background = background;
  struct Button {
    int32_t id;
    const char* bitmap;
    int32_t x, y;
    const char* caption;
    int style;
    double points;
    uint32_t argb;
    bool drawn;
  };
  constexpr Button kButtons[] = {
      {513, "images/ax/button_norm.bmp", 129, 96, "Apply", 0, 8, 0xF0F0F0F0, true},
      {516, "images/ax/button_norm.bmp", 33, 96, "Cancel", 0, 8, 0xF0F0F0F0, true},
      {517, "images/ax/LCD_item_norm.bmp", 178, 60, "Default", 0, 8, kNavyText, true},
      {767, "images/ax/button_norm.bmp", 14, 37, "Contrast", 1, 9, kLabelText, false},
  };
  std::vector<std::pair<int32_t, Rect>> places;
  for (const Button& b : kButtons) {
    const Rect size = sizeOf(b.bitmap);
    const Rect window{b.x, b.y, size.width, size.height};
    if (b.drawn) plan.pieces.push_back({b.bitmap, b.x, b.y, 0});
    plan.captions.push_back({b.caption, window, b.style, b.points, true, kArial, b.argb});
    places.push_back({b.id, window});
  }
  const Rect channel = sizeOf("images/ax/Video_lumara_mini_bg-cut.bmp");
  const Rect thumb = sizeOf("images/ax/bar.bmp");
  plan.pieces.push_back({"images/ax/Video_lumara_mini_bg-cut.bmp", 14, 62, 0});
  plan.pieces.push_back({"images/ax/bar.bmp", 14 + ThumbLeft(channel.width, thumb.width, sliderPercent),
                         62 + (channel.height - thumb.height) / 2, 0});
  places.push_back({525, Rect{14, 62, channel.width, channel.height}});
  for (int32_t id : callouts)
    for (const auto& [placeId, rect] : places)
      if (placeId == id) plan.callouts.push_back(rect);
  return plan;
}

std::string OverlaySvg(const MockPlan& plan) {
  std::ostringstream svg;
  svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << plan.width << "\" height=\""
      << plan.height << "\" viewBox=\"0 0 " << plan.width << ' ' << plan.height << "\">\n";
  for (const MockCaption& c : plan.captions) {
    // GDI's cell at 96 dots per inch: the em is points * 4/3 pixels; these faces' cells are
    // about 1.2 em high with the baseline 1 em down.
    const double em = std::round(c.points * 96 / 72);
    const double cell = std::round(em * 1.215);
    double top = 0, x = c.button.x, anchorMiddle = false;
    if (c.style != 1) {
      top = std::fabs(std::floor((c.button.height - cell) / 2)) - 2;
      x = c.button.x + c.button.width / 2.0 + (c.style == 2 ? 10 : 0);
      anchorMiddle = true;
    }
    svg << "<text x=\"" << FormatNumber(x) << "\" y=\"" << FormatNumber(c.button.y + top + em)
        << "\" font-family=\"" << c.face << "\" font-size=\"" << FormatNumber(em) << "px\""
        << (c.bold ? " font-weight=\"bold\"" : "")
        << (anchorMiddle ? " text-anchor=\"middle\"" : "") << " fill=\"" << Colour(c.argb)
        << "\" fill-opacity=\"" << FormatNumber((c.argb >> 24) / 255.0) << "\">"
        << EscapeHtml(c.text) << "</text>\n";
  }
  for (const Rect& t : plan.thumbs) {
    svg << "<rect x=\"" << FormatNumber(t.x + 0.5) << "\" y=\"" << FormatNumber(t.y + 0.5) << "\" width=\""
        << t.width - 1 << "\" height=\"" << t.height - 1
        << "\" rx=\"2\" fill=\"#E8ECF6\" stroke=\"#283060\" stroke-width=\"1\"/>\n";
  }
  int number = 1;
  for (const Rect& c : plan.callouts) {
    // At the control's top-left corner; under controls that touch the top edge.
    const bool atTop = c.y < 12;
    const double cx = atTop ? c.x + c.width / 2.0 : std::max(9.0, c.x - 2.0);
    const double cy = atTop ? c.Bottom() + 10.0 : std::max(9.0, c.y - 2.0);
    svg << "<g><circle cx=\"" << FormatNumber(cx) << "\" cy=\"" << FormatNumber(cy)
        << "\" r=\"8.5\" fill=\"#E8791F\" stroke=\"#FFFFFF\" stroke-width=\"1.5\"/>"
        << "<text x=\"" << FormatNumber(cx) << "\" y=\"" << FormatNumber(cy + 4)
        << "\" font-family=\"" << kVerdana << "\" font-size=\"11px\" font-weight=\"bold\""
        << " text-anchor=\"middle\" fill=\"#FFFFFF\">" << number++ << "</text></g>\n";
  }
  svg << "</svg>\n";
  return svg.str();
}

Image StretchChannel(const Image& channel, int32_t width) {
  const int32_t cap = std::min(channel.width / 3, width / 2);
  const int32_t middle = channel.width - 2 * (channel.width / 3);
  Image out(width, channel.height);
  for (int32_t y = 0; y < channel.height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      int32_t from;
      if (x < cap) from = x;
      else if (x >= width - cap) from = channel.width - (width - x);
      else from = channel.width / 3 + (x - cap) * middle / std::max(width - 2 * cap, 1);
      out.At(x, y) = channel.At(from, y);
    }
  return out;
}

void ApplyPreviewTone(Image& image) {
  for (uint32_t& p : image.data) {
    double c[3];
    for (int i = 0; i < 3; ++i) c[i] = ((p >> (16 - 8 * i)) & 0xFF) / 255.0;
    const double grey = 0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2];
    uint32_t out = p & 0xFF000000;
    for (int i = 0; i < 3; ++i) {
      double v = grey + (c[i] - grey) * 1.35;          // livelier colour
      v = std::clamp(v, 0.0, 1.0);
      v -= 0.35 * std::sin(2 * M_PI * v) / (2 * M_PI);  // gentle S-curve, still rising
      out |= static_cast<uint32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255)) << (16 - 8 * i);
    }
    p = out;
  }
}

}  // namespace tl::artwork
