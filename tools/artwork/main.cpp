// tl_artwork: makes the suite's skin bitmaps, icons, badge texture and help pages from the
// drawing sources in assets/ (SVG templates rendered by rsvg-convert), and sheets to look at them.
//
//   tl_artwork build   --manifest <list> --install <dir> --resources <dir> --work <dir> [--rsvg <exe>]
//   tl_artwork outputs --manifest <list>
//   tl_artwork sheet   --manifest <list> --install <dir> --resources <dir> --work <dir> --out <dir> [--rsvg <exe>]
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "skin/core/bmp.h"
#include "tools/artwork/core/icon.h"
#include "tools/artwork/core/image.h"
#include "tools/artwork/core/layout.h"
#include "tools/artwork/core/manifest.h"
#include "tools/artwork/core/markup.h"
#include "tools/artwork/core/mock.h"
#include "tools/artwork/core/png.h"
#include "tools/artwork/core/template.h"

extern char** environ;

namespace fs = std::filesystem;
using namespace tl::artwork;

namespace {

class Failure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::vector<uint8_t> ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Failure("cannot read " + path.string());
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ReadText(const fs::path& path) {
  std::vector<uint8_t> bytes = ReadBytes(path);
  return {bytes.begin(), bytes.end()};
}

void WriteBytes(const fs::path& path, const void* data, size_t size) {
  fs::create_directories(path.parent_path());
  // Written beside and renamed, so that an interrupted run never leaves half a file.
  fs::path partial = path;
  partial += ".partial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) throw Failure("cannot write " + path.string());
  }
  fs::rename(partial, path);
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
  WriteBytes(path, bytes.data(), bytes.size());
}

struct Options {
  fs::path manifest, install, resources, work, out;
  std::string rsvg = "rsvg-convert";
};

class Builder {
 public:
  explicit Builder(const Options& options)
      : options_(options), sourceDir_(options.manifest.parent_path()),
        manifest_(ParseManifest(ReadText(options.manifest))) {
    AddLayoutVariables(manifest_.bodyWidth, manifest_.bodyHeight, layout_);
  }

  const Manifest& manifest() const { return manifest_; }

  fs::path OutputPath(const std::string& place) const {
    if (place.starts_with("install:")) return options_.install / place.substr(8);
    if (place.starts_with("res:")) return options_.resources / place.substr(4);
    return options_.install / place;  // mock plans name bitmaps relative to the installation
  }

  void BuildAll() {
    for (const ManifestEntry& e : manifest_.entries) {
      try {
        Build(e, OutputPath(e.output));
      } catch (const std::exception& error) {
        throw Failure(options_.manifest.string() + ":" + std::to_string(e.line) + ": " + error.what());
      }
    }
  }

  void Build(const ManifestEntry& e, const fs::path& out) {
    if (e.kind == "bmp") {
      Variables vars = EntryVariables(e);
      Image image = RenderEntry(e, vars);
      Flattening how;
      how.keyed = e.options.count("key") != 0;
      if (auto m = e.options.find("matte"); m != e.options.end()) how.matte = ColourArgument(m->second);
      WriteBytes(out, tl::skin::EncodeBmp24(Flatten(image, how)));
    } else if (e.kind == "dds") {
      Variables vars = EntryVariables(e);
      WriteBytes(out, EncodeDdsArgb(RenderEntry(e, vars)));
    } else if (e.kind == "png") {
      Variables vars = EntryVariables(e);
      SavePng(out, RenderEntry(e, vars));
    } else if (e.kind == "ico") {
      std::vector<Image> images;
      for (int32_t size : ListArgument(e.args[1])) {
        if (size < 1 || size > 256) throw Failure("icon sizes are 1..256");
        Variables vars = EntryVariables(e);
        vars["w"] = vars["h"] = vars["size"] = size;
        images.push_back(Render(sourceDir_ / e.args[0], vars, size, size));
      }
      WriteBytes(out, EncodeIco(images));
    } else if (e.kind == "mock") {
      SavePng(out, Mock(e, std::nullopt));
    } else if (e.kind == "help") {
      BuildHelp(e, out);
    }
  }

