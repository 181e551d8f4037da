// The panel and mode tables that the suite ships, as generated into the installation folder:
// every mode gives a ramp that the display accepts (non-decreasing, starting near black) by
// every method, and Normal is the identity under the plain method.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>

#include "engine/core/engine_api.h"

namespace tl::engine {
namespace {

std::vector<std::uint8_t> ReadInstalled(const std::string& relative) {
  std::ifstream in(std::string(TL_TEST_INSTALL_DIR) + "/" + relative, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class InstalledFiles final : public EnginePlatform {
 public:
  std::vector<RampTable> sent;
  LoadError ReadTable(const char* path, TableKind kind, TableImage& out) override {
    const auto bytes = ReadInstalled(path);
    MemorySource source(bytes);
    return ReadTableFile(source, kind, out);
  }
  void SendRamp(RampTable& ramp) override { sent.push_back(ramp); }
};

// What the platforms check before they take a ramp: no entry lower than the one before it,
// and a start no higher than the identity's second entry.
void ExpectAcceptableRamp(const RampTable& ramp, const std::string& what) {
  for (int c = 0; c < 3; ++c) {
    EXPECT_LE(ramp[c * 256], 257) << what << " channel " << c;
    EXPECT_GE(ramp[c * 256 + 255], 50000) << what << " channel " << c;
    for (int i = 1; i < 256; ++i) {
      ASSERT_GE(ramp[c * 256 + i], ramp[c * 256 + i - 1]) << what << " channel " << c << " entry " << i;
    }
  }
}

struct Settings {
  const char* name;
  std::int32_t method;
  bool preview;  // the preview player's colourfulness 3 and gamma S 0.5, V 1.4
};

TEST(ShippedTables, EveryModeGivesAnAcceptableRampByEveryMethod) {
  const Settings settings[] = {{"setup", 0, false}, {"preview", 1, true}, {"method 2", 2, true}};
  for (int mode = 1; mode <= 5; ++mode) {
    for (const Settings& s : settings) {
      auto engine = std::make_unique<CTintorEngine>();
      TintorShared shared;
      InstalledFiles files;
      EngineContext ctx{*engine, shared, files};
      ASSERT_EQ(SetPanelTable(ctx, "acf/panel.acf"), kOk);
      ASSERT_EQ(SetToneTable(ctx, ("atf/Mode" + std::to_string(mode) + ".atf").c_str()), kOk);
      SetMethod(ctx, s.method);
      SetColourTemperature(ctx, 6500);
      if (s.preview) {
        SetColourfulness(ctx, 3, 3, 3);
        SetGammaS(ctx, 0.5);
        SetGammaV(ctx, 1.4);
      } else {
        SetColourfulness(ctx, 1, 1, 1);
      }
      RampTable ramp{};
      ASSERT_EQ(PrepareColourEnhance(ctx, &ramp), kOk);
      ExpectAcceptableRamp(ramp, "mode " + std::to_string(mode) + " " + s.name);
    }
  }
}

TEST(ShippedTables, NormalIsTheIdentityUnderThePlainMethod) {
  auto engine = std::make_unique<CTintorEngine>();
  TintorShared shared;
  InstalledFiles files;
  EngineContext ctx{*engine, shared, files};
  ASSERT_EQ(SetPanelTable(ctx, "acf/panel.acf"), kOk);
  ASSERT_EQ(SetToneTable(ctx, "atf/Mode5.atf"), kOk);
  RampTable ramp{};
  ASSERT_EQ(PrepareColourEnhance(ctx, &ramp), kOk);
  EXPECT_EQ(ramp, IdentityRamp());
  EXPECT_EQ(shared.panelTemperature, 7000);
}

}  // namespace
}  // namespace tl::engine
