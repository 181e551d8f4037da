// Prints the gamma ramp the display holds, for the main job and for a person at a terminal:
// every 17th entry of each channel, and whether it is the identity.
#include <windows.h>

#include <cstdio>

#include "common/testing/wine_testing.h"

int wmain() {
  const auto ramp = tl::testing::ReadDisplayRamp();
  if (!ramp) {
    std::fprintf(stderr, "display_ramp: the display gives no gamma ramp (GetDeviceGammaRamp failed)\n");
    return 1;
  }
  static const char* const kChannels[] = {"red  ", "green", "blue "};
  for (int channel = 0; channel < 3; ++channel) {
    std::printf("%s", kChannels[channel]);
    for (int i = 0; i < 256; i += 17) std::printf(" %5u", (*ramp)[channel * 256 + i]);
    std::printf("\n");
  }
  std::printf("identity at the display's precision: %s\n",
              tl::testing::SameAtDisplayPrecision(*ramp, tl::testing::IdentityRamp()) ? "yes" : "no");
  return 0;
}
