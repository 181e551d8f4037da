// The artwork tool's core: the template language, the layout arithmetic, key-colour finishing,
// the icon and surface formats read back, the list of outputs, the help markup and the mocks.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

#include "skin/core/bmp.h"
#include "tools/artwork/core/icon.h"
#include "tools/artwork/core/image.h"
#include "tools/artwork/core/layout.h"
#include "tools/artwork/core/manifest.h"
#include "tools/artwork/core/markup.h"
#include "tools/artwork/core/mock.h"
#include "tools/artwork/core/template.h"

namespace tl::artwork {
namespace {

using ::testing::HasSubstr;

TEST(Template, ExpressionsFollowTheUsualPrecedence) {
  Variables v{{"W", 660}, {"c1015.x", 36}, {"tab", 1}};
  EXPECT_EQ(Evaluate("1 + 2 * 3", v), 7);
  EXPECT_EQ(Evaluate("(1 + 2) * 3", v), 9);
  EXPECT_EQ(Evaluate("-W / 4 + 1", v), -164);
  EXPECT_EQ(Evaluate("7 % 4", v), 3);
  EXPECT_EQ(Evaluate("c1015.x - 5", v), 31);
  EXPECT_EQ(Evaluate("tab == 0 ? 10 : 20", v), 20);
  EXPECT_EQ(Evaluate("tab == 1 && W > 600 || 0", v), 1);
  EXPECT_EQ(Evaluate("!tab", v), 0);
  EXPECT_EQ(Evaluate("min(3, W) + max(1, 2) + floor(2.7) + round(2.5) + abs(-4)", v), 3 + 2 + 2 + 3 + 4);
  EXPECT_EQ(Evaluate("1 < 2 ? 1 <= 1 : 0", v), 1);
}

TEST(Template, BadExpressionsAreRefusedWithTheReason) {
  Variables v{{"x", 1}};
  EXPECT_THROW(Evaluate("y + 1", v), TemplateError);
  EXPECT_THROW(Evaluate("1 +", v), TemplateError);
  EXPECT_THROW(Evaluate("(1 + 2", v), TemplateError);
  EXPECT_THROW(Evaluate("1 / 0", v), TemplateError);
  EXPECT_THROW(Evaluate("2 3", v), TemplateError);
  EXPECT_THROW(Evaluate("min(1)", v), TemplateError);
  EXPECT_THROW(Evaluate("sqrt(4)", v), TemplateError);
  try {
    Evaluate("width * 2", v);
    FAIL();
  } catch (const TemplateError& e) {
    EXPECT_THAT(e.what(), HasSubstr("unknown name 'width'"));
  }
}

TEST(Template, ExpandsValuesBranchesAndSettings) {
  Variables v{{"tab", 0}, {"W", 660}};
  EXPECT_EQ(Expand("<rect width=\"{{W / 2}}\" x=\"{{ 1.25 }}\"/>", v), "<rect width=\"330\" x=\"1.25\"/>");
  EXPECT_EQ(Expand("{{if tab == 0}}lcd{{else}}video{{end}}", v), "lcd");
  v["tab"] = 1;
  EXPECT_EQ(Expand("{{if tab == 0}}lcd{{else}}video{{end}}", v), "video");
  EXPECT_EQ(Expand("{{if 1}}a{{if 0}}b{{else}}c{{end}}d{{else}}e{{if 1}}f{{end}}{{end}}", v), "acd");
  EXPECT_EQ(Expand("{{set m = W - 8}}{{# not printed}}[{{m}}]", v), "[652]");
  EXPECT_EQ(v.at("m"), 652);
  // A branch not taken is not evaluated: names it uses need not exist, and it sets nothing.
  EXPECT_EQ(Expand("{{if 0}}{{missing}}{{set n = 1}}{{end}}ok", v), "ok");
  EXPECT_EQ(v.count("n"), 0u);
}

TEST(Template, StructureErrorsNameTheLine) {
  Variables v;
  EXPECT_THROW(Expand("{{if 1}}open", v), TemplateError);
  EXPECT_THROW(Expand("{{end}}", v), TemplateError);
  EXPECT_THROW(Expand("{{else}}", v), TemplateError);
  EXPECT_THROW(Expand("{{if 1}}{{else}}{{else}}{{end}}", v), TemplateError);
  EXPECT_THROW(Expand("{{set = 3}}", v), TemplateError);
  try {
    Expand("line one\nline two {{ nothing }}", v);
    FAIL();
  } catch (const TemplateError& e) {
    EXPECT_THAT(e.what(), HasSubstr("line 2"));
  }
  EXPECT_THROW(Expand("{{ 1 + 1", v), TemplateError);
}

TEST(Template, NumbersAreWrittenShort) {
  EXPECT_EQ(FormatNumber(12), "12");
  EXPECT_EQ(FormatNumber(0.5), "0.5");
  EXPECT_EQ(FormatNumber(-3.125), "-3.125");
  EXPECT_EQ(FormatNumber(2.0004), "2");
  EXPECT_EQ(FormatNumber(-0.0001), "0");
  EXPECT_THROW(FormatNumber(1.0 / 0.0), TemplateError);
}

TEST(Layout, ControlsScaleByTheBodyOverTheTemplateTruncated) {
  Rect r;
  ASSERT_TRUE(ControlRect(1015, 660, 440, r));
  // 23 * 660/413 = 36.75, 75 * 440/272 = 121.3, 169 * 1.598 = 270.07, 141 * 1.6176 = 228.09
  EXPECT_EQ(r, (Rect{36, 121, 270, 228}));
  ASSERT_TRUE(ControlRect(1033, 660, 440, r));
  EXPECT_EQ(r, (Rect{554, 406, 87, 19}));
  ASSERT_TRUE(ControlRect(1034, 413, 272, r));
  EXPECT_EQ(r, (Rect{374, 1, 10, 10})) << "the template's own size keeps dialog units";
  EXPECT_FALSE(ControlRect(9999, 660, 440, r));
  EXPECT_EQ(PanelTemplate().size(), 23u);

  Variables v;
  AddLayoutVariables(660, 440, v);
  EXPECT_EQ(v.at("W"), 660);
  EXPECT_EQ(v.at("c1016.x"), 353);
  EXPECT_EQ(v.at("c1016.r"), 623);
  EXPECT_EQ(v.at("c1016.b"), 349);
  EXPECT_EQ(v.at("c1016.cx"), 488);
}

TEST(Finishing, KeyRangeIsTheWindowOutlinesTolerance) {
  EXPECT_TRUE(InKeyRange(0xFF00FF));
  EXPECT_TRUE(InKeyRange(0xFF20FF));
  EXPECT_FALSE(InKeyRange(0xFF21FF));
  EXPECT_FALSE(InKeyRange(0xFE00FF));
  EXPECT_FALSE(InKeyRange(0xFF00FE));
  EXPECT_FALSE(InKeyRange(0x000000));
}

TEST(Finishing, CutOutsAreExactlyKeyedAndEdgesLieOnTheMatte) {
  Image image(5, 1);
  image.data = {0x00123456, 0x7F000000, 0x80FFFFFF, 0xFF204060, 0xFFFF10FF};
  skin::Pixels keyed = Flatten(image, {true, 0x000000});
  EXPECT_EQ(keyed.data[0], kKeyColour);
  EXPECT_EQ(keyed.data[1], kKeyColour) << "at most half covered is cut out";
  EXPECT_EQ(keyed.data[2], 0x808080u) << "half white over a black matte, not over magenta";
  EXPECT_EQ(keyed.data[3], 0x204060u);
  EXPECT_FALSE(InKeyRange(keyed.data[4])) << "a drawn near-key colour leaves the range";
  EXPECT_EQ(keyed.data[4], 0xFE10FFu);

  skin::Pixels plain = Flatten(image, {false, 0x102030});
  EXPECT_EQ(plain.data[0], 0x102030u) << "without a key, transparency shows the matte";
  EXPECT_EQ(plain.data[3], 0x204060u);

  // The finished pixels survive the BMP writer and the skin library's reader unchanged.
  skin::Pixels back;
  ASSERT_TRUE(skin::DecodeBmp(skin::EncodeBmp24(keyed), back));
  EXPECT_EQ(back.data, keyed.data);
}

TEST(Finishing, CompositeIsStraightAlphaOver) {
  Image bottom(2, 1, 0xFF000000);
  Image top(2, 1);
  top.data = {0x80FFFFFF, 0x00FFFFFF};
  Composite(bottom, top, 0, 0);
  EXPECT_EQ(bottom.data[0], 0xFF808080u);
  EXPECT_EQ(bottom.data[1], 0xFF000000u);
  Image clear(1, 1, 0);
  Image half(1, 1, 0x80FF0000);
  Composite(clear, half, 0, 0);
  EXPECT_EQ(clear.data[0], 0x80FF0000u) << "over nothing, the colour keeps its own alpha";
  Composite(clear, half, 5, 5);  // outside: clipped, no write
  skin::Pixels key;
  key.width = key.height = 1;
  key.data = {kKeyColour};
  EXPECT_EQ(FromPixels(key, true).data[0], 0u) << "read back, the key is see-through";
  EXPECT_EQ(FromPixels(key, false).data[0], 0xFFFF00FFu);
}

Image RandomImage(int32_t w, int32_t h, uint32_t seed) {
  std::mt19937 rng(seed);
  Image image(w, h);
  for (uint32_t& p : image.data) {
    p = rng();
    if ((p >> 24) < 40) p &= 0x00FFFFFF;  // some fully transparent pixels
  }
  return image;
}

TEST(Icon, EveryEntryReadsBackWithAMatchingMask) {
  std::vector<Image> images{RandomImage(16, 16, 1), RandomImage(33, 33, 2), RandomImage(256, 256, 3)};
  std::vector<uint8_t> file = EncodeIco(images);
  EXPECT_EQ(file[6 + 2 * 16], 0) << "256 is written as 0 in the directory";
  std::vector<Image> back;
  ASSERT_TRUE(DecodeIco(file, back));
  ASSERT_EQ(back.size(), 3u);
  for (size_t i = 0; i < images.size(); ++i) {
    EXPECT_EQ(back[i].width, images[i].width);
    EXPECT_EQ(back[i].data, images[i].data);
  }
}

TEST(Icon, DamagedFilesAreRefused) {
  std::vector<Image> images{RandomImage(16, 16, 4)};
  const std::vector<uint8_t> good = EncodeIco(images);
  std::vector<Image> out;
  for (size_t cut : {0ul, 5ul, 21ul, good.size() - 1}) {
    std::vector<uint8_t> truncated(good.begin(), good.begin() + static_cast<long>(cut));
    EXPECT_FALSE(DecodeIco(truncated, out)) << cut;
  }
  std::vector<uint8_t> bad = good;
  bad[6 + 12] = 0xFF;  // image offset far outside
  EXPECT_FALSE(DecodeIco(bad, out));
  bad = good;
  bad[22 + 14] = 8;  // 8 bits per pixel: not what we write
  EXPECT_FALSE(DecodeIco(bad, out));
  bad = good;
  bad[6] = 17;  // directory size disagrees with the picture
  EXPECT_FALSE(DecodeIco(bad, out));
  bad = good;
  bad[22 + 40 + 16 * 16 * 4] ^= 0x80;  // the mask no longer matches the alpha
  EXPECT_FALSE(DecodeIco(bad, out));
  EXPECT_TRUE(out.empty()) << "nothing is handed out on failure";
}

TEST(Surface, ArgbSurfaceHasTheHeaderD3dxReads) {
  Image image = RandomImage(128, 64, 5);
  std::vector<uint8_t> file = EncodeDdsArgb(image);
  ASSERT_EQ(file.size(), 128u + 128 * 64 * 4);
  auto u32 = [&](size_t at) { return uint32_t(file[at]) | file[at + 1] << 8 | file[at + 2] << 16 | uint32_t(file[at + 3]) << 24; };
  EXPECT_EQ(u32(0), 0x20534444u);   // "DDS "
  EXPECT_EQ(u32(4), 124u);          // header size
  EXPECT_EQ(u32(12), 64u);          // height
  EXPECT_EQ(u32(16), 128u);         // width
  EXPECT_EQ(u32(20), 512u);         // pitch
  EXPECT_EQ(u32(80), 0x41u);        // RGB with alpha
  EXPECT_EQ(u32(104), 0xFF000000u); // alpha mask
  EXPECT_EQ(u32(108), 0x1000u);     // a texture
  Image back;
  ASSERT_TRUE(DecodeDdsArgb(file, back));
  EXPECT_EQ(back.data, image.data);

  file.resize(file.size() - 1);
  EXPECT_FALSE(DecodeDdsArgb(file, back));
  file = EncodeDdsArgb(image);
  file[94] = 0;  // red mask changed: another format
  EXPECT_FALSE(DecodeDdsArgb(file, back));
}

TEST(Manifest, EntriesOptionsAndExpressions) {
  Manifest m = ParseManifest(
      "# comment\n"
      "layout 660 440\n"
      "bmp install:images/a.bmp a.svg {{ c1033.w + 1 }} 22 key matte=#0E131A state=2\n"
      "ico res:x.ico icon.svg 16,32 kind=1\n"
      "help \"install:help/Eng/Tavo Lumara.htm\" Eng.txt style=help.css\n");
  EXPECT_EQ(m.bodyWidth, 660);
  ASSERT_EQ(m.entries.size(), 3u);
  EXPECT_EQ(m.entries[0].line, 3);
  EXPECT_EQ(m.entries[0].args[1], "{{ c1033.w + 1 }}");
  EXPECT_EQ(m.entries[0].options.at("key"), "");
  EXPECT_EQ(ColourArgument(m.entries[0].options.at("matte")), 0x0E131Au);
  EXPECT_EQ(m.entries[2].output, "install:help/Eng/Tavo Lumara.htm");
  Variables v;
  AddLayoutVariables(660, 440, v);
  EXPECT_EQ(NumberArgument(m.entries[0].args[1], v), 88);
  EXPECT_EQ(NumberArgument("22", v), 22);
  EXPECT_EQ(ListArgument(m.entries[1].args[1]), (std::vector<int32_t>{16, 32}));
}

TEST(Manifest, MistakesAreRefusedWithTheLine) {
  auto fails = [](const char* text, const char* why) {
    try {
      ParseManifest(text);
      ADD_FAILURE() << text;
    } catch (const TemplateError& e) {
      EXPECT_THAT(e.what(), HasSubstr(why)) << text;
    }
  };
  fails("bmp install:a.bmp a.svg 1 1\n", "'layout' comes first");
  fails("", "no 'layout'");
  fails("layout 660 440\nsvg install:a a 1 1\n", "line 2: unknown entry");
  fails("layout 660 440\nbmp install:a.bmp a.svg 1\n", "needs 3 argument");
  fails("layout 660 440\nbmp images/a.bmp a.svg 1 1\n", "install:<path> or res:<file>");
  fails("layout 660 440\nbmp install:../a.bmp a.svg 1 1\n", "install:<path> or res:<file>");
  fails("layout 660 440\nbmp res:a.bmp a.svg 1 1\nbmp res:a.bmp b.svg 1 1\n", "made twice");
  fails("layout 660 440\nhelp \"install:a b.htm x.txt\n", "unclosed");
  fails("layout 10 10\n", "at least 100");
  EXPECT_THROW(ColourArgument("#12345"), TemplateError);
  EXPECT_THROW(ColourArgument("#12345G"), TemplateError);
  EXPECT_THROW(ListArgument("16,,32"), TemplateError);
}

TEST(HelpMarkup, PageWithContentsListsTablesAndPictures) {
  HelpPage page = RenderHelpPage(
      "% title: Help & more\n% lang: de\n# Top\n[[contents]]\n"
      "## First part\nA *b* **c** `Esc` [link](#first-part) <x> \\*.bmp.\n"
      "3. three\n   continued\n4. four\n\n"
      "- one\n- two\n"
      "## First part\n| A | B |\n| 1 | 2 |\n"
      "![The <tab>](../images/x.png)\n> careful\n",
      "body { }\n");
  const std::string& h = page.html;
  EXPECT_THAT(h, HasSubstr("<title>Help &amp; more</title>"));
  EXPECT_THAT(h, HasSubstr("<html lang=\"de\">"));
  EXPECT_THAT(h, HasSubstr("charset=utf-8"));
  EXPECT_THAT(h, HasSubstr("<h1>Top</h1>"));
  EXPECT_THAT(h, HasSubstr("<h2 id=\"first-part\">First part</h2>"));
  EXPECT_THAT(h, HasSubstr("<h2 id=\"first-part-2\">First part</h2>")) << "anchors stay unique";
  EXPECT_THAT(h, HasSubstr("<a href=\"#first-part-2\">First part</a>")) << "contents link every section";
  EXPECT_THAT(h, HasSubstr("<p>A <em>b</em> <strong>c</strong> <kbd>Esc</kbd> <a href=\"#first-part\">link</a> &lt;x&gt; *.bmp.</p>"));
  EXPECT_THAT(h, HasSubstr("<li value=\"3\">three continued</li>\n<li value=\"4\">four</li>"));
  EXPECT_THAT(h, HasSubstr("<ul>\n<li>one</li>\n<li>two</li>\n</ul>"));
  EXPECT_THAT(h, HasSubstr("<tr><th>A</th><th>B</th></tr>\n<tr><td>1</td><td>2</td></tr>"));
  EXPECT_THAT(h, HasSubstr("<img src=\"../images/x.png\" alt=\"The &lt;tab&gt;\">"));
  EXPECT_THAT(h, HasSubstr("<p class=\"note\">careful</p>"));
  EXPECT_THAT(h, HasSubstr("body { }"));
  EXPECT_EQ(page.pictures, (std::vector<std::string>{"../images/x.png"}));
  EXPECT_LT(h.find("class=\"contents\""), h.find("<h2")) << "contents where the marker stood";
}

TEST(HelpMarkup, MalformedSourceIsRefused) {
  EXPECT_THROW(RenderHelpPage("a **b\n", ""), TemplateError);
  EXPECT_THROW(RenderHelpPage("[a](b\n", ""), TemplateError);
  EXPECT_THROW(RenderHelpPage("| a | b |\n| 1 |\n", ""), TemplateError);
  EXPECT_THROW(RenderHelpPage("text\n% title: late\n", ""), TemplateError);
  EXPECT_THROW(RenderHelpPage("% colour: red\n", ""), TemplateError);
  EXPECT_THROW(RenderHelpPage("#### deep\n", ""), TemplateError);
  EXPECT_THROW(RenderHelpPage("![a](b\n", ""), TemplateError);
  EXPECT_THROW(RenderHelpPage("[[contents]]\n[[contents]]\n", ""), TemplateError);
}

Rect FixedSize(const std::string& name) {
  if (name.find("LCD_item") != std::string::npos) return {0, 0, 63, 21};
  if (name.find("slider_channel") != std::string::npos || name.find("bg-cut") != std::string::npos) return {0, 0, 30, 18};
  if (name.find("bar.bmp") != std::string::npos) return {0, 0, 11, 18};
  if (name.find("dialog") != std::string::npos) return {0, 0, 250, 130};
  return {0, 0, 20, 10};
}

bool HasPiece(const MockPlan& plan, const std::string& bitmap) {
  for (const MockPiece& p : plan.pieces)
    if (p.bitmap == bitmap) return true;
  return false;
}

TEST(Mock, PanelShowsEachTabsControlsWhereTheProgramPutsThem) {
  MockPlan lcd = PanelMock(660, 440, 0, 2, 50, {1033}, FixedSize);
  EXPECT_EQ(lcd.background, "images/body0.bmp");
  ASSERT_EQ(lcd.wells.size(), 2u);
  EXPECT_EQ(lcd.wells[1], (Rect{353, 121, 270, 228}));
  EXPECT_TRUE(HasPiece(lcd, "images/LCD_item_highlight.bmp")) << "the selected mode shows its highlight";
  EXPECT_TRUE(HasPiece(lcd, "images/Video_button_down.bmp"));
  EXPECT_FALSE(HasPiece(lcd, "images/LCD_button_down.bmp")) << "the current tab is the body's";
  EXPECT_FALSE(HasPiece(lcd, "images/launch_norm.bmp"));
  EXPECT_FALSE(HasPiece(lcd, "res:slider_channel.bmp"));
  ASSERT_EQ(lcd.callouts.size(), 1u);
  EXPECT_EQ(lcd.callouts[0].x, 554);
  // Button windows take the bitmap's size at the placeholder's corner; labels draw at (0, 0).
  for (const MockCaption& c : lcd.captions) {
    if (c.text == "Vivid") {
      EXPECT_EQ(c.button, (Rect{425, 357, 63, 21}));
    }
    if (c.text == "Normal Frame") {
      EXPECT_EQ(c.style, 1);
    }
  }

  MockPlan video = PanelMock(660, 440, 1, 2, 50, {}, FixedSize);
  EXPECT_EQ(video.background, "images/body1.bmp");
  EXPECT_TRUE(HasPiece(video, "images/launch_norm.bmp"));
  EXPECT_TRUE(HasPiece(video, "images/LCD_button_down.bmp"));
  EXPECT_FALSE(HasPiece(video, "images/LCD_item_highlight.bmp")) << "modes are on the LCD tab only";
  ASSERT_EQ(video.thumbs.size(), 1u);
  const std::string overlay = OverlaySvg(video);
  EXPECT_THAT(overlay, HasSubstr(">Video Lumara</text>"));
  EXPECT_THAT(overlay, HasSubstr(">Contrast</text>"));
  EXPECT_THAT(overlay, ::testing::Not(HasSubstr(">Vivid</text>")));
}

TEST(Mock, ChannelKeepsItsEndsWhenStretched) {
  Image channel(30, 1);
  for (int32_t x = 0; x < 30; ++x) channel.At(x, 0) = x < 10 ? 0xFF000000u + x : x >= 20 ? 0xFF000100u + x : 0xFFFFFFFFu;
  Image wide = StretchChannel(channel, 134);
  ASSERT_EQ(wide.width, 134);
  for (int32_t x = 0; x < 10; ++x) {
    EXPECT_EQ(wide.At(x, 0), channel.At(x, 0));
    EXPECT_EQ(wide.At(124 + x, 0), channel.At(20 + x, 0));
  }
  for (int32_t x = 10; x < 124; ++x) EXPECT_EQ(wide.At(x, 0), 0xFFFFFFFFu) << x;
}

TEST(Mock, TrayDialogPlacesItsControlsInPixels) {
  MockPlan tray = TrayMock("res:renderer_dialog.bmp", 100, {525, 513}, FixedSize);
  EXPECT_EQ(tray.width, 250);
  EXPECT_EQ(tray.height, 130);
  ASSERT_EQ(tray.callouts.size(), 2u);
  EXPECT_EQ(tray.callouts[0], (Rect{14, 62, 30, 18}));
  EXPECT_EQ(tray.callouts[1].x, 129);
  for (const MockPiece& p : tray.pieces) {
    if (p.bitmap == "images/ax/bar.bmp") {
      EXPECT_EQ(p.x, 14 + 30 - 11) << "at 100 the thumb touches the right end";
    }
  }
  EXPECT_THAT(OverlaySvg(tray), HasSubstr("font-weight=\"bold\""));
}

}  // namespace
}  // namespace tl::artwork
