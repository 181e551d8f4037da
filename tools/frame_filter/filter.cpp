#include "tools/frame_filter/filter.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "frame_enhance/core/celumara.h"

namespace tl::frame_filter {
namespace {

using frame::Layout;

bool ParseInt(const std::string& text, int* value) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, *value);
  return ec == std::errc() && ptr == end;
}

bool ParseFloat(const std::string& text, float* value) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, *value);
  return ec == std::errc() && ptr == end && *value == *value;
}

bool ParseSize(const std::string& text, int* width, int* height) {
  const auto x = text.find('x');
  return x != std::string::npos && ParseInt(text.substr(0, x), width) && ParseInt(text.substr(x + 1), height);
}

bool ParseFormat(const std::string& name, Layout* layout) {
  struct Name { const char* name; Layout layout; };
  // The two chroma components are treated alike, so YV12 and NV21 use the I420 and NV12 kernels.
  static const Name names[] = {{"yuy2", Layout::kYuy2}, {"yuyv422", Layout::kYuy2}, {"i420", Layout::kI420},
                               {"yuv420p", Layout::kI420}, {"yv12", Layout::kI420}, {"nv12", Layout::kNv12},
                               {"nv21", Layout::kNv12}, {"sbs", Layout::kSideBySide}};
  for (const Name& n : names) {
    if (name == n.name) {
      *layout = n.layout;
      return true;
    }
  }
  return false;
}

void* Allocate(std::size_t bytes) { return std::malloc(bytes); }
void Free(void* block) { std::free(block); }

}  // namespace

std::string Usage() {
  return "usage: frame_filter --format F --size WxH [--low N] [--high N] [--noise X] [--strength X]\n"
         "                    [--mode 0|1] [--split] [--portable]\n"
         "Reads raw frames from standard input and writes the enhanced frames to standard output.\n"
         "  --format    yuy2 (yuyv422), i420 (yuv420p), yv12, nv12, nv21 or sbs (side by side)\n"
         "  --size      frame size in pixels; the width a multiple of 4, the height even\n"
         "  --low, --high        tone points (default 50, 150)\n"
         "  --noise, --strength  saturation and strength, 0..1 (default 0.5, 0.5)\n"
         "  --mode      0 full-range curve (default), 1 curve faded out toward bright levels\n"
         "  --split     enhance only the right half of the picture\n"
         "  --portable  use the portable kernels instead of the fastest for this processor\n";
}

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string* error) {
  Options o;
  bool haveFormat = false, haveSize = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= args.size()) {
        *error = "option " + arg + " needs a value";
        return false;
      }
      *out = args[++i];
      return true;
    };
    std::string v;
    if (arg == "--help" || arg == "-h") {
      o.help = true;
    } else if (arg == "--split") {
      o.split = true;
    } else if (arg == "--portable") {
      o.portable = true;
    } else if (arg == "--format") {
      if (!value(&v)) return std::nullopt;
      if (!ParseFormat(v, &o.layout)) {
        *error = "unknown format '" + v + "'";
        return std::nullopt;
      }
      haveFormat = true;
    } else if (arg == "--size") {
      if (!value(&v)) return std::nullopt;
      if (!ParseSize(v, &o.width, &o.height)) {
        *error = "size '" + v + "' is not WIDTHxHEIGHT";
        return std::nullopt;
      }
      haveSize = true;
    } else if (arg == "--low" || arg == "--high") {
      if (!value(&v)) return std::nullopt;
      if (!ParseInt(v, arg == "--low" ? &o.lowPoint : &o.highPoint)) {
        *error = arg + " '" + v + "' is not an integer";
        return std::nullopt;
      }
    } else if (arg == "--noise" || arg == "--strength") {
      if (!value(&v)) return std::nullopt;
      if (!ParseFloat(v, arg == "--noise" ? &o.noise : &o.strength)) {
        *error = arg + " '" + v + "' is not a number";
        return std::nullopt;
      }
    } else if (arg == "--mode") {
      if (!value(&v)) return std::nullopt;
      if (!ParseInt(v, &o.mode) || o.mode < 0 || o.mode > 1) {
        *error = "mode '" + v + "' is not 0 or 1";
        return std::nullopt;
      }
    } else {
      *error = "unknown option '" + arg + "'";
      return std::nullopt;
    }
  }
  if (o.help) return o;
  if (!haveFormat || !haveSize) {
    *error = haveFormat ? "--size is required" : "--format is required";
    return std::nullopt;
  }
  const auto row = frame::RowBytes(o.layout, o.width);
  if (!frame::FrameFits(o.layout, o.width, o.height, row, row) ||
      frame::FrameBytes(o.layout, o.width, o.height, row) > (1ull << 30)) {
    *error = "size " + std::to_string(o.width) + "x" + std::to_string(o.height) +
             " cannot be served: the width must be a multiple of 4, the height even and at least " +
             (o.layout == Layout::kSideBySide ? "4" : "2") + ", the frame at most 1 GiB";
    return std::nullopt;
  }
  return o;
}

int RunFilter(const Options& o, std::FILE* in, std::FILE* out, std::FILE* err) {
  const frame::TableAllocator heap{Allocate, Free};
  frame::CeLumara object(heap, o.portable ? frame::PortableKernels() : frame::BestKernels());
  object.Init(o.width, o.height);
  if (!object.Initialised()) {
    std::fprintf(err, "frame_filter: out of memory for the tone tables\n");
    return 1;
  }
  object.SetParams(o.lowPoint, o.highPoint, o.noise, o.strength);
  object.SetMode(static_cast<std::uint8_t>(o.mode));
  object.SetSplit(o.split ? 1 : 0);

  const auto row = frame::RowBytes(o.layout, o.width);
  const std::size_t frameBytes = static_cast<std::size_t>(frame::FrameBytes(o.layout, o.width, o.height, row));
  std::vector<std::uint8_t> frame(frameBytes);
  for (long long index = 0;; ++index) {
    const std::size_t got = std::fread(frame.data(), 1, frameBytes, in);
    if (got == 0 && std::feof(in)) return 0;
    if (got < frameBytes) {
      if (std::ferror(in)) {
        std::fprintf(err, "frame_filter: reading frame %lld failed: %s\n", index, std::strerror(errno));
      } else {
        std::fprintf(err, "frame_filter: short frame %lld: %zu of %zu bytes\n", index, got, frameBytes);
      }
      return 1;
    }
    std::uint8_t* p = frame.data();
    bool done = false;
    switch (o.layout) {
      case Layout::kYuy2: done = object.ProcessYUY2(p, p); break;
      case Layout::kI420: done = object.ProcessI420(p, p); break;
      case Layout::kNv12: done = object.ProcessNV12(p, p); break;
      case Layout::kSideBySide: done = object.ProcessSideBySide(p, p); break;
    }
    if (!done) {
      std::fprintf(err, "frame_filter: frame %lld was refused\n", index);
      return 1;
    }
    if (std::fwrite(p, 1, frameBytes, out) != frameBytes || std::fflush(out) != 0) {
      std::fprintf(err, "frame_filter: writing frame %lld failed: %s\n", index, std::strerror(errno));
      return 1;
    }
  }
}

}  // namespace tl::frame_filter
