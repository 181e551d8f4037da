// The exports' behaviour on the engine and shared records: clamps, status codes, the
// prepare/apply/cancel life cycle, table loading and path handling.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "engine/core/engine_api.h"
#include "engine/tests/test_tables.h"

namespace tl::engine {
namespace {

class FakePlatform final : public EnginePlatform {
 public:
  std::map<std::string, std::vector<std::uint8_t>> files;
  std::vector<RampTable> sent;
  int reads = 0;

  LoadError ReadTable(const char* path, TableKind kind, TableImage& out) override {
    ++reads;
    auto it = files.find(path);
    if (it == files.end()) return LoadError::kUnreadable;
    MemorySource source(it->second);
    return ReadTableFile(source, kind, out);
  }
  void SendRamp(RampTable& ramp) override { sent.push_back(ramp); }
};

class EngineApi : public ::testing::Test {
 protected:
  EngineApi() {
    TableImage panel = testing::DisplayPanel(2.4);
    panel.ext.nativeTemperature = 7100;
    platform.files["panel.acf"] = testing::FileBytes(panel, TableKind::kPanel);
    platform.files["tone.atf"] = testing::FileBytes(testing::PowerTone(2.0, panel.ext), TableKind::kTone);
    platform.files["same.atf"] = testing::FileBytes(panel, TableKind::kTone);
  }
  EngineContext ctx() { return {*engine, shared, platform}; }

