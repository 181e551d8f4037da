// tl_tables: creates, dumps and checks the engine's panel (.acf) and tone (.atf) table files.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/core/table_file.h"
#include "tools/artwork/core/png.h"
#include "tools/table_tool/gamut_export.h"
#include "tools/table_tool/table_definition.h"

namespace {

using tl::engine::TableImage;
using tl::engine::TableKind;

constexpr int kExitMalformed = 1;
constexpr int kExitProblems = 2;
constexpr int kExitUsage = 64;

int Usage() {
  std::cerr << "usage: tl_tables build <definition> <output.acf|output.atf>\n"
               "       tl_tables dump [--kind panel|tone] [--definition] <file>\n"
               "       tl_tables check [--kind panel|tone] <file>...\n"
               "       tl_tables gamut [--method 0|1|2] [--colourfulness 1..10] [--strength S] [--gamma-v V]\n"
               "                       [--temperature K] <panel.acf> <tone.atf> <output.obj|.ply|.png>...\n"
               "The kind follows the extension (.acf panel, .atf tone) unless --kind says it.\n"
               "gamut: the enhanced and displayed gamuts as the control panel's preview computes them\n"
               "(method 1, colourfulness 3, strength 0.5, gamma V 1.4 unless told), as meshes with\n"
               "vertex colours (.obj, .ply) or a picture of the a*b* plane (.png).\n";
  return kExitUsage;
}

bool ReadWhole(const std::string& path, std::vector<std::uint8_t>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), {});
  return !in.bad();
}

bool KindOf(const std::string& path, const std::string& forced, TableKind& kind) {
  std::string key = forced;
  if (key.empty() && path.size() >= 4) {
    std::string ext = path.substr(path.size() - 4);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".acf") key = "panel";
    if (ext == ".atf") key = "tone";
  }
  if (key == "panel") {
    kind = TableKind::kPanel;
    return true;
  }
  if (key == "tone") {
    kind = TableKind::kTone;
    return true;
  }
  return false;
}

// Reads and parses one file; prints the error and returns false when it is malformed.
bool Load(const std::string& path, TableKind kind, TableImage& image, std::uint64_t& size) {
  std::vector<std::uint8_t> bytes;
  if (!ReadWhole(path, bytes)) {
    std::cerr << "error: " << path << ": cannot be read\n";
    return false;
  }
  size = bytes.size();
  tl::engine::MemorySource source(bytes);
  const auto result = tl::engine::ReadTableFile(source, kind, image);
  if (result != tl::engine::LoadError::kNone) {
    std::cerr << "error: " << path << ": " << tl::engine::Describe(result) << "\n";
    return false;
  }
  return true;
}

void PrintVec(const char* name, tl::engine::Vec3 v) {
  std::printf("%s: %.9g %.9g %.9g\n", name, v.x, v.y, v.z);
}

int Build(const std::string& definitionPath, const std::string& outputPath) {
  std::ifstream in(definitionPath);
  if (!in) {
    std::cerr << "error: " << definitionPath << ": cannot be read\n";
    return kExitMalformed;
  }
  const std::string text(std::istreambuf_iterator<char>(in), {});
  tl::tables::Definition definition;
  std::string error;
  if (!tl::tables::ParseDefinition(text, definition, error)) {
    std::cerr << "error: " << definitionPath << ": " << error << "\n";
    return kExitMalformed;
  }
  for (const auto& problem : tl::tables::Lint(definition.image, definition.kind)) {
    std::cerr << "error: " << definitionPath << ": " << problem << "\n";
    return kExitProblems;
  }
  const auto bytes = tl::engine::WriteTableFile(definition.image, definition.kind);
  std::ofstream out(outputPath, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::cerr << "error: " << outputPath << ": cannot be written\n";
    return kExitMalformed;
  }
  return 0;
}

int Dump(const std::string& path, TableKind kind, bool asDefinition) {
  TableImage image;
  std::uint64_t size = 0;
  if (!Load(path, kind, image, size)) return kExitMalformed;
  if (asDefinition) {
    std::cout << tl::tables::FormatDefinition(image, kind);
    return 0;
  }
  const bool panel = kind == TableKind::kPanel;
  std::printf("file: %s\nkind: %s\nsize: %llu\n", path.c_str(), panel ? "panel" : "tone",
              static_cast<unsigned long long>(size));
  std::string description;
  for (std::uint8_t b : image.header) {
    if (b == 0 || description.size() >= 32) break;
    description.push_back(b >= 32 && b < 127 ? static_cast<char>(b) : '.');
  }
  std::printf("description: %s\n", description.c_str());
  std::printf("ext-offset: %u\n", static_cast<unsigned>(image.extOffset));
  std::printf("temperature: %u\n", static_cast<unsigned>(image.ext.nativeTemperature));
  PrintVec("white", image.ext.white);
  PrintVec("black", image.ext.black);
  PrintVec("red", image.ext.red);
  PrintVec("green", image.ext.green);
  PrintVec("blue", image.ext.blue);
  static constexpr const char* kNames[3] = {"red", "green", "blue"};
  for (int c = 0; c < 3; ++c) {
    for (int i = 0; i < tl::engine::kLevels; ++i) std::printf("data %s %d %.17g\n", kNames[c], i, image.data[c][i]);
  }
  return 0;
}

