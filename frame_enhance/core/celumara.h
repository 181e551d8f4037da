// CeLumara, the frame enhancement object that the media-player plug-in drives through its
// virtual table. The host is built with another compiler and calls the methods by slot: the
// class has exactly these 32 virtual methods in this order and nothing before them (no virtual
// destructor). On 32-bit Windows the methods use the thiscall convention of that compiler.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame_enhance/core/kernels.h"
#include "frame_enhance/core/tone_tables.h"

#if defined(_WIN32) && defined(__i386__)
#define TL_HOST_METHOD __attribute__((thiscall))
#else
#define TL_HOST_METHOD
#endif

namespace tl::frame {

// Where the object takes its table memory from (the Windows library uses the process heap and
// the C runtime is not linked there).
struct TableAllocator {
  void* (*allocate)(std::size_t bytes);
  void (*release)(void* block);
};

class CeLumara final {
 public:
  using Byte = std::uint8_t;

  CeLumara(const TableAllocator& allocator, const KernelTable& kernels) noexcept;
  ~CeLumara() { FreeTables(); }
  CeLumara(const CeLumara&) = delete;
  CeLumara& operator=(const CeLumara&) = delete;

  // Slots 0..7.
  virtual void TL_HOST_METHOD Init(int width, int height);
  virtual void TL_HOST_METHOD Release();
  virtual void TL_HOST_METHOD GetParams(int* low, int* high, float* noise, float* strength);
  virtual void TL_HOST_METHOD SetParams(int low, int high, float noise, float strength);
  virtual Byte TL_HOST_METHOD GetMode();
  virtual void TL_HOST_METHOD SetMode(Byte mode);
  virtual Byte TL_HOST_METHOD GetSplit();
  virtual void TL_HOST_METHOD SetSplit(Byte split);
  // Slots 8..15: the frame methods, forwarding to the kernel methods.
  virtual bool TL_HOST_METHOD ProcessYUY2Pitched(Byte* dst, const Byte* src, int dstPitch, int srcPitch);
  virtual bool TL_HOST_METHOD ProcessYUY2(Byte* dst, const Byte* src);
  virtual bool TL_HOST_METHOD ProcessI420Pitched(Byte* dst, const Byte* src, int dstPitch, int srcPitch);
  virtual bool TL_HOST_METHOD ProcessI420(Byte* dst, const Byte* src);
  virtual bool TL_HOST_METHOD ProcessNV12Pitched(Byte* dst, const Byte* src, int dstPitch, int srcPitch);
  virtual bool TL_HOST_METHOD ProcessNV12(Byte* dst, const Byte* src);
  virtual bool TL_HOST_METHOD ProcessSideBySidePitched(Byte* dst, const Byte* src, int dstPitch, int srcPitch);
  virtual bool TL_HOST_METHOD ProcessSideBySide(Byte* dst, const Byte* src);
  // Slots 16..23: the direct methods (gain table).
  virtual bool TL_HOST_METHOD DirectYUY2Pitched(Byte* dst, const Byte* src, int dstPitch, int srcPitch);
  virtual bool TL_HOST_METHOD DirectYUY2(Byte* dst, const Byte* src);
  virtual bool TL_HOST_METHOD DirectI420Pitched(Byte* dst, const Byte* src, int dstPitch, int srcPitch);
  virtual bool TL_HOST_METHOD DirectI420(Byte* dst, const Byte* src);
  virtual bool TL_HOST_METHOD DirectNV12Pitched(Byte* dst, const Byte* src, int dstPitch, int srcPitch);
  virtual bool TL_HOST_METHOD DirectNV12(Byte* dst, const Byte* src);
  virtual bool TL_HOST_METHOD DirectSideBySidePitched(Byte* dst, const Byte* src, int dstPitch, int srcPitch);
  virtual bool TL_HOST_METHOD DirectSideBySide(Byte* dst, const Byte* src);
  // Slots 24..31: the kernel methods.
  virtual bool TL_HOST_METHOD KernelYUY2Pitched(Byte* dst, const Byte* src, int dstPitch, int srcPitch);
  virtual bool TL_HOST_METHOD KernelYUY2(Byte* dst, const Byte* src);
  virtual bool TL_HOST_METHOD KernelI420Pitched(Byte* dst, const Byte* src, int dstPitch, int srcPitch);
  virtual bool TL_HOST_METHOD KernelI420(Byte* dst, const Byte* src);
  virtual bool TL_HOST_METHOD KernelNV12Pitched(Byte* dst, const Byte* src, int dstPitch, int srcPitch);
  virtual bool TL_HOST_METHOD KernelNV12(Byte* dst, const Byte* src);
  virtual bool TL_HOST_METHOD KernelSideBySidePitched(Byte* dst, const Byte* src, int dstPitch, int srcPitch);
  virtual bool TL_HOST_METHOD KernelSideBySide(Byte* dst, const Byte* src);

  // Not part of the host's interface (non-virtual: the table above stays as it is).
  bool Initialised() const { return initialised_ != 0; }
  const KernelTable& Kernels() const { return *kernels_; }
  void UseKernels(const KernelTable& kernels) { kernels_ = &kernels; }
  const ToneParams& Params() const { return params_; }
  const std::uint8_t* Curve() const { return tables_.curve; }
  const std::uint16_t* Lut1() const { return tables_.lut1; }
  const std::uint16_t* Lut2() const { return tables_.lut2; }
  const std::uint16_t* GainTable() const { return gain_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Pairs() const { return pairs_; }
  // How many times the tables were computed (a change of nothing computes nothing).
  unsigned TableComputations() const { return computations_; }

 private:
  void FreeTables();
  void ComputeTables();
  bool Run(const KernelTable& set, Layout layout, Form form, Byte* dst, const Byte* src, std::ptrdiff_t dstPitch,
           std::ptrdiff_t srcPitch, const std::uint16_t* second);
  bool RunKernel(Layout layout, Form form, Byte* dst, const Byte* src, std::ptrdiff_t dstPitch,
                 std::ptrdiff_t srcPitch);
  bool RunDirect(Layout layout, Form form, Byte* dst, const Byte* src, std::ptrdiff_t dstPitch,
                 std::ptrdiff_t srcPitch);

  TableAllocator allocator_;
  const KernelTable* kernels_;
  Byte initialised_ = 0;
  Byte mode_ = 0;
  Byte split_ = 0;
  int width_ = 640;
  int pairs_ = 320;
  int height_ = 480;
  ToneParams params_;
  void* block_ = nullptr;  // one allocation holds every table
  std::uint16_t* gain_ = nullptr;
  ToneTables tables_{};
  unsigned computations_ = 0;
};

}  // namespace tl::frame