  std::unique_ptr<CTintorEngine> engine = std::make_unique<CTintorEngine>();
  TintorShared shared;
  FakePlatform platform;
};

TEST_F(EngineApi, SettingsAreClampedAndPublishedInTheSharedRecord) {
  EXPECT_EQ(SetColourfulness(ctx(), 0, 5, 11), kOk);
  EXPECT_EQ(engine->colourfulness, (Levels{1, 5, 10}));
  std::uint16_t r = 0, g = 0, b = 0;
  GetColourfulness(ctx(), &r, &g, &b);
  EXPECT_EQ(r, 1);
  EXPECT_EQ(g, 5);
  EXPECT_EQ(b, 10);
  EXPECT_EQ(engine->colourfulnessOn, 1u);
  // Only the low 16 bits count: 0x10003 is level 3.
  SetColourfulness(ctx(), 0x10003, 2, 2);
  EXPECT_EQ(shared.colourfulnessR, 3);

  std::uint16_t kelvin = 0;
  EXPECT_EQ(SetColourTemperature(ctx(), 3000), kOk);
  GetColourTemperature(ctx(), &kelvin);
  EXPECT_EQ(kelvin, 4500);
  SetColourTemperature(ctx(), 12000);
  GetColourTemperature(ctx(), &kelvin);
  EXPECT_EQ(kelvin, 9500);
  EXPECT_EQ(engine->targetTemperature, 9500);
  EXPECT_EQ(engine->temperatureOn, 1u);

  double v = -5;
  SetGammaS(ctx(), -1.0);
  GetGammaS(ctx(), &v);
  EXPECT_EQ(v, 0.0);
  SetGammaS(ctx(), 2.0);
  GetGammaS(ctx(), &v);
  EXPECT_EQ(v, 1.0);
  SetGammaV(ctx(), 0.1);
  GetGammaV(ctx(), &v);
  EXPECT_EQ(v, 0.5);
  SetGammaV(ctx(), 3.0);
  GetGammaV(ctx(), &v);
  EXPECT_EQ(v, 1.975);
  SetGammaV(ctx(), std::nan(""));
  EXPECT_EQ(engine->gammaV, 0.5) << "NaN is clamped too";
}

TEST_F(EngineApi, MethodOutsideZeroToTwoIsRefusedAndKept) {
  EXPECT_EQ(SetMethod(ctx(), 2), kOk);
  EXPECT_EQ(SetMethod(ctx(), 3), kMethodRefused);
  EXPECT_EQ(SetMethod(ctx(), -1), kMethodRefused);
  EXPECT_EQ(shared.method, 2);
}

TEST_F(EngineApi, TablesLoadAndFailuresClearTheFlagButKeepThePath) {
  EXPECT_EQ(SetPanelTable(ctx(), "panel.acf"), kOk);
  EXPECT_EQ(engine->panelLoaded, 1u);
  EXPECT_EQ(shared.panelTemperature, 7100);
  const double kept = engine->panelTable[1][200];

  EXPECT_EQ(SetPanelTable(ctx(), "missing.acf"), kPanelTableFailed);
  EXPECT_EQ(engine->panelLoaded, 0u);
  char path[264];
  GetPanelTable(ctx(), path);
  EXPECT_STREQ(path, "missing.acf");
  EXPECT_EQ(engine->panelTable[1][200], kept) << "a failed load leaves the previous tables whole";

  auto broken = platform.files["tone.atf"];
  broken.resize(300);
  platform.files["broken.atf"] = broken;
  EXPECT_EQ(SetToneTable(ctx(), "broken.atf"), kToneTableFailed);
  EXPECT_EQ(engine->toneLoaded, 0u);
  EXPECT_EQ(SetToneTable(ctx(), "tone.atf"), kOk);
  EXPECT_EQ(engine->toneLoaded, 1u);
  GetToneTable(ctx(), path);
  EXPECT_STREQ(path, "tone.atf");
  EXPECT_EQ(SetToneTable(ctx(), nullptr), kToneTableFailed);
}

TEST_F(EngineApi, PathsOf264CharactersOrMoreAreRefusedWithoutCopying) {
  const std::string fits(263, 'a');
  const std::string tooLong(264, 'b');
  EXPECT_EQ(SetPanelTable(ctx(), fits.c_str()), kPanelTableFailed);  // no such file, but stored
  char out[264];
  GetPanelTable(ctx(), out);
  EXPECT_EQ(std::string(out), fits);

  platform.reads = 0;
  EXPECT_EQ(SetPanelTable(ctx(), tooLong.c_str()), kPanelTableFailed);
  EXPECT_EQ(platform.reads, 0) << "a refused path is never opened";
  GetPanelTable(ctx(), out);
  EXPECT_STREQ(out, "");
  // A 300-character string without its terminator read past 264 would trip AddressSanitizer.
  auto unterminated = std::make_unique<char[]>(264);
  std::fill_n(unterminated.get(), 264, 'c');
  EXPECT_EQ(SetToneTable(ctx(), unterminated.get()), kToneTableFailed);
}

TEST_F(EngineApi, PrepareNeedsBothTables) {
  RampTable out{};
  out[7] = 77;
  SetPanelTable(ctx(), "panel.acf");
  EXPECT_EQ(PrepareColourEnhance(ctx(), &out), kPrepareFailed);
  EXPECT_EQ(out[7], 77) << "nothing copied";
  EXPECT_EQ(engine->lastResult, 0u);
  SetToneTable(ctx(), "tone.atf");
  EXPECT_EQ(PrepareColourEnhance(ctx(), &out), kOk);
  EXPECT_EQ(out, engine->ramp);
  EXPECT_EQ(engine->prepared, 1u);
  EXPECT_EQ(engine->lastResult, 1u);
}

TEST_F(EngineApi, ApplySendsThePreparedRampThenRecomputes) {
  SetPanelTable(ctx(), "panel.acf");
  SetToneTable(ctx(), "tone.atf");
  SetMethod(ctx(), 1);
  RampTable prepared{};
  ASSERT_EQ(PrepareColourEnhance(ctx(), &prepared), kOk);

  // Settings changed after Prepare do not change what Apply sends.
  SetGammaS(ctx(), 1.0);
  SetGammaV(ctx(), 1.9);
  EXPECT_EQ(ApplyColourEnhance(ctx()), kOk);
  ASSERT_EQ(platform.sent.size(), 1u);
  EXPECT_EQ(platform.sent[0], prepared);
  EXPECT_EQ(engine->prepared, 0u);

  // The second Apply recomputes with the new settings.
  ApplyColourEnhance(ctx());
  ASSERT_EQ(platform.sent.size(), 2u);
  EXPECT_NE(platform.sent[1], prepared);
  EXPECT_LT(platform.sent[1][128], prepared[128]);
}

TEST_F(EngineApi, ApplyWithoutAnyComputationSendsTheIdentityNotBlack) {
  EXPECT_EQ(ApplyColourEnhance(ctx()), kOk);  // no tables: the computation fails
  ASSERT_EQ(platform.sent.size(), 1u);
  EXPECT_EQ(platform.sent[0], IdentityRamp());
}

TEST_F(EngineApi, ApplyAfterAFailedComputationSendsThePreviousResult) {
  SetPanelTable(ctx(), "panel.acf");
  SetToneTable(ctx(), "tone.atf");
  RampTable first{};
  ASSERT_EQ(PrepareColourEnhance(ctx(), &first), kOk);
  ApplyColourEnhance(ctx());
  SetToneTable(ctx(), "missing.atf");
  ApplyColourEnhance(ctx());
  ASSERT_EQ(platform.sent.size(), 2u);
  EXPECT_EQ(platform.sent[1], first);
}

TEST_F(EngineApi, CancelSendsTheIdentityAndClearsPrepared) {
  SetPanelTable(ctx(), "panel.acf");
  SetToneTable(ctx(), "tone.atf");
  RampTable out{};
  PrepareColourEnhance(ctx(), &out);
  EXPECT_EQ(CancelColourEnhance(ctx()), kOk);
  EXPECT_EQ(engine->prepared, 0u);
  ASSERT_EQ(platform.sent.size(), 1u);
  EXPECT_EQ(platform.sent[0], IdentityRamp());
}

TEST_F(EngineApi, GamutExportsAnswerTheirFailureCodes) {
  double difference = 5.0;
  EXPECT_EQ(GamutColourDifference(ctx(), &difference), kColourDifferenceFailed);
  EXPECT_EQ(CalGamutSurface(ctx(), 1), kGamutSurfaceFailed);

  EXPECT_EQ(SetGamutComputingEnable(ctx(), 7), kOk);
  EXPECT_EQ(shared.gamutEnable, 7);
  EXPECT_EQ(engine->gamutOn, 0u);
  EXPECT_EQ(SetGamutComputingEnable(ctx(), 1), kOk);
  EXPECT_EQ(engine->gamutOn, 1u);
  // Enabled, but nothing computed yet.
  EXPECT_EQ(CalGamutSurface(ctx(), 1), kGamutSurfaceFailed);
  EXPECT_EQ(CalGamutSurface(ctx(), 2), kGamutSurfaceFailed);
  EXPECT_EQ(GamutColourDifference(ctx(), &difference), kOk);
  EXPECT_EQ(difference, -1.0);
  EXPECT_EQ(shared.colourDifference, -1.0);

  std::int32_t vertices = 9, triangles = 9;
  EXPECT_EQ(GetGamutSize(ctx(), 1, &vertices, &triangles), kGamutSizeFailed);
  EXPECT_EQ(vertices, 0);
  double vertexBuffer[6];
  std::int32_t triangleBuffer[3];
  EXPECT_EQ(GetGamutSurface(ctx(), 0, vertexBuffer, triangleBuffer), kGamutReadOutFailed);

  // After a computation the inputs of the surfaces are ready.
  SetPanelTable(ctx(), "panel.acf");
  SetToneTable(ctx(), "tone.atf");
  RampTable out{};
  ASSERT_EQ(PrepareColourEnhance(ctx(), &out), kOk);
  EXPECT_EQ(engine->enhancedReady, 1u);
  EXPECT_EQ(engine->displayedReady, 1u);
}

TEST_F(EngineApi, Method0WithTheSameToneGivesTheIdentityThroughTheExports) {
  SetPanelTable(ctx(), "panel.acf");
  SetToneTable(ctx(), "same.atf");
  RampTable out{};
  ASSERT_EQ(PrepareColourEnhance(ctx(), &out), kOk);
  EXPECT_EQ(out, IdentityRamp());
}

}  // namespace
}  // namespace tl::engine