int Check(const std::vector<std::string>& paths, const std::string& forced) {
  int worst = 0;
  for (const auto& path : paths) {
    TableKind kind;
    if (!KindOf(path, forced, kind)) {
      std::cerr << "error: " << path << ": unknown kind (use .acf, .atf or --kind)\n";
      worst = std::max(worst, kExitMalformed);
      continue;
    }
    TableImage image;
    std::uint64_t size = 0;
    if (!Load(path, kind, image, size)) {
      worst = std::max(worst, kExitMalformed);
      continue;
    }
    const auto problems = tl::tables::Lint(image, kind);
    for (const auto& problem : problems) std::printf("problem: %s: %s\n", path.c_str(), problem.c_str());
    if (problems.empty()) {
      std::printf("ok: %s\n", path.c_str());
    } else {
      worst = std::max(worst, kExitProblems);
    }
  }
  return worst;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
  if (text.size() < suffix.size()) return false;
  std::string tail = text.substr(text.size() - suffix.size());
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return tail == suffix;
}

std::string FileName(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out);
}

int Gamut(std::vector<std::string> args) {
  tl::tables::GamutSettings settings;
  while (args.size() >= 2 && args[0].rfind("--", 0) == 0) {
    const std::string option = args[0];
    char* end = nullptr;
    const double value = std::strtod(args[1].c_str(), &end);
    if (end == args[1].c_str() || *end != '\0') return Usage();
    if (option == "--method") {
      settings.method = static_cast<std::int32_t>(value);
    } else if (option == "--colourfulness") {
      settings.colourfulness = static_cast<std::uint32_t>(std::clamp(value, 0.0, 65535.0));
    } else if (option == "--strength") {
      settings.strength = value;
    } else if (option == "--gamma-v") {
      settings.gammaV = value;
    } else if (option == "--temperature") {
      settings.temperature = static_cast<std::uint32_t>(std::clamp(value, 0.0, 65535.0));
    } else {
      return Usage();
    }
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.size() < 3) return Usage();
  for (size_t i = 2; i < args.size(); ++i) {
    if (!EndsWith(args[i], ".obj") && !EndsWith(args[i], ".ply") && !EndsWith(args[i], ".png")) {
      std::cerr << "error: " << args[i] << ": the output is .obj, .ply or .png\n";
      return kExitUsage;
    }
  }
  TableImage panel, tone;
  std::uint64_t size = 0;
  if (!Load(args[0], TableKind::kPanel, panel, size) || !Load(args[1], TableKind::kTone, tone, size)) return kExitMalformed;
  tl::tables::GamutPair pair;
  std::string error;
  if (!tl::tables::ComputeGamutPair(panel, tone, settings, pair, error)) {
    std::cerr << "error: " << args[0] << " with " << args[1] << ": " << error << "\n";
    return kExitProblems;
  }
  const std::string title = FileName(args[1]) + " ON " + FileName(args[0]) + ", METHOD " + std::to_string(settings.method);
  std::printf("enhanced: %zu vertices, %zu triangles\ndisplayed: %zu vertices, %zu triangles\n"
              "mean colour difference: %.4f\n",
              pair.enhanced.vertices.size(), pair.enhanced.triangles.size(), pair.displayed.vertices.size(),
              pair.displayed.triangles.size(), pair.meanDifference);
  int result = 0;
  for (size_t i = 2; i < args.size(); ++i) {
    const std::string& out = args[i];
    bool written = false;
    if (EndsWith(out, ".obj")) written = WriteText(out, tl::tables::FormatObj(pair, "gamuts of " + title));
    if (EndsWith(out, ".ply")) written = WriteText(out, tl::tables::FormatPly(pair, "gamuts of " + title));
    if (EndsWith(out, ".png")) written = tl::artwork::WritePng(out, tl::tables::DrawGamutProjection(pair, title), error);
    if (!written) {
      std::cerr << "error: " << out << ": cannot be written\n";
      result = kExitMalformed;
    }
  }
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage();
  const std::string command = args[0];
  args.erase(args.begin());
  std::string forced;
  if (args.size() >= 2 && args[0] == "--kind") {
    forced = args[1];
    args.erase(args.begin(), args.begin() + 2);
    if (forced != "panel" && forced != "tone") return Usage();
  }
  if (command == "build" && args.size() == 2 && forced.empty()) return Build(args[0], args[1]);
  if (command == "gamut" && forced.empty()) return Gamut(args);
  const bool asDefinition = !args.empty() && args[0] == "--definition";
  if (asDefinition) args.erase(args.begin());
  if (command == "dump" && args.size() == 1) {
    TableKind kind;
    if (!KindOf(args[0], forced, kind)) {
      std::cerr << "error: " << args[0] << ": unknown kind (use .acf, .atf or --kind)\n";
      return kExitUsage;
    }
    return Dump(args[0], kind, asDefinition);
  }
  if (asDefinition) return Usage();
  if (command == "check" && !args.empty()) return Check(args, forced);
  return Usage();
}
