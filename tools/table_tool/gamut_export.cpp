#include "tools/table_tool/gamut_export.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <sstream>

#include "engine/core/engine_api.h"

namespace tl::tables {
namespace {

using engine::GamutTriangle;
using engine::GamutVertex;

// Hands the engine the two tables already read, under fixed names.
class TablePlatform final : public engine::EnginePlatform {
 public:
  TablePlatform(const engine::TableImage& panel, const engine::TableImage& tone) : panel_(panel), tone_(tone) {}
  engine::LoadError ReadTable(const char*, engine::TableKind kind, engine::TableImage& out) override {
    out = kind == engine::TableKind::kPanel ? panel_ : tone_;
    return engine::LoadError::kNone;
  }
  void SendRamp(engine::RampTable&) override {}

 private:
  const engine::TableImage& panel_;
  const engine::TableImage& tone_;
};

bool ReadMesh(engine::EngineContext ctx, std::int32_t which, GamutMesh& mesh) {
  std::int32_t vertexCount = 0, triangleCount = 0;
  if (engine::GetGamutSize(ctx, which, &vertexCount, &triangleCount) != engine::kOk) return false;
  std::vector<double> vertices(6 * static_cast<size_t>(vertexCount));
  std::vector<std::int32_t> triangles(3 * static_cast<size_t>(triangleCount));
  if (engine::GetGamutSurface(ctx, which, vertices.data(), triangles.data()) != engine::kOk) return false;
  mesh.vertices.resize(vertexCount);
  mesh.triangles.resize(triangleCount);
  for (std::int32_t i = 0; i < vertexCount; ++i) std::copy_n(&vertices[6 * i], 6, mesh.vertices[i].begin());
  for (std::int32_t i = 0; i < triangleCount; ++i) std::copy_n(&triangles[3 * i], 3, mesh.triangles[i].begin());
  return true;
}

// Viewer axes: x = a*, y = L*, z = -b*.
std::array<double, 3> ViewerPosition(const GamutVertex& v) { return {v[1], v[0], -v[2]}; }

int Byte(double unit) { return static_cast<int>(std::lround(std::clamp(unit, 0.0, 1.0) * 255.0)); }

// ---- Drawing -------------------------------------------------------------------------------------

// A 5 x 7 font for the caption: capitals, digits and a few signs, one row of 5 bits a byte.
struct Glyph {
  char c;
  std::array<std::uint8_t, 7> rows;
};
constexpr Glyph kFont[] = {
    {' ', {0, 0, 0, 0, 0, 0, 0}},
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}}, {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}}, {'D', {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}}, {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}}, {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}}, {'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
    {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}}, {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}}, {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}}, {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}}, {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}}, {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}}, {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}}, {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
    {'Y', {0x11, 0x11, 0x0A, 0x04, 0x04, 0x04, 0x04}}, {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}}, {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}}, {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}}, {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}}, {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}}, {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}}, {',', {0x00, 0x00, 0x00, 0x00, 0x0C, 0x04, 0x08}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}}, {'*', {0x00, 0x04, 0x15, 0x0E, 0x15, 0x04, 0x00}},
    {'(', {0x02, 0x04, 0x08, 0x08, 0x08, 0x04, 0x02}}, {')', {0x08, 0x04, 0x02, 0x02, 0x02, 0x04, 0x08}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}}, {'=', {0x00, 0x00, 0x1F, 0x00, 0x1F, 0x00, 0x00}},
    {'/', {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x00}}, {'+', {0x00, 0x04, 0x04, 0x1F, 0x04, 0x04, 0x00}},
    {'%', {0x18, 0x19, 0x02, 0x04, 0x08, 0x13, 0x03}}, {'_', {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1F}},
    {'?', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x00, 0x04}},
};

const Glyph& GlyphOf(char c) {
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  for (const Glyph& g : kFont) {
    if (g.c == c) return g;
  }
  return kFont[std::size(kFont) - 1];
}

constexpr int kGlyphAdvance = 6;  // 5 columns and a gap

void Put(artwork::Image& image, int x, int y, std::uint32_t argb) {
  if (x >= 0 && y >= 0 && x < image.width && y < image.height) image.At(x, y) = argb;
}

