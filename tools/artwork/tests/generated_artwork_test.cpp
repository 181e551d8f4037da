// The artwork as built into the installation folder and the resource folder: every file exists,
// reads back in the format its program reads, has the size its program expects, and the control
// panel's bodies keep every control on the window and cut out exactly the key colour.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "skin/core/bmp.h"
#include "tools/artwork/core/icon.h"
#include "tools/artwork/core/image.h"
#include "tools/artwork/core/layout.h"
#include "tools/artwork/core/manifest.h"

namespace tl::artwork {
namespace {

namespace fs = std::filesystem;

const fs::path kInstall = TL_TEST_INSTALL_DIR;
const fs::path kResources = TL_TEST_RESOURCE_DIR;
const fs::path kSource = TL_TEST_SOURCE_DIR;

std::vector<uint8_t> Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ReadText(const fs::path& path) {
  std::vector<uint8_t> bytes = Read(path);
  return {bytes.begin(), bytes.end()};
}

// Decodes and checks the form every program can read: 24-bit with the 40-byte info header.
skin::Pixels Bitmap(const fs::path& path) {
  std::vector<uint8_t> bytes = Read(path);
  skin::BmpLayout layout;
  skin::Pixels pixels;
  EXPECT_TRUE(skin::ReadBmpLayout(bytes, layout)) << path;
  EXPECT_EQ(layout.headerSize, 40u) << path;
  EXPECT_EQ(layout.bitsPerPixel, 24) << path;
  EXPECT_TRUE(skin::DecodeBmp(bytes, pixels)) << path;
  return pixels;
}

skin::Pixels Skin(const std::string& name) { return Bitmap(kInstall / "images" / name); }

Rect Control(int32_t id, const skin::Pixels& body) {
  Rect r;
  EXPECT_TRUE(ControlRect(id, body.width, body.height, r)) << id;
  return r;
}

bool IsKey(uint32_t rgb) { return (rgb & 0xFFFFFF) == kKeyColour; }

int KeyPixelsIn(const skin::Pixels& p, const Rect& r) {
  int n = 0;
  for (int32_t y = std::max(r.y, 0); y < std::min(r.Bottom(), p.height); ++y)
    for (int32_t x = std::max(r.x, 0); x < std::min(r.Right(), p.width); ++x) n += IsKey(p.At(x, y));
  // Whatever lies outside the picture is outside the window too.
  const int64_t area = int64_t{r.width} * r.height;
  const int64_t inside = int64_t{std::max(0, std::min(r.Right(), p.width) - std::max(r.x, 0))} *
                         std::max(0, std::min(r.Bottom(), p.height) - std::max(r.y, 0));
  return n + static_cast<int>(area - inside);
}

double Luminance(const skin::Pixels& p, const Rect& r) {
  double sum = 0;
  int n = 0;
  for (int32_t y = r.y; y < r.Bottom(); ++y)
    for (int32_t x = r.x; x < r.Right(); ++x) {
      const uint32_t c = p.At(x, y);
      if (IsKey(c)) continue;
      sum += (0.299 * ((c >> 16) & 0xFF) + 0.587 * ((c >> 8) & 0xFF) + 0.114 * (c & 0xFF)) / 255;
      ++n;
    }
  return n ? sum / n : -1;
}

std::vector<bool> KeyMask(const skin::Pixels& p) {
  std::vector<bool> mask;
  for (uint32_t c : p.data) mask.push_back(IsKey(c));
  return mask;
}

struct PanelButton {
  int32_t id;
  const char* stem;  // <stem>_norm/_over/_down, or the single file
  int tab;           // -1 both tabs, 0 LCD, 1 Video
};
// The control panel's buttons and the bitmaps they are drawn with.
const PanelButton kPanelButtons[] = {
    {1034, "close", -1},        {1038, "minimize", -1},    {1007, "help", -1},
    {1058, "launch", 1},        {1006, "image_change", -1}, {1024, "full_screen", -1},
    {1033, "button", -1},       {1032, "button", -1},      {1028, "LCD_item", 0},
    {1027, "LCD_item", 0},      {1030, "LCD_item", 0},     {1026, "LCD_item", 0},
    {1053, "LCD_item", 0},      {1037, "LCD_item", 1},     {1025, "LCD_button_down", -1},
    {1029, "Video_button_down", -1},
};

std::vector<std::string> States(const std::string& stem) {
  if (stem == "LCD_item") return {"LCD_item_norm.bmp", "LCD_item_highlight.bmp"};
  if (stem.ends_with("_down")) return {stem + ".bmp"};
  return {stem + "_norm.bmp", stem + "_over.bmp", stem + "_down.bmp"};
}

class Bodies : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    body_[0] = Skin("body0.bmp");
    body_[1] = Skin("body1.bmp");
  }
  static skin::Pixels body_[2];
};
skin::Pixels Bodies::body_[2];

