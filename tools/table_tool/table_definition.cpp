#include "tools/table_tool/table_definition.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <numbers>
#include <optional>
#include <sstream>

#include "engine/core/curves.h"

namespace tl::tables {
namespace {

using engine::Mat3;
using engine::Vec3;

struct Curve {
  enum class Shape { kPower, kOffsetPower } shape = Shape::kPower;
  double exponent = 1.0;
  double offset = 0.0;
  double contrast = 0.0;
  double black = 0.0;
  double top = 1.0;

  double At(double x) const {
    if (contrast != 0.0) x -= contrast * std::sin(2.0 * std::numbers::pi * x) / (2.0 * std::numbers::pi);
    if (x < 0.0) x = 0.0;
    if (x > 1.0) x = 1.0;
    const double v = shape == Shape::kPower ? std::pow(x, exponent) : std::pow((x + offset) / (1.0 + offset), exponent);
    return black + (top - black) * v;
  }
};

Vec3 FromXy(double x, double y, double big_y) { return {x / y * big_y, big_y, (1.0 - x - y) / y * big_y}; }

class Parser {
 public:
  explicit Parser(Definition& out) : out_(out) {}

  bool Line(const std::string& line, std::string& error) {
    std::istringstream in(line.substr(0, line.find('#')));
    std::string word;
    if (!(in >> word)) return true;
    if (word == "kind") {
      std::string kind;
      in >> kind;
      if (kind == "panel") {
        out_.kind = engine::TableKind::kPanel;
      } else if (kind == "tone") {
        out_.kind = engine::TableKind::kTone;
      } else {
        return Fail(error, "kind must be panel or tone");
      }
      kindSet_ = true;
    } else if (word == "description") {
      std::string rest;
      std::getline(in >> std::ws, rest);
      description_ = rest;
    } else if (word == "temperature") {
      double kelvin = 0;
      if (!(in >> kelvin) || kelvin < 0 || kelvin > 65535) return Fail(error, "temperature needs kelvin in 0..65535");
      out_.image.ext.nativeTemperature = static_cast<std::uint16_t>(kelvin);
    } else if (word == "white") {
      if (!ReadColour(in, white_)) return Fail(error, "white needs daylight <K>, xy <x> <y> or XYZ <X> <Y> <Z>");
    } else if (word == "black") {
      std::string form;
      in >> form;
      if (form == "scale") {
        if (!(in >> blackScale_)) return Fail(error, "black scale needs a number");
        black_.reset();
      } else if (Vec3 black; form == "XYZ" && (in >> black.x >> black.y >> black.z)) {
        black_ = black;
      } else {
        return Fail(error, "black needs scale <k> or XYZ <X> <Y> <Z>");
      }
    } else if (word == "primaries") {
      std::string form;
      double v[6];
      if (!(in >> form) || form != "xy" || !(in >> v[0] >> v[1] >> v[2] >> v[3] >> v[4] >> v[5])) {
        return Fail(error, "primaries needs xy and six chromaticities");
      }
      for (int i = 0; i < 3; ++i) {
        if (!(v[2 * i + 1] > 0.0)) return Fail(error, "a primary's y must be positive");
      }
      primariesXy_ = {v[0], v[1], v[2], v[3], v[4], v[5]};
    } else if (word == "red" || word == "green" || word == "blue") {
      Vec3 xyz;
      if (!ReadColour(in, xyz)) return Fail(error, word + " needs XYZ <X> <Y> <Z>");
      explicit_[word == "red" ? 0 : (word == "green" ? 1 : 2)] = xyz;
    } else if (word == "curve") {
      return CurveLine(in, error);
    } else if (word == "data") {
      std::string channel;
      int level = -1;
      double value = 0;
      if (!(in >> channel >> level >> value) || level < 0 || level > 255 || !std::isfinite(value)) {
        return Fail(error, "data needs a channel, a level 0..255 and a value");
      }
      const int c = ChannelIndex(channel);
      if (c < 0) return Fail(error, "data channel must be red, green or blue");
      data_[c][level] = value;
    } else if (word == "round") {
      round_ = true;
    } else {
      return Fail(error, "unknown keyword '" + word + "'");
    }
    std::string extra;
    if (in >> extra) return Fail(error, "unexpected '" + extra + "'");
    return true;
  }

