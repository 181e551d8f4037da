#include "installer/core/setup_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace tl::installer {
namespace {

int ModeOf(std::wstring_view commandLine) { return ModeFromArguments(ArgumentsOf(commandLine)); }

TEST(InstallCommandLine, ArgumentsFollowTheProgramName) {
  EXPECT_EQ(ArgumentsOf(L"\"C:\\Program Files\\Suite\\Install.exe\"  \"/M4\""), L"\"/M4\"");
  EXPECT_EQ(ArgumentsOf(L"Install.exe\t-x"), L"-x");
  EXPECT_EQ(ArgumentsOf(L"Install.exe"), L"");
  EXPECT_EQ(ArgumentsOf(L"\"C:\\never closed"), L"");
  EXPECT_EQ(ArgumentsOf(L""), L"");
}

TEST(InstallCommandLine, QuotedOptionSelectsTheMode) {
  EXPECT_EQ(ModeOf(L"Install.exe \"/M4\""), 4);
  EXPECT_EQ(ModeOf(L"Install.exe \"-m4\""), 4);
  EXPECT_EQ(ModeOf(L"Install.exe \"/m2\""), 2);
  EXPECT_EQ(ModeOf(L"Install.exe \"-M3"), 3) << "no closing quote needed";
  EXPECT_EQ(ModeOf(L"Install.exe x \"/M1\" \"/M3\""), 1) << "the first option counts";
}

TEST(InstallCommandLine, EverythingElseGivesModeOne) {
  EXPECT_EQ(ModeOf(L"Install.exe"), 1);
  EXPECT_EQ(ModeOf(L"Install.exe /M2"), 1) << "no quote in front";
  EXPECT_EQ(ModeOf(L"Install.exe \"-m7\""), 1);
  EXPECT_EQ(ModeOf(L"Install.exe \"/M0\""), 1);
  EXPECT_EQ(ModeOf(L"Install.exe \"/M5\""), 1);
  EXPECT_EQ(ModeOf(L"Install.exe \"/Mx\" \"/M3\""), 1) << "the first option decides, even without a digit";
  EXPECT_EQ(ModeOf(L"Install.exe \"/M"), 1) << "option cut short";
  EXPECT_EQ(ModeOf(L"Install.exe \"+M4\""), 1);
}

TEST(InstallCommandLine, OnlyTheFirst256CharactersOfTheArgumentsCount) {
  // The program's own path does not use up the window.
  const std::wstring longProgram = L"\"C:\\" + std::wstring(400, L'd') + L"\\Install.exe\" ";
  EXPECT_EQ(ModeOf(longProgram + L"\"/M3\""), 3);

  std::wstring arguments(252, L' ');
  EXPECT_EQ(ModeFromArguments(arguments + L"\"/M3\""), 3) << "the whole option inside the window";
  arguments.push_back(L' ');
  EXPECT_EQ(ModeFromArguments(arguments + L"\"/M3\""), 1) << "its digit is character 257";
  EXPECT_EQ(ModeFromArguments(std::wstring(100000, L'"') + L"/M4"), 1);
  EXPECT_EQ(ModeFromArguments(std::wstring(100000, L'x') + L"\"/M4"), 1);
}

// The same rule said another way: the earliest of the four spellings of the option.
int ModeByEarliestSpelling(const std::wstring& arguments) {
  const std::wstring window = arguments.substr(0, kOptionWindow);
  size_t first = std::wstring::npos;
  for (const wchar_t* spelling : {L"\"/M", L"\"/m", L"\"-M", L"\"-m"}) first = std::min(first, window.find(spelling));
  if (first == std::wstring::npos || first + 3 >= window.size()) return 1;
  const wchar_t selector = window[first + 3];
  return (selector >= L'1' && selector <= L'4') ? selector - L'0' : 1;
}

TEST(InstallCommandLine, RandomHostileArgumentsAgreeWithTheEarliestSpelling) {
  std::mt19937 random(20261207);
  const wchar_t alphabet[] = L"\"/-Mm1479 x\t";
  std::uniform_int_distribution<size_t> pick(0, std::size(alphabet) - 2);
  std::uniform_int_distribution<size_t> length(0, 300);
  for (int n = 0; n < 20000; ++n) {
    std::wstring arguments(length(random), L' ');
    for (wchar_t& c : arguments) c = alphabet[pick(random)];
    const int mode = ModeFromArguments(arguments);
    ASSERT_EQ(mode, ModeByEarliestSpelling(arguments)) << n;
    ASSERT_GE(mode, 1);
    ASSERT_LE(mode, 4);
  }
}

TEST(InstallPaths, TablesAndRegistrationCommand) {
  EXPECT_EQ(PanelTablePath(L"C:\\Suite\\"), L"C:\\Suite\\acf\\panel.acf");
  EXPECT_EQ(ToneTablePath(L"C:\\Suite\\", 4), L"C:\\Suite\\atf\\Mode4.atf");
  EXPECT_EQ(RegistrationCommand(L"C:\\WINDOWS\\system32", L"C:\\Program Files\\Suite\\"),
            L"\"C:\\WINDOWS\\system32\\regsvr32.exe\" -s \"C:\\Program Files\\Suite\\NorvakPlugin.dll\"");
  EXPECT_EQ(RegistrationCommand(L"D:\\Win\\System32\\", L"E:\\S\\"),
            L"\"D:\\Win\\System32\\regsvr32.exe\" -s \"E:\\S\\NorvakPlugin.dll\"");
}

}  // namespace
}  // namespace tl::installer