TEST_F(Bodies, HaveOneSizeThatFitsASmallNotebookScreen) {
  EXPECT_EQ(body_[0].width, body_[1].width);
  EXPECT_EQ(body_[0].height, body_[1].height);
  EXPECT_LE(body_[1].width, 1024 - 100);
  EXPECT_LE(body_[1].height, 600 - 100) << "room for the task bar on a 1024 x 600 screen";
  EXPECT_GE(body_[1].width, 600) << "previews large enough to judge a colour tone";
}

TEST_F(Bodies, KeepEveryControlAndBothWellsOnTheWindow) {
  for (int tab : {0, 1})
    for (const TemplateControl& c : PanelTemplate()) {
      if (c.id == kFullScreenWindowId) continue;
      EXPECT_EQ(KeyPixelsIn(body_[tab], Control(c.id, body_[tab])), 0) << "control " << c.id << " on body" << tab;
    }
}

TEST_F(Bodies, KeepEveryButtonBitmapOnTheWindowWhereItIsShown) {
  // A button is as large as its bitmap, at its placeholder's corner: the window outline must
  // not clip it.
  for (const PanelButton& b : kPanelButtons)
    for (int tab : {0, 1}) {
      if (b.tab != -1 && b.tab != tab) continue;
      const skin::Pixels bitmap = Skin(States(b.stem)[0]);
      const Rect at = Control(b.id, body_[tab]);
      EXPECT_EQ(KeyPixelsIn(body_[tab], Rect{at.x, at.y, bitmap.width, bitmap.height}), 0)
          << b.stem << " at control " << b.id << " on body" << tab;
    }
}

TEST_F(Bodies, CutOutExactlyTheKeyColourWithCrispEdges) {
  for (int tab : {0, 1}) {
    const skin::Pixels& body = body_[tab];
    int cut = 0;
    for (uint32_t c : body.data) {
      cut += IsKey(c);
      EXPECT_TRUE(IsKey(c) || !InKeyRange(c)) << "a visible pixel the outline would cut: " << std::hex << c;
      const uint32_t r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
      // A blend of the key with the frame would be pink or purple; the palette has none.
      EXPECT_TRUE(IsKey(c) || !(r > 0x90 && b > 0x90 && g + 0x40 < std::min(r, b))) << std::hex << c;
    }
    EXPECT_GT(cut, 1000) << "the outline is shaped, not a rectangle";
    // The corners are rounded off.
    EXPECT_TRUE(IsKey(body.At(body.width - 1, 0)));
    EXPECT_TRUE(IsKey(body.At(0, body.height - 1)));
    EXPECT_TRUE(IsKey(body.At(body.width - 1, body.height - 1)));
  }
}

TEST_F(Bodies, DifferInOutlineSoTheTabChangeShowsInTheWindowShape) {
  int differing = 0;
  for (size_t i = 0; i < body_[0].data.size(); ++i)
    differing += IsKey(body_[0].data[i]) != IsKey(body_[1].data[i]);
  EXPECT_GT(differing, 1000);
}

TEST_F(Bodies, DrawWellsTabsAndLabelGroundsWhereTheControlsLand) {
  for (int tab : {0, 1}) {
    const skin::Pixels& body = body_[tab];
    for (int32_t well : {1015, 1016}) {
      const Rect r = Control(well, body);
      EXPECT_LT(Luminance(body, r), 0.15) << "the preview well is dark, body" << tab;
      // A bezel frames the well on every side.
      for (const Rect& edge : {Rect{r.x - 3, r.y + 10, 2, 10}, Rect{r.Right() + 1, r.y + 10, 2, 10},
                               Rect{r.x + 10, r.y - 3, 10, 2}, Rect{r.x + 10, r.Bottom() + 1, 10, 2}})
        EXPECT_LT(Luminance(body, edge), 0.3) << "bezel around " << well << ", body" << tab;
    }
    // The current tab is drawn by the body, light under its dark caption.
    EXPECT_GT(Luminance(body, Control(tab == 0 ? 1025 : 1029, body)), 0.75) << "body" << tab;
    // The transparent labels' dark-blue captions are drawn straight on the body.
    EXPECT_GT(Luminance(body, Control(1062, body)), 0.75);
    EXPECT_GT(Luminance(body, Control(1008, body)), 0.75);
    if (tab == 1) {
      EXPECT_GT(Luminance(body, Control(1065, body)), 0.7);
    }
  }
}