  // The panel and tray mocks again, on a desktop colour, for a person to look at.
  // For a person to judge the look, `desktop` shows the window's outline on a colour and the
  // numbered marks of the help pictures are left off.
  Image Mock(const ManifestEntry& e, std::optional<uint32_t> desktop) const {
    const bool forHelp = !desktop.has_value();
    if (!desktop)
      if (auto d = e.options.find("desktop"); d != e.options.end()) desktop = ColourArgument(d->second);
    auto option = [&](const char* name, int fallback) {
      auto it = e.options.find(name);
      return it == e.options.end() ? fallback : static_cast<int>(NumberArgument(it->second, layout_));
    };
    std::vector<int32_t> callouts;
    if (auto c = e.options.find("callouts"); c != e.options.end() && forHelp) callouts = ListArgument(c->second);
    auto sizeOf = [this](const std::string& bitmap) {
      tl::skin::BmpLayout layout;
      std::vector<uint8_t> bytes = ReadBytes(OutputPath(bitmap));
      if (!tl::skin::ReadBmpLayout(bytes, layout)) throw Failure(bitmap + " is not a BMP file");
      return Rect{0, 0, layout.width, layout.height};
    };
    MockPlan plan;
    if (e.args[0] == "panel")
      plan = PanelMock(manifest_.bodyWidth, manifest_.bodyHeight, option("tab", 0), option("mode", 1),
                       option("slider", 50), callouts, sizeOf);
    else if (e.args[0] == "tray")
      plan = TrayMock(e.options.count("background") ? e.options.at("background") : "", option("slider", 50),
                      callouts, sizeOf);
    else
      throw Failure("a mock is 'panel' or 'tray'");
    return Compose(plan, desktop, e.options.count("scene") ? e.options.at("scene") : "");
  }

  Image Compose(const MockPlan& plan, std::optional<uint32_t> desktop, const std::string& scene) const {
    Image canvas(plan.width, plan.height, desktop ? 0xFF000000 | *desktop : 0);
    Composite(canvas, LoadBitmap(plan.background), 0, 0);
    for (size_t i = 0; i < plan.wells.size() && !scene.empty(); ++i) {
      const Rect& w = plan.wells[i];
      Variables vars = layout_;
      vars["w"] = w.width;
      vars["h"] = w.height;
      Image picture = Render(sourceDir_ / scene, vars, w.width, w.height);
      if (i == 1) ApplyPreviewTone(picture);
      Composite(canvas, picture, w.x, w.y);
    }
    for (const MockPiece& piece : plan.pieces) {
      Image bitmap = LoadBitmap(piece.bitmap);
      if (piece.stretchWidth > 0) bitmap = StretchChannel(bitmap, piece.stretchWidth);
      Composite(canvas, bitmap, piece.x, piece.y);
    }
    Composite(canvas, RenderText(OverlaySvg(plan), "overlay", plan.width, plan.height), 0, 0);
    return canvas;
  }

  Image LoadBitmap(const std::string& name) const {
    tl::skin::Pixels pixels;
    if (!tl::skin::DecodeBmp(ReadBytes(OutputPath(name)), pixels)) throw Failure(name + " is not a BMP file");
    return FromPixels(pixels, true);
  }

  Image Render(const fs::path& source, Variables vars, int32_t width, int32_t height) const {
    std::string svg;
    try {
      svg = Expand(ReadText(source), vars);
    } catch (const TemplateError& e) {
      throw Failure(source.string() + ": " + e.what());
    }
    return RenderText(svg, source.stem().string(), width, height);
  }

  Image RenderText(const std::string& svg, const std::string& name, int32_t width, int32_t height) const {
    fs::create_directories(options_.work);
    const fs::path svgPath = options_.work / (name + "-" + std::to_string(counter_) + ".svg");
    const fs::path pngPath = options_.work / (name + "-" + std::to_string(counter_++) + ".png");
    WriteBytes(svgPath, svg.data(), svg.size());
    const std::string w = std::to_string(width), h = std::to_string(height);
    const std::string svgArg = svgPath.string(), pngArg = pngPath.string();
    std::vector<const char*> argv{options_.rsvg.c_str(), "--format", "png", "--width", w.c_str(),
                                  "--height", h.c_str(), "--output", pngArg.c_str(), svgArg.c_str(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, const_cast<char* const*>(argv.data()), environ) != 0)
      throw Failure("cannot start " + options_.rsvg + " (package librsvg2-bin)");
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
      throw Failure(options_.rsvg + " failed on " + svgArg);
    Image image;
    std::string error;
    if (!ReadPng(pngArg, image, error)) throw Failure(pngArg + ": " + error);
    if (image.width != width || image.height != height)
      throw Failure(svgArg + " rendered at " + std::to_string(image.width) + "x" + std::to_string(image.height));
    return image;
  }

