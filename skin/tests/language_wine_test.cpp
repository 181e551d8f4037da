// The language manager of KvSkinAP reading real files through MSXML, and the nation lookups.
#include <gtest/gtest.h>

#include <fstream>

#include "common/testing/wine_testing.h"
#include "common/win32/com.h"
#include "common/win32/registry.h"
#include "common/win32/text.h"
#include "skin/win32/kvskinap.h"

namespace {

void WriteUtf8(const std::wstring& path, const std::string& text) {
  std::ofstream out(tl::win32::Narrow(path).c_str(), std::ios::binary);
  out << text;
}

std::wstring FreshDir(const wchar_t* name) {
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring dir = std::wstring(temp) + name + std::to_wstring(::GetCurrentProcessId()) + L"\\";
  ::CreateDirectoryW(dir.c_str(), nullptr);
  return dir;
}

class LanguageManager : public ::testing::Test {
 protected:
  void SetUp() override { UtlInitLanguageManager(); }
  void TearDown() override { UtlReleaseLanguageManager(); }
  tl::win32::ComApartment com_;
};

TEST_F(LanguageManager, ShippedProfileTranslatesTheControlPanel) {
  const std::wstring dir = tl::testing::InstallDir() + L"language\\";
  ASSERT_EQ(UtlLoadLanguageProfile(dir.c_str()), 0);
  const wchar_t* key = L"Apply";
  EXPECT_EQ(UtlLoadString(key), key) << "nothing current yet: the same pointer";
  ASSERT_EQ(UtlLoadStrContainer(94), 0);
  EXPECT_STREQ(UtlLoadString(L"Apply"), L"Anwenden");
  EXPECT_STREQ(UtlLoadString(L"The program is running now."), L"Das Programm läuft bereits.");
  EXPECT_STREQ(UtlLoadString(L"Color Tone: Vivid Mode"), L"Farbton: Modus Lebhaft");
  const wchar_t* lower = L"apply";
  EXPECT_EQ(UtlLoadString(lower), lower) << "keys are case-sensitive";
  EXPECT_STREQ(UtlLoadString(L"Eng\\Tavo Lumara.htm"), L"Deu\\Tavo Lumara.htm") << "the German help page";

  ASSERT_EQ(UtlLoadStrContainer(244), 0);
  EXPECT_STREQ(UtlLoadString(L"Apply"), L"Apply") << "the English default";
  EXPECT_EQ(UtlLoadStrContainer(12345), 1);
  EXPECT_EQ(UtlLoadString(key), key) << "an unknown nation drops the current language";
}

TEST_F(LanguageManager, NestedElementsDuplicatesAndMissingFiles) {
  const std::wstring dir = FreshDir(L"lang_test_");
  WriteUtf8(dir + L"list.xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<languages><group><language id=\"94\" name=\"Deutsch\" file=\"de.xml\"/></group>"
            "<language id=\"7\" name=\"Missing\" file=\"nowhere.xml\"/>"
            "<other><language id=\"  45\" name=\"Chinese\" file=\"zh.xml\"/></other></languages>");
  WriteUtf8(dir + L"de.xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<strings><string index=\"x\" message=\"first\"/><string index=\"x\" message=\"second\"/>"
            "<deep><deeper><string index=\"Cancel\" message=\"Abbrechen\"/></deeper></deep>"
            "<string index=\"no message\"/><string message=\"no index\"/></strings>");
  WriteUtf8(dir + L"zh.xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<strings><string index=\"Apply\" message=\"\xE5\xBA\x94\xE7\x94\xA8\"/></strings>");
  ASSERT_EQ(UtlLoadLanguageProfile(dir.c_str()), 0);
  ASSERT_EQ(UtlLoadStrContainer(94), 0);
  EXPECT_STREQ(UtlLoadString(L"Cancel"), L"Abbrechen") << "nested string element";
  // Sorted: Cancel, x(first), x(second); the upper middle of 0..2 is position 1.
  EXPECT_STREQ(UtlLoadString(L"x"), L"first");
  EXPECT_STREQ(UtlLoadString(L"no message"), L"no message");
  ASSERT_EQ(UtlLoadStrContainer(45), 0) << "a language nested in another element";
  EXPECT_STREQ(UtlLoadString(L"Apply"), L"\u5E94\u7528");
  ASSERT_EQ(UtlLoadStrContainer(7), 0) << "a missing file leaves an empty container";
  EXPECT_STREQ(UtlLoadString(L"Apply"), L"Apply");

  UtlAttachLanguageFile(61, L"Dansk", L"de.xml");
  ASSERT_EQ(UtlLoadStrContainer(61), 0);
  EXPECT_STREQ(UtlLoadString(L"Cancel"), L"Abbrechen");

  EXPECT_EQ(UtlLoadLanguageProfile((dir + L"none\\").c_str()), 1) << "no list";
  WriteUtf8(dir + L"broken.xml", "<languages><language id=");
  UtlAttachLanguageFile(3, L"Broken", L"broken.xml");
  EXPECT_EQ(UtlLoadStrContainer(3), 0);
  EXPECT_STREQ(UtlLoadString(L"Cancel"), L"Cancel") << "malformed XML gives no strings";
}

TEST(LanguageWithoutManager, EveryFunctionAnswersAsWithoutTranslation) {
  const wchar_t* key = L"Cancel";
  EXPECT_EQ(UtlLoadString(key), key);
  EXPECT_EQ(UtlLoadLanguageProfile(L"C:\\"), 1);
  EXPECT_EQ(UtlLoadStrContainer(94), 1);
  UtlAttachLanguageFile(94, L"x", L"y");
  UtlReleaseLanguageManager();
}

TEST(Nation, FromTheRegistryAndTheCountryCode) {
  using tl::win32::ReadRegString;
  using tl::win32::WriteRegString;
  const wchar_t* geo = L"Control Panel\\International\\Geo";
  const auto saved = ReadRegString(HKEY_CURRENT_USER, geo, L"Nation");
  ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, geo, L"Nation", L"94"));
  EXPECT_EQ(UtlGetNationID(), 94);
  EXPECT_EQ(UtlGetCountryCode(), 49) << "this system reads the code through the nation table";
  ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, geo, L"Nation", L"237"));
  EXPECT_EQ(UtlGetCountryCode(), 886);
  ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, geo, L"Nation", L"garbage"));
  EXPECT_EQ(UtlGetNationID(), 0);
  EXPECT_EQ(UtlGetCountryCode(), 0);
  if (saved)
    WriteRegString(HKEY_CURRENT_USER, geo, L"Nation", *saved);
  else
    tl::win32::DeleteRegValue(HKEY_CURRENT_USER, geo, L"Nation");

  const int rev1 = UtlGetNationID_Rev1();
  const LANGID lang = ::GetSystemDefaultLangID();
  if (lang == 1031) {
    EXPECT_EQ(rev1, 94);
  } else if (lang == 1033) {
    EXPECT_EQ(rev1, 0) << "US English is not in the table";
  }
}

}  // namespace
