#include "preview_player/win32/still_source.h"

#include <cstring>
#include <memory>
#include <vector>

#include "common/dshow/win32/media_type.h"
#include "common/dshow/win32/push_source.h"

namespace tl::preview {
namespace {

// {8B1D6C2E-4A57-4F0B-A3C9-2E7F5D18B640}: only for GetClassID.
constexpr CLSID kStillSourceClass = {0x8b1d6c2e, 0x4a57, 0x4f0b, {0xa3, 0xc9, 0x2e, 0x7f, 0x5d, 0x18, 0xb6, 0x40}};
constexpr REFERENCE_TIME kStillDuration = 10000000;  // one second; the frame stays anyway

}  // namespace

win32::ComPtr<IBaseFilter> CreateStillSource(const skin::Pixels& picture) {
  if (picture.width <= 0 || picture.height <= 0) return nullptr;
  const long frameBytes = static_cast<long>(picture.width) * picture.height * 4;
  // The frame as an RGB32 DIB stores it: rows from the bottom.
  auto frame = std::make_shared<std::vector<BYTE>>(static_cast<size_t>(frameBytes));
  for (int y = 0; y < picture.height; ++y) {
    std::memcpy(frame->data() + static_cast<size_t>(picture.height - 1 - y) * picture.width * 4,
                picture.data.data() + static_cast<size_t>(y) * picture.width, static_cast<size_t>(picture.width) * 4);
  }

  dshow::PushSourceSpec spec;
  spec.classId = kStillSourceClass;
  spec.frameBytes = frameBytes;
  spec.endOfStream = false;
  spec.buffers = 1;
  spec.type->majortype = MEDIATYPE_Video;
  spec.type->subtype = MEDIASUBTYPE_RGB32;
  spec.type->bFixedSizeSamples = TRUE;
  spec.type->lSampleSize = static_cast<ULONG>(frameBytes);
  VIDEOINFOHEADER info{};
  info.AvgTimePerFrame = kStillDuration;
  info.rcSource = {0, 0, picture.width, picture.height};
  info.rcTarget = info.rcSource;
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = picture.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  info.bmiHeader.biSizeImage = static_cast<DWORD>(frameBytes);
  if (!spec.type.SetFormat(FORMAT_VideoInfo, {reinterpret_cast<const uint8_t*>(&info), sizeof(info)})) return nullptr;
  spec.frame = [frame](int index, BYTE* data, REFERENCE_TIME* start, REFERENCE_TIME* stop) {
    if (index > 0) return false;
    std::memcpy(data, frame->data(), frame->size());
    *start = 0;
    *stop = kStillDuration;
    return true;
  };
  return dshow::CreatePushSource(std::move(spec));
}

}  // namespace tl::preview