  static void SavePng(const fs::path& path, const Image& image) {
    fs::create_directories(path.parent_path());
    std::string error;
    if (!WritePng(path.string(), image, error)) throw Failure(path.string() + ": " + error);
  }

 private:
  Variables EntryVariables(const ManifestEntry& e) const {
    Variables vars = layout_;
    for (const auto& [name, value] : e.options) {
      if (name == "matte" || value.empty()) continue;
      vars[name] = NumberArgument(value, layout_);
    }
    return vars;
  }

  Image RenderEntry(const ManifestEntry& e, Variables& vars) const {
    const int32_t width = static_cast<int32_t>(NumberArgument(e.args[1], layout_));
    const int32_t height = static_cast<int32_t>(NumberArgument(e.args[2], layout_));
    if (width < 1 || height < 1 || width > 4096 || height > 4096) throw Failure("image size out of range");
    vars["w"] = width;
    vars["h"] = height;
    return Render(sourceDir_ / e.args[0], vars, width, height);
  }

  void BuildHelp(const ManifestEntry& e, const fs::path& out) const {
    auto style = e.options.find("style");
    if (style == e.options.end()) throw Failure("a help page needs style=<css>");
    HelpPage page = RenderHelpPage(ReadText(sourceDir_ / e.args[0]), ReadText(sourceDir_ / style->second));
    for (const std::string& picture : page.pictures)
      if (!fs::exists((out.parent_path() / picture).lexically_normal()))
        throw Failure("the page shows " + picture + ", which is not made before it");
    WriteBytes(out, page.html.data(), page.html.size());
  }

  Options options_;
  fs::path sourceDir_;
  Manifest manifest_;
  Variables layout_;
  mutable int counter_ = 0;
};

// Every bitmap, surface and icon in rows with its name under it; small ones enlarged.
Image ContactSheet(const Builder& builder, std::string& labels) {
  struct Item {
    std::string name;
    Image image;
    int scale;
  };
  std::vector<Item> items;
  for (const ManifestEntry& e : builder.manifest().entries) {
    const fs::path path = builder.OutputPath(e.output);
    const std::string name = e.output.substr(e.output.find(':') + 1);
    std::vector<uint8_t> bytes = ReadBytes(path);
    std::vector<Image> images;
    if (e.kind == "bmp") {
      tl::skin::Pixels pixels;
      if (!tl::skin::DecodeBmp(bytes, pixels)) throw Failure(name + " does not read back");
      images.push_back(FromPixels(pixels, false));
    } else if (e.kind == "dds") {
      Image image;
      if (!DecodeDdsArgb(bytes, image)) throw Failure(name + " does not read back");
      images.push_back(image);
    } else if (e.kind == "ico") {
      if (!DecodeIco(bytes, images)) throw Failure(name + " does not read back");
    } else {
      continue;
    }
    for (Image& image : images) {
      const int32_t side = std::max(image.width, image.height);
      const int scale = side <= 32 ? 3 : side <= 128 ? 2 : 1;
      items.push_back({images.size() > 1 ? name + " " + std::to_string(image.width) : name, std::move(image), scale});
    }
  }
  constexpr int32_t kSheetWidth = 1500, kGap = 14, kLabel = 16;
  // Place in rows.
  struct Place { int32_t x, y; };
  std::vector<Place> places;
  int32_t x = kGap, y = kGap, rowHeight = 0;
  for (const Item& item : items) {
    const int32_t w = std::max<int32_t>(item.image.width * item.scale, 90), h = item.image.height * item.scale + kLabel;
    if (x + w + kGap > kSheetWidth && x > kGap) {
      x = kGap;
      y += rowHeight + kGap;
      rowHeight = 0;
    }
    places.push_back({x, y});
    x += w + kGap;
    rowHeight = std::max(rowHeight, h);
  }
  Image sheet(kSheetWidth, y + rowHeight + kGap, 0xFF5A6470);
  std::ostringstream svg;
  svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << sheet.width << "\" height=\"" << sheet.height << "\">\n";
  for (size_t i = 0; i < items.size(); ++i) {
    const Item& item = items[i];
    Image scaled(item.image.width * item.scale, item.image.height * item.scale);
    for (int32_t sy = 0; sy < scaled.height; ++sy)
      for (int32_t sx = 0; sx < scaled.width; ++sx) {
        // A checkerboard shows through transparent pixels.
        const uint32_t check = ((sx / 6 + sy / 6) % 2) ? 0xFF8A94A0 : 0xFFB4BCC6;
        Image px(1, 1, check);
        Image top(1, 1, item.image.At(sx / item.scale, sy / item.scale));
        Composite(px, top, 0, 0);
        scaled.At(sx, sy) = px.data[0];
      }
    Composite(sheet, scaled, places[i].x, places[i].y);
    svg << "<text x=\"" << places[i].x << "\" y=\"" << places[i].y + scaled.height + 12
        << "\" font-family=\"DejaVu Sans\" font-size=\"10px\" fill=\"#F0F4F8\">" << EscapeHtml(item.name) << "</text>\n";
  }
  svg << "</svg>\n";
  labels = svg.str();
  return sheet;
}