  bool Finish(std::string& error) {
    if (!kindSet_) return Fail(error, "missing 'kind'");
    auto& ext = out_.image.ext;
    ext.marker = engine::kExtMarker;
    ext.white = white_;
    ext.black = black_.value_or(blackScale_ * white_);
    if (primariesXy_) {
      const auto& p = *primariesXy_;
      const Mat3 m = engine::PrimariesMatrix(FromXy(p[0], p[1], 1), FromXy(p[2], p[3], 1), FromXy(p[4], p[5], 1));
      const double det = engine::Determinant(m);
      if (std::fabs(det) < 1e-12) return Fail(error, "primaries are collinear");
      const Vec3 s = engine::Inverse(m, det) * white_;
      ext.red = s.x * FromXy(p[0], p[1], 1);
      ext.green = s.y * FromXy(p[2], p[3], 1);
      ext.blue = s.z * FromXy(p[4], p[5], 1);
    }
    for (int c = 0; c < 3; ++c) {
      if (explicit_[c]) (c == 0 ? ext.red : (c == 1 ? ext.green : ext.blue)) = *explicit_[c];
      for (int i = 0; i < engine::kLevels; ++i) {
        if (!curves_[c] && !data_[c][i]) {
          return Fail(error, std::string("no curve for ") + kChannelNames[c] + " and no data for level " +
                                 std::to_string(i));
        }
        double value = data_[c][i] ? *data_[c][i] : curves_[c]->At(i / 255.0) * 65535.0;
        if (round_ || out_.kind == engine::TableKind::kPanel) value = std::floor(value + 0.5);
        out_.image.data[c][i] = value;
      }
    }
    auto& header = out_.image.header;
    header.fill(0);
    std::memcpy(header.data(), description_.data(), std::min<std::size_t>(description_.size(), 32));
    return true;
  }

  int lineNumber = 0;

 private:
  static constexpr const char* kChannelNames[3] = {"red", "green", "blue"};

  bool Fail(std::string& error, const std::string& why) {
    error = lineNumber > 0 ? "line " + std::to_string(lineNumber) + ": " + why : why;
    return false;
  }

  static bool ReadColour(std::istream& in, Vec3& out) {
    std::string form;
    if (!(in >> form)) return false;
    double big_y = 1.0;
    if (form == "daylight") {
      double kelvin;
      if (!(in >> kelvin) || kelvin < 4000 || kelvin > 25000) return false;
      if (!OptionalY(in, big_y)) return false;
      out = big_y * engine::DaylightWhite(kelvin);
      return true;
    }
    if (form == "xy") {
      double x, y;
      if (!(in >> x >> y) || !(y > 0)) return false;
      if (!OptionalY(in, big_y)) return false;
      out = FromXy(x, y, big_y);
      return true;
    }
    if (form == "XYZ") return static_cast<bool>(in >> out.x >> out.y >> out.z);
    return false;
  }

  static bool OptionalY(std::istream& in, double& big_y) {
    std::string word;
    const auto mark = in.tellg();
    if (!(in >> word)) {
      in.clear();
      return true;
    }
    if (word != "Y") {
      in.clear();
      in.seekg(mark);
      return true;
    }
    return static_cast<bool>(in >> big_y) && big_y > 0;
  }

  static int ChannelIndex(const std::string& name) {
    for (int c = 0; c < 3; ++c) {
      if (name == kChannelNames[c]) return c;
    }
    return -1;
  }

  bool CurveLine(std::istream& in, std::string& error) {
    std::string channels, shape;
    if (!(in >> channels >> shape)) return Fail(error, "curve needs channels and a shape");
    Curve curve;
    if (shape == "power") {
      curve.shape = Curve::Shape::kPower;
      if (!(in >> curve.exponent) || !(curve.exponent > 0)) return Fail(error, "power needs a positive exponent");
    } else if (shape == "offset-power") {
      curve.shape = Curve::Shape::kOffsetPower;
      if (!(in >> curve.exponent >> curve.offset) || !(curve.exponent > 0) || curve.offset < 0) {
        return Fail(error, "offset-power needs a positive exponent and an offset of at least 0");
      }
    } else {
      return Fail(error, "unknown curve shape '" + shape + "'");
    }
    std::string option;
    while (in >> option) {
      if (option == "contrast") {
        if (!(in >> curve.contrast) || std::fabs(curve.contrast) > 1.0) return Fail(error, "contrast must lie in -1..1");
      } else if (option == "range") {
        if (!(in >> curve.black >> curve.top) || curve.black < 0 || curve.top > 1 || curve.black >= curve.top) {
          return Fail(error, "range needs 0 <= black < top <= 1");
        }
      } else {
        return Fail(error, "unknown curve option '" + option + "'");
      }
    }
    if (channels == "all") {
      for (auto& c : curves_) c = curve;
    } else if (channels == "red" || channels == "green" || channels == "blue") {
      curves_[channels == "red" ? 0 : (channels == "green" ? 1 : 2)] = curve;
    } else {
      return Fail(error, "curve channels must be all, red, green or blue");
    }
    return true;
  }