void DrawText(artwork::Image& image, const std::string& text, int x, int y, int scale, std::uint32_t argb) {
  for (char c : text) {
    const Glyph& g = GlyphOf(c);
    for (int row = 0; row < 7; ++row) {
      for (int col = 0; col < 5; ++col) {
        if (!(g.rows[row] & (0x10 >> col))) continue;
        for (int dy = 0; dy < scale; ++dy)
          for (int dx = 0; dx < scale; ++dx) Put(image, x + col * scale + dx, y + row * scale + dy, argb);
      }
    }
    x += kGlyphAdvance * scale;
  }
}

int TextWidth(const std::string& text, int scale) { return static_cast<int>(text.size()) * kGlyphAdvance * scale - scale; }

std::uint32_t Opaque(double r, double g, double b) {
  return 0xFF000000u | (static_cast<std::uint32_t>(Byte(r)) << 16) | (static_cast<std::uint32_t>(Byte(g)) << 8) |
         static_cast<std::uint32_t>(Byte(b));
}

// Maps a*, b* to pixel centres of the plot square.
struct PlotFrame {
  double centre = 0, scale = 1;
  double X(double a) const { return centre + a * scale; }
  double Y(double b) const { return centre - b * scale; }
};

// Fills a triangle given in pixel coordinates; `shade` gives the colour for barycentric weights.
template <typename Shade>
void FillTriangle(int width, int height, const std::array<std::array<double, 2>, 3>& p, Shade shade) {
  const double area = (p[1][0] - p[0][0]) * (p[2][1] - p[0][1]) - (p[2][0] - p[0][0]) * (p[1][1] - p[0][1]);
  if (std::abs(area) < 1e-12) return;
  const int x0 = std::max(0, static_cast<int>(std::floor(std::min({p[0][0], p[1][0], p[2][0]}))));
  const int x1 = std::min(width - 1, static_cast<int>(std::ceil(std::max({p[0][0], p[1][0], p[2][0]}))));
  const int y0 = std::max(0, static_cast<int>(std::floor(std::min({p[0][1], p[1][1], p[2][1]}))));
  const int y1 = std::min(height - 1, static_cast<int>(std::ceil(std::max({p[0][1], p[1][1], p[2][1]}))));
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      const double px = x + 0.5, py = y + 0.5;
      const double w0 = ((p[1][0] - px) * (p[2][1] - py) - (p[2][0] - px) * (p[1][1] - py)) / area;
      const double w1 = ((p[2][0] - px) * (p[0][1] - py) - (p[0][0] - px) * (p[2][1] - py)) / area;
      const double w2 = 1.0 - w0 - w1;
      if (w0 < -1e-9 || w1 < -1e-9 || w2 < -1e-9) continue;
      shade(x, y, w0, w1, w2);
    }
  }
}

std::array<std::array<double, 2>, 3> Projected(const GamutMesh& mesh, const GamutTriangle& t, const PlotFrame& frame) {
  std::array<std::array<double, 2>, 3> p;
  for (int i = 0; i < 3; ++i) p[i] = {frame.X(mesh.vertices[t[i]][1]), frame.Y(mesh.vertices[t[i]][2])};
  return p;
}

// True for a triangle whose outside faces L* = 100 (the part of the surface seen from above).
bool FacesUp(const GamutMesh& mesh, const GamutTriangle& t) {
  const GamutVertex &a = mesh.vertices[t[0]], &b = mesh.vertices[t[1]], &c = mesh.vertices[t[2]];
  // L component of (b - a) x (c - a) in (L*, a*, b*) coordinates.
  return (b[1] - a[1]) * (c[2] - a[2]) - (b[2] - a[2]) * (c[1] - a[1]) > 0;
}

}  // namespace

