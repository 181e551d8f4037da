// Pictures of the finished windows, put together the way the programs put them together: the
// body or dialog background, every skin bitmap at its control's place, key-coloured pixels
// see-through, the captions where the skin library draws them. The help pages show them and
// the artwork is judged by them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/artwork/core/image.h"
#include "tools/artwork/core/layout.h"

namespace tl::artwork {

struct MockPiece {
  std::string bitmap;  // file name relative to the installation or resource folder
  int32_t x = 0, y = 0;
  int32_t stretchWidth = 0;  // > 0: drawn this wide, end thirds kept, the middle stretched (a slider channel)
};

struct MockCaption {
  std::string text;
  Rect button;           // the button window: its place and its skin bitmap's size
  int style = 0;         // the skin library's text placement: 0 centred, 1 label, 2 centred + 10
  double points = 8;     // font height
  bool bold = false;
  std::string face;      // font family list for the renderer
  uint32_t argb = 0;     // text colour with alpha
};

struct MockPlan {
  int32_t width = 0, height = 0;
  std::string background;                  // body or dialog bitmap
  std::vector<Rect> wells;                 // preview halves: plain picture, then processed
  std::vector<MockPiece> pieces;           // in drawing order
  std::vector<MockCaption> captions;
  std::vector<Rect> thumbs;                // slider thumbs the control panel draws itself
  std::vector<Rect> callouts;              // numbered marks, 1.. in order
};

// The size of a skin bitmap by file name; {0, 0} when it does not exist.
using SizeOf = std::function<Rect(const std::string& bitmap)>;

// The control panel on its LCD (tab 0) or Video (tab 1) tab with colour-tone mode `mode` (1..5)
// selected and the strength slider at `sliderPercent`. Callouts name control ids.
MockPlan PanelMock(int32_t bodyWidth, int32_t bodyHeight, int tab, int mode, int sliderPercent,
                   const std::vector<int32_t>& callouts, const SizeOf& sizeOf);

// The renderer's and the plug-in's tray dialog (250 x 130) on the given background. Callouts
// name the dialog's control ids (513 Apply, 516 Cancel, 517 Default, 525 slider, 767 caption).
MockPlan TrayMock(const std::string& background, int sliderPercent,
                  const std::vector<int32_t>& callouts, const SizeOf& sizeOf);

// The captions, slider thumbs and callouts as an SVG picture of the plan's size, for the
// renderer; everything else is transparent.
std::string OverlaySvg(const MockPlan& plan);

// A stronger rendering of a picture, standing in for the processed preview half.
void ApplyPreviewTone(Image& image);

// The control panel's slider channel drawn `width` wide: its end thirds as they are, the middle
// third stretched over the rest.
Image StretchChannel(const Image& channel, int32_t width);

}  // namespace tl::artwork
