// The walk of the language list and language files over documents of the stand-in reader: what
// is taken from which elements, in which order, and what a reader error keeps.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "skin/core/language_walk.h"
#include "skin/tests/fake_xml.h"

namespace tl::skin {
namespace {

using testing::MakeFakeXmlNode;
using testing::ParseFakeXml;

using Language = std::tuple<int32_t, Text, Text>;
using Pair = std::pair<Text, Text>;

std::pair<XmlReadResult, std::vector<Language>> List(std::string_view text) {
  const auto documents = ParseFakeXml(text);
  std::vector<Language> got;
  if (documents.empty()) return {XmlReadResult::kNoDocument, got};
  const XmlReadResult result = WalkLanguageList(MakeFakeXmlNode(documents[0]), [&](int32_t id, Text name, Text file) {
    got.emplace_back(id, name, file);
  });
  return {result, got};
}

std::pair<XmlReadResult, std::vector<Pair>> Strings(std::string_view text) {
  const auto documents = ParseFakeXml(text);
  std::vector<Pair> got;
  const XmlReadResult result =
      WalkLanguageFile(MakeFakeXmlNode(documents.at(0)), [&](Text index, Text message) { got.emplace_back(index, message); });
  return {result, got};
}

TEST(LanguageWalk, FindsLanguagesAtAnyDepthInDocumentOrder) {
  const auto [result, got] = List(R"(<?xml version="1.0"?>
    <languages>
      <group><language id="94" name="Deutsch" file="German.xml"/></group>
      <!-- <language id="1" name="commented out" file="x.xml"/> -->
      <language id=" +244x" name="English" file="English.xml"><language id="-7"/></language>
      <Language id="3" name="wrong case" file="y.xml"/>
    </languages>)");
  EXPECT_EQ(result, XmlReadResult::kWalked);
  const std::vector<Language> want{{94, u"Deutsch", u"German.xml"}, {244, u"English", u"English.xml"}, {-7, u"", u""}};
  EXPECT_EQ(got, want);
}

TEST(LanguageWalk, TheDocumentElementItselfCounts) {
  const auto [result, got] = List(R"(<language id="61" name="Dansk" file="Danish.xml"/>)");
  EXPECT_EQ(result, XmlReadResult::kWalked);
  EXPECT_EQ(got, (std::vector<Language>{{61, u"Dansk", u"Danish.xml"}}));
}

TEST(LanguageWalk, StringsWithoutIndexOrMessageAreSkipped) {
  const auto [result, got] = Strings(R"(<strings>
      <string index="Apply" message="Anwenden"/>
      <string index="Cancel"/>
      <string message="orphan"/>
      <string index="" message=""/>
      <x><string index="Open File" message="Datei öffnen"/></x>
    </strings>)");
  EXPECT_EQ(result, XmlReadResult::kWalked);
  const std::vector<Pair> want{{u"Apply", u"Anwenden"}, {u"", u""}, {u"Open File", u"Datei \u00f6ffnen"}};
  EXPECT_EQ(got, want);
}

TEST(LanguageWalk, AReaderErrorEndsTheWalkAndKeepsWhatWasRead) {
  const auto [result, got] = Strings(R"(<strings>
      <string index="a" message="1"/>
      <reader-error><string index="inside" message="never"/></reader-error>
      <string index="b" message="2"/>
    </strings>)");
  EXPECT_EQ(result, XmlReadResult::kFailed);
  EXPECT_EQ(got, (std::vector<Pair>{{u"a", u"1"}}));
}

TEST(LanguageWalk, DeepNestingNeedsNoDeepStack) {
  std::string text;
  for (int i = 0; i < 150; ++i) text += "<a>";
  text += R"(<string index="deep" message="found"/>)";
  const auto [result, got] = Strings(text);
  EXPECT_EQ(result, XmlReadResult::kWalked);
  EXPECT_EQ(got, (std::vector<Pair>{{u"deep", u"found"}}));
}

TEST(LanguageWalk, NoDocumentElement) {
  EXPECT_EQ(WalkLanguageList(nullptr, [](int32_t, Text, Text) {}), XmlReadResult::kNoDocument);
}

}  // namespace
}  // namespace tl::skin