int Main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: tl_artwork build|outputs|sheet --manifest <list> [--install <dir>] [--resources <dir>]"
                 " [--work <dir>] [--out <dir>] [--rsvg <exe>]\n";
    return 2;
  }
  const std::string command = argv[1];
  Options options;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) throw Failure(arg + " needs a value");
    const std::string value = argv[++i];
    if (arg == "--manifest") options.manifest = value;
    else if (arg == "--install") options.install = value;
    else if (arg == "--resources") options.resources = value;
    else if (arg == "--work") options.work = value;
    else if (arg == "--out") options.out = value;
    else if (arg == "--rsvg") options.rsvg = value;
    else throw Failure("unknown option " + arg);
  }
  if (options.manifest.empty()) throw Failure("--manifest is required");
  if (command == "outputs") {
    Builder builder(options);
    for (const ManifestEntry& e : builder.manifest().entries) std::cout << e.output << '\n';
    return 0;
  }
  if (options.install.empty() || options.resources.empty() || options.work.empty())
    throw Failure("--install, --resources and --work are required");
  Builder builder(options);
  if (command == "build") {
    builder.BuildAll();
    return 0;
  }
  if (command == "sheet") {
    if (options.out.empty()) throw Failure("--out is required");
    std::string labels;
    Image sheet = ContactSheet(builder, labels);
    Composite(sheet, builder.RenderText(labels, "sheet-labels", sheet.width, sheet.height), 0, 0);
    Builder::SavePng(options.out / "artwork_contact_sheet.png", sheet);
    // The badge where the renderer draws it: at (5, 0) over the video.
    for (const ManifestEntry& e : builder.manifest().entries) {
      if (e.kind != "dds") continue;
      Image badge;
      if (!DecodeDdsArgb(ReadBytes(builder.OutputPath(e.output)), badge)) throw Failure(e.output + " does not read back");
      Variables size{{"w", 640}, {"h", 360}};
      Image video = builder.Render(options.manifest.parent_path() / "sample_scene.svg", size, 640, 360);
      Composite(video, badge, 5, 0);
      Builder::SavePng(options.out / "artwork_badge_on_video.png", video);
    }
    for (const ManifestEntry& e : builder.manifest().entries) {
      if (e.kind != "mock") continue;
      const fs::path name = "artwork_mock_" + fs::path(e.output.substr(e.output.find(':') + 1)).filename().string();
      Builder::SavePng(options.out / name, builder.Mock(e, 0x3C6E8F));
    }
    return 0;
  }
  throw Failure("unknown command " + command);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Main(argc, argv);
  } catch (const std::exception& e) {
    std::cerr << "tl_artwork: " << e.what() << '\n';
    return 1;
  }
}
