// The raw-frame filter: options and the loop that enhances frames from one stream into another.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "frame_enhance/core/kernels.h"

namespace tl::frame_filter {

struct Options {
  frame::Layout layout = frame::Layout::kYuy2;
  int width = 0, height = 0;
  int lowPoint = 50, highPoint = 150;
  float noise = 0.5f, strength = 0.5f;
  int mode = 0;
  bool split = false;
  bool portable = false;  // the portable kernels instead of the best for this processor
  bool help = false;
};

// Parses the arguments (without the program name); on failure gives nothing and a message.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string* error);

std::string Usage();

// Enhances whole frames from in to out until the end of in. Returns the exit code: 0 after the
// last whole frame, 1 with a message on err for a short last frame or a write failure.
int RunFilter(const Options& options, std::FILE* in, std::FILE* out, std::FILE* err);

}  // namespace tl::frame_filter