  Definition& out_;
  bool kindSet_ = false;
  bool round_ = false;
  std::string description_;
  Vec3 white_ = engine::kD65;
  std::optional<Vec3> black_;
  double blackScale_ = 0.0;
  std::optional<std::array<double, 6>> primariesXy_;
  std::array<std::optional<Vec3>, 3> explicit_;
  std::array<std::optional<Curve>, 3> curves_;
  std::array<std::array<std::optional<double>, engine::kLevels>, 3> data_;
};

void PrintColour(std::ostringstream& out, const char* name, Vec3 v) {
  char line[160];
  std::snprintf(line, sizeof line, "%s XYZ %.17g %.17g %.17g\n", name, v.x, v.y, v.z);
  out << line;
}

}  // namespace

bool ParseDefinition(const std::string& text, Definition& out, std::string& error) {
  out = Definition{};
  Parser parser(out);
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    ++parser.lineNumber;
    if (!parser.Line(line, error)) return false;
  }
  parser.lineNumber = 0;
  return parser.Finish(error);
}

std::string FormatDefinition(const engine::TableImage& image, engine::TableKind kind) {
  std::ostringstream out;
  out << "kind " << (kind == engine::TableKind::kPanel ? "panel" : "tone") << "\n";
  std::string description;
  for (std::uint8_t b : image.header) {
    if (b == 0 || description.size() >= 32) break;
    if (b >= 32 && b < 127) description.push_back(static_cast<char>(b));
  }
  if (!description.empty()) out << "description " << description << "\n";
  out << "temperature " << image.ext.nativeTemperature << "\n";
  PrintColour(out, "white", image.ext.white);
  PrintColour(out, "black", image.ext.black);
  PrintColour(out, "red", image.ext.red);
  PrintColour(out, "green", image.ext.green);
  PrintColour(out, "blue", image.ext.blue);
  static constexpr const char* kNames[3] = {"red", "green", "blue"};
  for (int c = 0; c < 3; ++c) {
    for (int i = 0; i < engine::kLevels; ++i) {
      char line[96];
      std::snprintf(line, sizeof line, "data %s %d %.17g\n", kNames[c], i, image.data[c][i]);
      out << line;
    }
  }
  return out.str();
}

std::vector<std::string> Lint(const engine::TableImage& image, engine::TableKind kind) {
  std::vector<std::string> problems;
  static constexpr const char* kNames[3] = {"red", "green", "blue"};
  for (int c = 0; c < 3; ++c) {
    for (int i = 1; i < engine::kLevels; ++i) {
      if (kind == engine::TableKind::kPanel && image.data[c][i] < image.data[c][i - 1]) {
        problems.push_back(std::string(kNames[c]) + " panel response decreases at level " + std::to_string(i));
        break;
      }
    }
    for (int i = 0; i < engine::kLevels; ++i) {
      if (image.data[c][i] < 0 || image.data[c][i] > 65535) {
        problems.push_back(std::string(kNames[c]) + " value outside 0..65535 at level " + std::to_string(i));
        break;
      }
    }
  }
  if (image.ext.white.Sum() <= engine::kAbsentWhiteSum) problems.push_back("white counts as absent (D65 is used)");
  const Mat3 primaries = engine::PrimariesMatrix(image.ext.red, image.ext.green, image.ext.blue);
  if (std::fabs(engine::Determinant(primaries)) < 1e-8) problems.push_back("primaries matrix is singular");
  if (kind == engine::TableKind::kPanel) {
    if (image.ext.black.Sum() >= 0.5) problems.push_back("black is not dark (X + Y + Z >= 0.5)");
    const auto t = image.ext.nativeTemperature;
    if (t < engine::kMinTemperature || t > engine::kMaxTemperature) {
      problems.push_back("native temperature outside 4500..9500 K");
    }
  }
  return problems;
}

}  // namespace tl::tables
