#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <vector>

#include "frame_enhance/core/celumara.h"
#include "tools/frame_filter/filter.h"

namespace tl::frame_filter {
namespace {

std::optional<Options> Parse(std::vector<std::string> args, std::string* error) { return ParseOptions(args, error); }

TEST(FrameFilterOptions, AcceptsEveryFormatAndTheTuningValues) {
  std::string error;
  auto o = Parse({"--format", "nv21", "--size", "1280x720", "--low", "40", "--high", "200", "--noise", "0.25",
                  "--strength", "0.75", "--mode", "1", "--split", "--portable"},
                 &error);
  ASSERT_TRUE(o) << error;
  EXPECT_EQ(o->layout, frame::Layout::kNv12);
  EXPECT_EQ(o->width, 1280);
  EXPECT_EQ(o->height, 720);
  EXPECT_EQ(o->lowPoint, 40);
  EXPECT_EQ(o->highPoint, 200);
  EXPECT_EQ(o->noise, 0.25f);
  EXPECT_EQ(o->strength, 0.75f);
  EXPECT_EQ(o->mode, 1);
  EXPECT_TRUE(o->split);
  EXPECT_TRUE(o->portable);
  for (const char* f : {"yuy2", "yuyv422", "i420", "yuv420p", "yv12", "nv12", "sbs"}) {
    EXPECT_TRUE(Parse({"--format", f, "--size", "64x8"}, &error)) << f << ": " << error;
  }
}

TEST(FrameFilterOptions, RefusesBadOptionsWithAMessage) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"--format", "yuy2"},
      {"--size", "64x8"},
      {"--format", "rgb24", "--size", "64x8"},
      {"--format", "yuy2", "--size", "64by8"},
      {"--format", "yuy2", "--size", "62x8"},
      {"--format", "yuy2", "--size", "64x7"},
      {"--format", "sbs", "--size", "64x2"},
      {"--format", "yuy2", "--size", "-64x8"},
      {"--format", "yuy2", "--size", "64x8", "--mode", "2"},
      {"--format", "yuy2", "--size", "64x8", "--low", "4.5"},
      {"--format", "yuy2", "--size", "64x8", "--noise", "nan"},
      {"--format", "yuy2", "--size", "64x8", "--strength"},
      {"--format", "yuy2", "--size", "64x8", "--frobnicate"},
      {"--format", "yuy2", "--size", "65536x65536"},
  };
  for (const auto& args : bad) {
    std::string error;
    EXPECT_FALSE(Parse(args, &error));
    EXPECT_FALSE(error.empty());
  }
}

struct Streams {
  std::FILE* in = std::tmpfile();
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  ~Streams() {
    std::fclose(in);
    std::fclose(out);
    std::fclose(err);
  }
  static std::vector<std::uint8_t> ReadAll(std::FILE* f) {
    std::rewind(f);
    std::vector<std::uint8_t> bytes;
    for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(static_cast<std::uint8_t>(c));
    return bytes;
  }
};

TEST(FrameFilterRun, EnhancesEveryWholeFrameLikeTheObject) {
  std::string error;
  const auto o = Parse({"--format", "i420", "--size", "32x8", "--strength", "0.9", "--split"}, &error);
  ASSERT_TRUE(o);
  const std::size_t frameBytes = 32 * 8 * 3 / 2;
  std::vector<std::uint8_t> input(3 * frameBytes);
  std::mt19937 random(3);
  for (auto& b : input) b = static_cast<std::uint8_t>(random());
  Streams s;
  std::fwrite(input.data(), 1, input.size(), s.in);
  std::rewind(s.in);
  EXPECT_EQ(RunFilter(*o, s.in, s.out, s.err), 0);

  const frame::TableAllocator heap{[](std::size_t n) { return std::malloc(n); }, [](void* p) { std::free(p); }};
  frame::CeLumara object(heap, frame::PortableKernels());
  object.Init(32, 8);
  object.SetParams(50, 150, 0.5f, 0.9f);
  object.SetSplit(1);
  std::vector<std::uint8_t> want = input;
  for (int f = 0; f < 3; ++f) ASSERT_TRUE(object.ProcessI420(want.data() + f * frameBytes, want.data() + f * frameBytes));
  EXPECT_EQ(Streams::ReadAll(s.out), want);
  EXPECT_TRUE(Streams::ReadAll(s.err).empty());
}

TEST(FrameFilterRun, AShortLastFrameIsAnError) {
  std::string error;
  const auto o = Parse({"--format", "yuy2", "--size", "16x4"}, &error);
  ASSERT_TRUE(o);
  Streams s;
  std::vector<std::uint8_t> input(16 * 4 * 2 + 10, 100);
  std::fwrite(input.data(), 1, input.size(), s.in);
  std::rewind(s.in);
  EXPECT_EQ(RunFilter(*o, s.in, s.out, s.err), 1);
  EXPECT_EQ(Streams::ReadAll(s.out).size(), 16u * 4 * 2) << "the whole frame before it is written";
  const auto message = Streams::ReadAll(s.err);
  EXPECT_NE(std::string(message.begin(), message.end()).find("short frame 1: 10 of 128 bytes"), std::string::npos);
}

}  // namespace
}  // namespace tl::frame_filter