TEST(PanelSkin, ButtonStatesShareSizeAndShape) {
  for (const PanelButton& b : kPanelButtons) {
    const std::vector<std::string> states = States(b.stem);
    const skin::Pixels first = Skin(states[0]);
    for (const std::string& s : states) {
      const skin::Pixels state = Skin(s);
      EXPECT_EQ(state.width, first.width) << s;
      EXPECT_EQ(state.height, first.height) << s;
      // The skin library cuts the window from the normal state's key pixels.
      EXPECT_EQ(KeyMask(state), KeyMask(first)) << s;
    }
  }
  EXPECT_EQ(KeyMask(Skin("LCD_button_down.bmp")), KeyMask(Skin("Video_button_down.bmp")));
}

TEST(PanelSkin, ButtonsAreTheSizeOfTheirControls) {
  const skin::Pixels body = Skin("body1.bmp");
  for (const PanelButton& b : kPanelButtons) {
    // Normal's placeholder is narrower than the mode buttons whose bitmap it shares.
    if (b.id == 1053) continue;
    const Rect c = Control(b.id, body);
    const skin::Pixels bitmap = Skin(States(b.stem)[0]);
    EXPECT_GE(bitmap.width, c.width - 1) << b.stem;
    EXPECT_LE(bitmap.width, c.width + 2) << b.stem;
    EXPECT_GE(bitmap.height, c.height) << b.stem;
    EXPECT_LE(bitmap.height, c.height + 4) << b.stem;
  }
  const skin::Pixels label = Skin("topbg.bmp");
  EXPECT_EQ(label.width, Control(1062, body).width);
  EXPECT_EQ(label.height, Control(1062, body).height);
}

TEST(PanelSkin, CaptionsStayReadable) {
  // Light captions (0xF0F0F0) on the dark buttons, dark blue ones on the light buttons and tabs.
  for (const char* dark : {"button_norm.bmp", "button_over.bmp", "button_down.bmp", "image_change_norm.bmp",
                           "full_screen_norm.bmp", "ax/button_norm.bmp", "ax/button_over.bmp", "ax/button_down.bmp"}) {
    const skin::Pixels p = Skin(dark);
    EXPECT_LT(Luminance(p, Rect{p.width / 4, 3, p.width / 2, p.height - 8}), 0.35) << dark;
  }
  for (const char* light : {"LCD_item_norm.bmp", "LCD_item_highlight.bmp", "LCD_button_down.bmp",
                            "Video_button_down.bmp", "ax/LCD_item_norm.bmp", "ax/LCD_item_highlight.bmp"}) {
    const skin::Pixels p = Skin(light);
    EXPECT_GT(Luminance(p, Rect{p.width / 4, 3, p.width / 2, p.height - 8}), 0.6) << light;
  }
}

TEST(Resources, SliderChannelAndDialogBackgrounds) {
  const skin::Pixels channel = Bitmap(kResources / "slider_channel.bmp");
  EXPECT_EQ(channel.width, 30);
  EXPECT_EQ(channel.height, 18);
  EXPECT_TRUE(IsKey(channel.At(0, 0))) << "the transparent colour is the top-left pixel";
  // The groove's middle columns are alike, so stretching sideways keeps its look.
  for (int32_t x = 10; x < 20; ++x)
    for (int32_t y = 0; y < 18; ++y) EXPECT_EQ(channel.At(x, y), channel.At(15, y)) << x << "," << y;
  for (const char* name : {"renderer_dialog.bmp", "plugin_dialog.bmp"}) {
    const skin::Pixels bg = Bitmap(kResources / name);
    EXPECT_EQ(bg.width, 250) << name;
    EXPECT_EQ(bg.height, 130) << name;
    // The "Contrast" caption (dark blue, transparent button) is drawn at (14, 37).
    EXPECT_GT(Luminance(bg, Rect{14, 37, 60, 14}), 0.75) << name;
  }
}

TEST(Resources, IconsHoldEverySizeWithAlpha) {
  for (const char* name : {"TavoLumara.ico", "eLumara.ico", "Norvak_Dialog.ico"}) {
    std::vector<Image> images;
    ASSERT_TRUE(DecodeIco(Read(kResources / name), images)) << name;
    std::set<int32_t> sizes;
    for (const Image& image : images) {
      EXPECT_EQ(image.width, image.height);
      sizes.insert(image.width);
      EXPECT_EQ(image.At(0, 0) >> 24, 0u) << name << " corners are transparent";
      EXPECT_EQ(image.At(image.width / 2, image.height / 2) >> 24, 255u) << name << " the middle is opaque";
    }
    for (int32_t size : {16, 24, 32, 48}) EXPECT_TRUE(sizes.count(size)) << name << " lacks " << size;
  }
}