bool ComputeGamutPair(const engine::TableImage& panel, const engine::TableImage& tone, const GamutSettings& settings,
                      GamutPair& out, std::string& error) {
  auto record = std::make_unique<engine::CTintorEngine>();
  engine::TintorShared shared;
  TablePlatform platform(panel, tone);
  const engine::EngineContext ctx{*record, shared, platform};
  engine::SetPanelTable(ctx, "panel");
  engine::SetToneTable(ctx, "tone");
  if (engine::SetMethod(ctx, settings.method) != engine::kOk) {
    error = "the method is 0, 1 or 2";
    return false;
  }
  engine::SetColourfulness(ctx, settings.colourfulness, settings.colourfulness, settings.colourfulness);
  if (settings.temperature) engine::SetColourTemperature(ctx, settings.temperature);
  engine::SetGammaS(ctx, settings.strength);
  engine::SetGammaV(ctx, settings.gammaV);
  engine::SetGamutComputingEnable(ctx, 1);
  engine::RampTable ramp;
  if (engine::PrepareColourEnhance(ctx, &ramp) != engine::kOk) {
    error = "the colour-tone computation failed (a singular primaries matrix?)";
    return false;
  }
  for (std::int32_t which : {engine::kGamutSetEnhanced, engine::kGamutSetDisplayed}) {
    const char* name = which == engine::kGamutSetEnhanced ? "enhanced" : "displayed";
    if (engine::CalGamutSurface(ctx, which) != engine::kOk) {
      error = std::string("the ") + name + " colours have no gamut surface (not ready, a black that is not dark, or no solid)";
      return false;
    }
    if (!ReadMesh(ctx, which, which == engine::kGamutSetEnhanced ? out.enhanced : out.displayed)) {
      error = std::string("the ") + name + " surface could not be read";
      return false;
    }
  }
  engine::GamutColourDifference(ctx, &out.meanDifference);
  return true;
}

std::string FormatObj(const GamutPair& pair, const std::string& comment) {
  std::ostringstream out;
  out.precision(9);
  out << "# " << comment << "\n# x = a*, y = L*, z = -b*; vertex colours are the engine's drawing colours\n";
  out << "# mean colour difference (CIE 1976) " << pair.meanDifference << "\n";
  size_t base = 0;
  for (const auto& [name, mesh] : {std::pair{"enhanced", &pair.enhanced}, std::pair{"displayed", &pair.displayed}}) {
    out << "o " << name << "\n";
    for (const GamutVertex& v : mesh->vertices) {
      const auto p = ViewerPosition(v);
      out << "v " << p[0] << ' ' << p[1] << ' ' << p[2] << ' ' << v[3] << ' ' << v[4] << ' ' << v[5] << "\n";
    }
    for (const GamutTriangle& t : mesh->triangles) {
      out << "f " << base + t[0] + 1 << ' ' << base + t[1] + 1 << ' ' << base + t[2] + 1 << "\n";
    }
    base += mesh->vertices.size();
  }
  return out.str();
}

std::string FormatPly(const GamutPair& pair, const std::string& comment) {
  std::ostringstream out;
  out.precision(9);
  const size_t vertices = pair.enhanced.vertices.size() + pair.displayed.vertices.size();
  const size_t faces = pair.enhanced.triangles.size() + pair.displayed.triangles.size();
  out << "ply\nformat ascii 1.0\n";
  out << "comment " << comment << "\n";
  out << "comment x = a*, y = L*, z = -b*; mean colour difference (CIE 1976) " << pair.meanDifference << "\n";
  out << "comment enhanced gamut: the first " << pair.enhanced.vertices.size() << " vertices and "
      << pair.enhanced.triangles.size() << " faces; displayed gamut: the rest\n";
  out << "element vertex " << vertices << "\nproperty float x\nproperty float y\nproperty float z\n"
      << "property uchar red\nproperty uchar green\nproperty uchar blue\n";
  out << "element face " << faces << "\nproperty list uchar int vertex_indices\nend_header\n";
  for (const GamutMesh* mesh : {&pair.enhanced, &pair.displayed}) {
    for (const GamutVertex& v : mesh->vertices) {
      const auto p = ViewerPosition(v);
      out << p[0] << ' ' << p[1] << ' ' << p[2] << ' ' << Byte(v[3]) << ' ' << Byte(v[4]) << ' ' << Byte(v[5]) << "\n";
    }
  }
  size_t base = 0;
  for (const GamutMesh* mesh : {&pair.enhanced, &pair.displayed}) {
    for (const GamutTriangle& t : mesh->triangles) out << "3 " << base + t[0] << ' ' << base + t[1] << ' ' << base + t[2] << "\n";
    base += mesh->vertices.size();
  }
  return out.str();
}

