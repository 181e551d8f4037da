#include "frame_enhance/core/celumara.h"

#include <cstdint>

#include "frame_enhance/core/direct_kernels.h"

namespace tl::frame {
namespace {

constexpr std::size_t kAlign = 64;
constexpr std::size_t kLutBytes = kLutEntries * sizeof(std::uint16_t);
// Block layout: lut1, lut2, gain (256 x 16 bits), ramp (256 floats), curve (256 bytes).
constexpr std::size_t kLut1Offset = 0;
constexpr std::size_t kLut2Offset = kLut1Offset + kLutBytes;
constexpr std::size_t kGainOffset = kLut2Offset + kLutBytes;
constexpr std::size_t kRampOffset = kGainOffset + 512;
constexpr std::size_t kCurveOffset = kRampOffset + 1024;
constexpr std::size_t kBlockBytes = kCurveOffset + 256 + kAlign;

}  // namespace

CeLumara::CeLumara(const TableAllocator& allocator, const KernelTable& kernels) noexcept
    : allocator_(allocator), kernels_(&kernels) {}

void CeLumara::FreeTables() {
  if (block_) allocator_.release(block_);
  block_ = nullptr;
  gain_ = nullptr;
  tables_ = {};
  initialised_ = 0;
}

void CeLumara::Init(int width, int height) {
  width_ = width;
  height_ = height;
  pairs_ = width >> 1;
  // A second Init replaces the tables instead of leaking them; a failed allocation leaves the
  // object uninitialised, so frame methods refuse frames instead of using missing tables.
  FreeTables();
  void* block = allocator_.allocate(kBlockBytes);
  if (!block) return;
  block_ = block;
  auto base = reinterpret_cast<std::uintptr_t>(block);
  auto* aligned = reinterpret_cast<Byte*>((base + kAlign - 1) & ~static_cast<std::uintptr_t>(kAlign - 1));
  tables_.lut1 = reinterpret_cast<std::uint16_t*>(aligned + kLut1Offset);
  tables_.lut2 = reinterpret_cast<std::uint16_t*>(aligned + kLut2Offset);
  gain_ = reinterpret_cast<std::uint16_t*>(aligned + kGainOffset);
  tables_.ramp = reinterpret_cast<float*>(aligned + kRampOffset);
  tables_.curve = aligned + kCurveOffset;

  // No operation sets chroma gains: 256 everywhere makes the direct methods keep chroma
  // (limited to the video range) instead of reading undefined memory.
  for (int i = 0; i < 256; ++i) gain_[i] = 256;
  FillRamp(tables_.ramp);
  for (int i = 0; i < 256; ++i) tables_.curve[i] = static_cast<Byte>(i);
  mode_ = 0;
  ComputeTables();
  initialised_ = 1;
}

void CeLumara::Release() { FreeTables(); }

void CeLumara::GetParams(int* low, int* high, float* noise, float* strength) {
  if (low) *low = params_.lowPoint;
  if (high) *high = params_.highPoint;
  if (noise) *noise = params_.noise;
  if (strength) *strength = params_.strength;
}

void CeLumara::SetParams(int low, int high, float noise, float strength) {
  params_ = MakeToneParams(low, high, noise, strength);
  ComputeTables();
}

CeLumara::Byte CeLumara::GetMode() { return mode_; }

void CeLumara::SetMode(Byte mode) {
  const Byte wanted = mode != 0 ? 1 : 0;
  if (wanted == mode_) return;
  mode_ = wanted;
  ComputeTables();
}

CeLumara::Byte CeLumara::GetSplit() { return split_; }

void CeLumara::SetSplit(Byte split) { split_ = split != 0 ? 1 : 0; }

void CeLumara::ComputeTables() {
  // Before Init or after Release there is nothing to compute into; Init computes them.
  if (!block_) return;
  ComputeToneTables(params_, mode_ == 0 ? ToneMode::kFullRange : ToneMode::kFadeToBright, tables_);
  ++computations_;
}

bool CeLumara::Run(const KernelTable& set, Layout layout, Form form, Byte* dst, const Byte* src,
                   std::ptrdiff_t dstPitch, std::ptrdiff_t srcPitch, const std::uint16_t* second) {
  if (!initialised_ || !dst || !src) return false;
  if (form == Form::kPacked) {
    const std::int64_t row = RowBytes(layout, width_);
    if (row > PTRDIFF_MAX) return false;
    dstPitch = srcPitch = static_cast<std::ptrdiff_t>(row);
  }
  if (!FrameFits(layout, width_, height_, dstPitch, srcPitch)) return false;
  set.Get(layout, form, split_ != 0)(dst, src, tables_.lut1, second, width_, height_, dstPitch, srcPitch);
  return true;
}

bool CeLumara::RunKernel(Layout layout, Form form, Byte* dst, const Byte* src, std::ptrdiff_t dstPitch,
                         std::ptrdiff_t srcPitch) {
  return Run(*kernels_, layout, form, dst, src, dstPitch, srcPitch, tables_.lut2);
}

bool CeLumara::RunDirect(Layout layout, Form form, Byte* dst, const Byte* src, std::ptrdiff_t dstPitch,
                         std::ptrdiff_t srcPitch) {
  return Run(DirectKernels(), layout, form, dst, src, dstPitch, srcPitch, gain_);
}

// The frame methods forward to the kernel methods, as the host expects.
bool CeLumara::ProcessYUY2Pitched(Byte* d, const Byte* s, int dp, int sp) { return CeLumara::KernelYUY2Pitched(d, s, dp, sp); }
bool CeLumara::ProcessYUY2(Byte* d, const Byte* s) { return CeLumara::KernelYUY2(d, s); }
bool CeLumara::ProcessI420Pitched(Byte* d, const Byte* s, int dp, int sp) { return CeLumara::KernelI420Pitched(d, s, dp, sp); }
bool CeLumara::ProcessI420(Byte* d, const Byte* s) { return CeLumara::KernelI420(d, s); }
bool CeLumara::ProcessNV12Pitched(Byte* d, const Byte* s, int dp, int sp) { return CeLumara::KernelNV12Pitched(d, s, dp, sp); }
bool CeLumara::ProcessNV12(Byte* d, const Byte* s) { return CeLumara::KernelNV12(d, s); }
bool CeLumara::ProcessSideBySidePitched(Byte* d, const Byte* s, int dp, int sp) { return CeLumara::KernelSideBySidePitched(d, s, dp, sp); }
bool CeLumara::ProcessSideBySide(Byte* d, const Byte* s) { return CeLumara::KernelSideBySide(d, s); }

bool CeLumara::DirectYUY2Pitched(Byte* d, const Byte* s, int dp, int sp) { return RunDirect(Layout::kYuy2, Form::kPitched, d, s, dp, sp); }
bool CeLumara::DirectYUY2(Byte* d, const Byte* s) { return RunDirect(Layout::kYuy2, Form::kPacked, d, s, 0, 0); }
bool CeLumara::DirectI420Pitched(Byte* d, const Byte* s, int dp, int sp) { return RunDirect(Layout::kI420, Form::kPitched, d, s, dp, sp); }
bool CeLumara::DirectI420(Byte* d, const Byte* s) { return RunDirect(Layout::kI420, Form::kPacked, d, s, 0, 0); }
bool CeLumara::DirectNV12Pitched(Byte* d, const Byte* s, int dp, int sp) { return RunDirect(Layout::kNv12, Form::kPitched, d, s, dp, sp); }
bool CeLumara::DirectNV12(Byte* d, const Byte* s) { return RunDirect(Layout::kNv12, Form::kPacked, d, s, 0, 0); }
bool CeLumara::DirectSideBySidePitched(Byte* d, const Byte* s, int dp, int sp) { return RunDirect(Layout::kSideBySide, Form::kPitched, d, s, dp, sp); }
bool CeLumara::DirectSideBySide(Byte* d, const Byte* s) { return RunDirect(Layout::kSideBySide, Form::kPacked, d, s, 0, 0); }

bool CeLumara::KernelYUY2Pitched(Byte* d, const Byte* s, int dp, int sp) { return RunKernel(Layout::kYuy2, Form::kPitched, d, s, dp, sp); }
bool CeLumara::KernelYUY2(Byte* d, const Byte* s) { return RunKernel(Layout::kYuy2, Form::kPacked, d, s, 0, 0); }
bool CeLumara::KernelI420Pitched(Byte* d, const Byte* s, int dp, int sp) { return RunKernel(Layout::kI420, Form::kPitched, d, s, dp, sp); }
bool CeLumara::KernelI420(Byte* d, const Byte* s) { return RunKernel(Layout::kI420, Form::kPacked, d, s, 0, 0); }
bool CeLumara::KernelNV12Pitched(Byte* d, const Byte* s, int dp, int sp) { return RunKernel(Layout::kNv12, Form::kPitched, d, s, dp, sp); }
bool CeLumara::KernelNV12(Byte* d, const Byte* s) { return RunKernel(Layout::kNv12, Form::kPacked, d, s, 0, 0); }
bool CeLumara::KernelSideBySidePitched(Byte* d, const Byte* s, int dp, int sp) { return RunKernel(Layout::kSideBySide, Form::kPitched, d, s, dp, sp); }
bool CeLumara::KernelSideBySide(Byte* d, const Byte* s) { return RunKernel(Layout::kSideBySide, Form::kPacked, d, s, 0, 0); }

}  // namespace tl::frame