TEST(TrayDialogSkin, FitsTheDialogAtItsPlaces) {
  const skin::Pixels apply = Skin("ax/button_norm.bmp");
  EXPECT_LE(129 + apply.width, 250 - 4);
  EXPECT_LE(96 + apply.height, 130 - 4);
  EXPECT_LE(33 + apply.width, 129 - 4) << "Cancel ends before Apply";
  const skin::Pixels def = Skin("ax/LCD_item_norm.bmp");
  EXPECT_LE(178 + def.width, 250 - 4);
  EXPECT_EQ(KeyMask(def), KeyMask(Skin("ax/LCD_item_highlight.bmp")));
  for (const char* state : {"ax/button_over.bmp", "ax/button_down.bmp"})
    EXPECT_EQ(KeyMask(Skin(state)), KeyMask(apply)) << state;
  const skin::Pixels channel = Skin("ax/Video_lumara_mini_bg-cut.bmp");
  const skin::Pixels thumb = Skin("ax/bar.bmp");
  EXPECT_LE(14 + channel.width, 178 - 4) << "the slider ends before Default";
  EXPECT_LE(thumb.height, channel.height) << "the thumb is centred inside the channel's window";
  EXPECT_LT(thumb.width, channel.width / 5);
  EXPECT_TRUE(IsKey(thumb.At(0, 0))) << "the thumb's corners let the channel show";
}

TEST(Badge, IsA128By64ArgbSurfaceWithTransparency) {
  Image badge;
  ASSERT_TRUE(DecodeDdsArgb(Read(kInstall / "images/ax/Lumara02.dds"), badge));
  EXPECT_EQ(badge.width, 128);
  EXPECT_EQ(badge.height, 64);
  int clear = 0, solid = 0;
  for (uint32_t p : badge.data) {
    clear += (p >> 24) == 0;
    solid += (p >> 24) >= 0xC0;
  }
  EXPECT_GT(clear, 500) << "the video shows around the badge";
  EXPECT_GT(solid, 500);
}

TEST(HelpPages, ExistForEnglishAndTheShippedGermanProfile) {
  const std::string english = ReadText(kInstall / "help/Eng/Tavo Lumara.htm");
  ASSERT_FALSE(english.empty());
  // The German profile's translation of the help key names the German page.
  const std::string german = ReadText(kSource / "assets/language/German.xml");
  const std::string key = "index=\"Eng\\Tavo Lumara.htm\" message=\"";
  const size_t at = german.find(key);
  ASSERT_NE(at, std::string::npos) << "German.xml translates the help key";
  std::string page = german.substr(at + key.size(), german.find('"', at + key.size()) - at - key.size());
  std::replace(page.begin(), page.end(), '\\', '/');
  const std::string deutsch = ReadText(kInstall / "help" / page);
  ASSERT_FALSE(deutsch.empty()) << page;
  EXPECT_NE(deutsch.find("lang=\"de\""), std::string::npos);
  for (const std::string* html : {&english, &deutsch}) {
    EXPECT_NE(html->find("charset=utf-8"), std::string::npos);
    // Every picture the page shows is there.
    for (size_t pos = html->find("<img src=\""); pos != std::string::npos; pos = html->find("<img src=\"", pos + 1)) {
      const size_t start = pos + 10;
      const std::string src = html->substr(start, html->find('"', start) - start);
      EXPECT_TRUE(fs::exists((kInstall / "help/Eng" / src).lexically_normal())) << src;
    }
    for (const char* topic : {"Apply", "Cancel", "Open File", "Full Screen", "Contrast", "Default", "Vivid", "Theater",
                              "Soft", "Normal", "Video Lumara"})
      EXPECT_NE(html->find(topic), std::string::npos) << topic;
  }
}

TEST(InstallManifest, ListsEveryInstalledArtworkFileAndTheyExist) {
  const Manifest manifest = ParseManifest(ReadText(kSource / "assets/artwork/artwork.list"));
  std::set<std::string> listed;
  std::ifstream in(kSource / "assets/install_manifest.txt");
  for (std::string line; std::getline(in, line);) listed.insert(line);
  int checked = 0;
  for (const ManifestEntry& e : manifest.entries) {
    if (!e.output.starts_with("install:")) {
      EXPECT_TRUE(fs::exists(kResources / e.output.substr(4))) << e.output;
      continue;
    }
    const std::string path = e.output.substr(8);
    EXPECT_TRUE(listed.count(path)) << path << " is missing from install_manifest.txt";
    EXPECT_TRUE(fs::exists(kInstall / path)) << path;
    ++checked;
  }
  EXPECT_GT(checked, 40);
}

}  // namespace
}  // namespace tl::artwork
