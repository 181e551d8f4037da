// The shipped effect file "eLumara.dat": every technique and parameter of the contract is there,
// and its shader functions pass glslangValidator's HLSL front end (syntax and types). The
// validator rejects the effect-only blocks (texture, sampler_state, technique), so they are
// stripped first.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>
#include <cctype>

#include <unistd.h>

#include "renderer_filter/core/tone_effect.h"

namespace tl::renderer {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::filesystem::path EffectPath() { return std::filesystem::path(std::getenv("TL_SOURCE_DIR")) / "assets" / "eLumara.dat"; }

// Index just past the brace that closes the one at `open`.
size_t BlockEnd(const std::string& text, size_t open) {
  int depth = 0;
  for (size_t i = open; i < text.size(); ++i) {
    if (text[i] == '{') ++depth;
    if (text[i] == '}' && --depth == 0) return i + 1;
  }
  return std::string::npos;
}

bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// The identifier starting at or after `from` (spaces skipped).
std::string NameAt(const std::string& text, size_t from) {
  while (from < text.size() && std::isspace(static_cast<unsigned char>(text[from]))) ++from;
  size_t end = from;
  while (end < text.size() && IsNameChar(text[end])) ++end;
  return text.substr(from, end - from);
}

// Positions of `word` at the start of a line.
std::vector<size_t> LineStarts(const std::string& text, const std::string& word) {
  std::vector<size_t> found;
  for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
    if (at == 0 || text[at - 1] == '\n') found.push_back(at);
  }
  return found;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

struct Shaders {
  std::string vertex, pixel;
};

// Technique name -> the entry points its pass compiles.
std::map<std::string, Shaders> Techniques(const std::string& text) {
  std::map<std::string, Shaders> found;
  for (size_t at : LineStarts(text, "technique ")) {
    const size_t open = text.find('{', at);
    const std::string body = text.substr(open, BlockEnd(text, open) - open);
    Shaders& shaders = found[NameAt(text, at + 10)];
    for (const char* stage : {"compile vs_2_0 ", "compile ps_2_0 "}) {
      const size_t c = body.find(stage);
      if (c != std::string::npos) (stage[8] == 'v' ? shaders.vertex : shaders.pixel) = NameAt(body, c + 15);
    }
  }
  return found;
}

// True when a line declares `type name;`.
bool Declares(const std::string& text, const std::string& type, const std::string& name) {
  for (size_t at : LineStarts(text, type + " ")) {
    const size_t after = text.find_first_not_of(' ', at + type.size());
    if (NameAt(text, after) == name && text.find_first_not_of(' ', after + name.size()) == text.find(';', after)) return true;
  }
  return false;
}

std::string StripEffectBlocks(std::string text) {
  for (std::vector<size_t> starts; !(starts = LineStarts(text, "technique ")).empty();) {
    text.erase(starts[0], BlockEnd(text, text.find('{', starts[0])) - starts[0]);
  }
  for (std::vector<size_t> starts; !(starts = LineStarts(text, "texture ")).empty();) {
    text.erase(starts[0], text.find(';', starts[0]) + 1 - starts[0]);
  }
  for (size_t at; (at = text.find("sampler_state")) != std::string::npos;) {
    const size_t equals = text.rfind('=', at);
    const size_t end = BlockEnd(text, text.find('{', at));
    text.erase(equals, end - equals);
  }
  return text;
}

// Runs the validator on one entry point; the log goes to `log` on failure.
bool Validates(const std::string& source, const std::string& entry, const char* stage, std::string* log) {
  const auto dir = std::filesystem::temp_directory_path() / ("tl_effect_check_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto hlsl = dir / "effect.hlsl";
  const auto out = dir / "log.txt";
  std::ofstream(hlsl, std::ios::binary) << source;
  const std::string command = std::string(TL_GLSLANG_VALIDATOR) + " -D -V -S " + stage + " -e " + entry + " " +
                              hlsl.string() + " -o " + (dir / "out.spv").string() + " > " + out.string() + " 2>&1";
  const int status = std::system(command.c_str());
  *log = ReadFile(out);
  std::filesystem::remove_all(dir);
  return status == 0;
}

TEST(EffectFile, HoldsEveryTechniqueAndParameterOfTheContract) {
  const std::string text = ReadFile(EffectPath());
  ASSERT_FALSE(text.empty()) << EffectPath();
  const auto techniques = Techniques(text);
  std::set<std::string> names;
  for (const auto& [name, shaders] : techniques) {
    names.insert(name);
    EXPECT_FALSE(shaders.vertex.empty()) << name;
    EXPECT_FALSE(shaders.pixel.empty()) << name;
  }
  std::set<std::string> wanted;
  for (int i = 0; i < kTechniqueCount; ++i) wanted.insert(TechniqueName(static_cast<Technique>(i)));
  EXPECT_EQ(names, wanted);

  for (int i = 0; i < kEffectParameterCount; ++i) {
    const ParameterInfo& p = Describe(static_cast<EffectParameter>(i));
    const std::string type = p.floats == 0 ? "texture" : "float" + std::to_string(p.floats);
    EXPECT_TRUE(Declares(text, type, p.name)) << type << " " << p.name;
  }
}

TEST(EffectFile, ShaderFunctionsPassTheHlslValidator) {
  const std::string text = ReadFile(EffectPath());
  const std::string stripped = StripEffectBlocks(text);
  ASSERT_TRUE(LineStarts(stripped, "technique ").empty());
  ASSERT_EQ(stripped.find("sampler_state"), std::string::npos);
  std::set<std::string> vertex, pixel;
  for (const auto& [name, shaders] : Techniques(text)) {
    vertex.insert(shaders.vertex);
    pixel.insert(shaders.pixel);
  }
  std::string log;
  for (const std::string& entry : vertex) EXPECT_TRUE(Validates(stripped, entry, "vert", &log)) << entry << "\n" << log;
  for (const std::string& entry : pixel) EXPECT_TRUE(Validates(stripped, entry, "frag", &log)) << entry << "\n" << log;
}

// The check is not vacuous: a type error or an unknown name in a shader function is caught.
TEST(EffectFile, ValidatorCatchesBrokenFunctions) {
  const std::string stripped = StripEffectBlocks(ReadFile(EffectPath()));
  std::string log;
  const std::string typeError = Replaced(stripped, "float3 ramped", "float2 ramped");
  ASSERT_NE(typeError, stripped);
  EXPECT_FALSE(Validates(typeError, "LumaraPS", "frag", &log));
  const std::string unknownName = Replaced(stripped, "g_Constant2.x", "g_Constant3.x");
  ASSERT_NE(unknownName, stripped);
  EXPECT_FALSE(Validates(unknownName, "SimplestPS", "frag", &log));
}

}  // namespace
}  // namespace tl::renderer
