#include <gtest/gtest.h>

#include "common/core/display_adapter.h"
#include "common/core/registration.h"

namespace tl::common {
namespace {

TEST(AdapterCheck, CodesByDescription) {
  EXPECT_EQ(AdapterCodeFrom({}), kAdapterUnknown);
  EXPECT_EQ(AdapterCodeFrom({L"Wine Adapter"}), kAdapterUnknown);
  EXPECT_EQ(AdapterCodeFrom({L"Mobile Intel(R) 945 Express"}), kAdapterIntel);
  EXPECT_EQ(AdapterCodeFrom({L"intel(r) hd graphics 500"}), kAdapterIntel500);
  EXPECT_EQ(AdapterCodeFrom({L"Mobile Intel(R) 4 Series Express Chipset Family"}), kAdapterIntel4Series);
  EXPECT_EQ(AdapterCodeFrom({L"ATI Mobility Radeon X1400"}), kAdapterAti);
  EXPECT_EQ(AdapterCodeFrom({L"Radeon", L"Mobility Radeon (ati)"}), kAdapterAti);
}

TEST(AdapterCheck, WordsMayMatchOnDifferentAdaptersAndIntelWinsOverAti) {
  EXPECT_EQ(AdapterCodeFrom({L"ATI Radeon X1500", L"Intel GMA"}), kAdapterIntel500);
  EXPECT_EQ(AdapterCodeFrom({L"4 Series", L"Intel 500"}), kAdapterIntel4Series) << "the last match wins";
  // Only the first 127 characters of a description are looked at.
  EXPECT_EQ(AdapterCodeFrom({std::wstring(127, L'x') + L"Intel"}), kAdapterUnknown);
  EXPECT_EQ(AdapterCodeFrom({std::wstring(122, L'x') + L"Intel"}), kAdapterIntel);
}

TEST(RegistrationTool, PathAndCommandsQuoteBothPaths) {
  EXPECT_EQ(RegistrationToolPath(L"C:\\WINDOWS\\system32"), L"C:\\WINDOWS\\system32\\regsvr32.exe");
  EXPECT_EQ(RegistrationToolPath(L"D:\\Win\\System32\\"), L"D:\\Win\\System32\\regsvr32.exe");
  EXPECT_EQ(RegistrationCommand(L"C:\\W\\regsvr32.exe", Registration::kRegister, L"C:\\Program Files\\S\\a.ax"),
            L"\"C:\\W\\regsvr32.exe\" -s \"C:\\Program Files\\S\\a.ax\"");
  EXPECT_EQ(RegistrationCommand(L"C:\\W\\regsvr32.exe", Registration::kUnregister, L"E:\\S\\NorvakPlugin.dll"),
            L"\"C:\\W\\regsvr32.exe\" -u -s \"E:\\S\\NorvakPlugin.dll\"");
}

}  // namespace
}  // namespace tl::common