artwork::Image DrawGamutProjection(const GamutPair& pair, const std::string& title) {
  constexpr int kPlot = 720, kCaption = 76, kMargin = 28;
  constexpr std::uint32_t kBackground = 0xFF1C2026, kGrid = 0xFF2C323A, kAxis = 0xFF4A525C, kLabel = 0xFF9AA4AE;
  constexpr std::uint32_t kOutline = 0xFFFFFFFF, kText = 0xFFE6EAEE;
  artwork::Image image(kPlot, kPlot + kCaption, kBackground);

  // The plot reaches a multiple of 20 beyond the widest colour, and at least 60.
  double reach = 60;
  for (const GamutMesh* mesh : {&pair.enhanced, &pair.displayed}) {
    for (const GamutVertex& v : mesh->vertices) reach = std::max({reach, std::abs(v[1]), std::abs(v[2])});
  }
  reach = std::ceil(reach / 20.0) * 20.0;
  const PlotFrame frame{kPlot / 2.0, (kPlot / 2.0 - kMargin) / reach};

  for (double g = -reach; g <= reach + 1e-9; g += 20) {
    const int x = static_cast<int>(std::lround(frame.X(g))), y = static_cast<int>(std::lround(frame.Y(g)));
    const std::uint32_t colour = std::abs(g) < 1e-9 ? kAxis : kGrid;
    for (int i = kMargin; i < kPlot - kMargin; ++i) {
      Put(image, x, i, colour);
      Put(image, i, y, colour);
    }
  }
  DrawText(image, "+A*", kPlot - kMargin - TextWidth("+A*", 2), static_cast<int>(frame.Y(0)) + 6, 2, kLabel);
  DrawText(image, "+B*", static_cast<int>(frame.X(0)) + 6, kMargin, 2, kLabel);
  const std::string edge = std::to_string(static_cast<int>(reach));
  DrawText(image, edge, static_cast<int>(frame.X(reach)) - TextWidth(edge, 1), static_cast<int>(frame.Y(0)) - 10, 1, kLabel);

  // The enhanced gamut seen from above: its upward surface, shaded between the vertex colours.
  const GamutMesh& filled = pair.enhanced;
  for (const GamutTriangle& t : filled.triangles) {
    if (!FacesUp(filled, t)) continue;
    FillTriangle(image.width, kPlot, Projected(filled, t, frame), [&](int x, int y, double w0, double w1, double w2) {
      const GamutVertex &a = filled.vertices[t[0]], &b = filled.vertices[t[1]], &c = filled.vertices[t[2]];
      image.At(x, y) = Opaque(w0 * a[3] + w1 * b[3] + w2 * c[3], w0 * a[4] + w1 * b[4] + w2 * c[4],
                              w0 * a[5] + w1 * b[5] + w2 * c[5]);
    });
  }

  // The displayed gamut's outline: the edge of its footprint, two pixels wide.
  std::vector<std::uint8_t> footprint(static_cast<size_t>(kPlot) * kPlot, 0);
  for (const GamutTriangle& t : pair.displayed.triangles) {
    FillTriangle(kPlot, kPlot, Projected(pair.displayed, t, frame),
                 [&](int x, int y, double, double, double) { footprint[static_cast<size_t>(y) * kPlot + x] = 1; });
  }
  auto inside = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < kPlot && y < kPlot && footprint[static_cast<size_t>(y) * kPlot + x];
  };
  for (int y = 0; y < kPlot; ++y) {
    for (int x = 0; x < kPlot; ++x) {
      if (!inside(x, y)) continue;
      bool border = false;
      for (int d = 1; d <= 2 && !border; ++d) {
        border = !inside(x - d, y) || !inside(x + d, y) || !inside(x, y - d) || !inside(x, y + d);
      }
      if (border) image.At(x, y) = kOutline;
    }
  }

  // Caption.
  for (int x = 0; x < kPlot; ++x) image.At(x, kPlot) = kAxis;
  char difference[64];
  std::snprintf(difference, sizeof difference, "MEAN DELTA E*AB (1976) = %.3f", pair.meanDifference);
  const std::string lines[] = {title, "ENHANCED: FILLED, SEEN FROM L* 100. DISPLAYED: WHITE LINE.", difference};
  int y = kPlot + 8;
  for (const std::string& line : lines) {
    const int scale = TextWidth(line, 2) <= kPlot - 16 ? 2 : 1;
    DrawText(image, line, (kPlot - TextWidth(line, scale)) / 2, y, scale, kText);
    y += 22;
  }
  return image;
}

}  // namespace tl::tables
