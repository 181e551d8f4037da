// frame_filter: enhances raw video frames in a pipe, e.g.
//   ffmpeg -i in.mp4 -f rawvideo -pix_fmt yuyv422 - | frame_filter --format yuy2 --size 1280x720 | ...
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/frame_filter/filter.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  const auto options = tl::frame_filter::ParseOptions(args, &error);
  if (!options) {
    std::fprintf(stderr, "frame_filter: %s\n%s", error.c_str(), tl::frame_filter::Usage().c_str());
    return 2;
  }
  if (options->help) {
    std::fputs(tl::frame_filter::Usage().c_str(), stdout);
    return 0;
  }
  // A reader that goes away is a write error with a message, not a silent death.
  std::signal(SIGPIPE, SIG_IGN);
  return tl::frame_filter::RunFilter(*options, stdin, stdout, stderr);
}
