#include <gtest/gtest.h>

#include <map>

#include "skin/core/language.h"

namespace tl::skin {
namespace {

// Serves list and language files from memory and counts how often each file is read.
class FakeReader : public LanguageXmlReader {
 public:
  struct Language {
    int32_t id;
    Text name, file;
  };
  std::map<Text, std::vector<Language>> lists;
  std::map<Text, std::vector<std::pair<Text, Text>>> files;
  std::map<Text, int> reads;

  XmlReadResult ReadLanguageList(const Text& path, const LanguageSink& sink) override {
    ++reads[path];
    auto it = lists.find(path);
    if (it == lists.end()) return XmlReadResult::kNoDocument;
    for (const auto& l : it->second) sink(l.id, l.name, l.file);
    return XmlReadResult::kWalked;
  }
  XmlReadResult ReadLanguageFile(const Text& path, const StringSink& sink) override {
    ++reads[path];
    auto it = files.find(path);
    if (it == files.end()) return XmlReadResult::kNoDocument;
    for (const auto& [k, m] : it->second) sink(k, m);
    return XmlReadResult::kWalked;
  }
};

TEST(StrContainer, KeepsOrdinalOrderAndReadingOrderOfEqualKeys) {
  StrContainer c;
  c.Insert(u"b", u"1");
  c.Insert(u"B", u"2");
  c.Insert(u"\u00e9", u"3");
  c.Insert(u"a", u"4");
  c.Insert(u"b", u"5");
  c.Insert(u"ab", u"6");
  ASSERT_EQ(c.size(), 6u);
  const std::vector<Text> keys = {u"B", u"a", u"ab", u"b", u"b", u"\u00e9"};
  for (size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(c.at(i).first, keys[i]);
  EXPECT_EQ(c.at(3).second, u"1");
  EXPECT_EQ(c.at(4).second, u"5");
}

TEST(StrContainer, LookupIsCaseSensitiveAndFindsEveryKey) {
  StrContainer c;
  EXPECT_EQ(c.Find(u"Apply"), nullptr);
  for (int i = 0; i < 50; ++i) c.Insert(u"key" + Text(1, char16_t(u'A' + i)), Text(1, char16_t(u'a' + i)));
  for (int i = 0; i < 50; ++i) {
    const Text* m = c.Find(u"key" + Text(1, char16_t(u'A' + i)));
    ASSERT_NE(m, nullptr) << i;
    EXPECT_EQ(*m, Text(1, char16_t(u'a' + i)));
  }
  EXPECT_EQ(c.Find(u"KEYA"), nullptr);
  EXPECT_EQ(c.Find(u"keyA "), nullptr);
  EXPECT_EQ(c.Find(u""), nullptr);
}

TEST(StrContainer, DuplicateKeysAnswerWithTheOneTheUpperMiddleMeetsFirst) {
  StrContainer c;
  c.Insert(u"x", u"first");
  c.Insert(u"x", u"second");
  // low 0, high 1: the upper middle is position 1, the later one.
  EXPECT_EQ(*c.Find(u"x"), u"second");
  c.Insert(u"a", u"-");
  // Positions: a, x(first), x(second); the upper middle of 0..2 is 1.
  EXPECT_EQ(*c.Find(u"x"), u"first");
}

TEST(LanguageManager, TranslatesThroughTheChosenNation) {
  FakeReader reader;
  reader.lists[u"dir\\list.xml"] = {{94, u"Deutsch", u"German.xml"}, {244, u"English", u"English.xml"}};
  reader.files[u"dir\\German.xml"] = {{u"Apply", u"Anwenden"}, {u"Cancel", u"Abbrechen"}};
  LanguageManager m(reader);
  EXPECT_EQ(m.LoadProfile(u"dir\\"), 0);
  EXPECT_EQ(m.EntryCount(), 2u);
  EXPECT_EQ(m.Lookup(u"Apply"), nullptr) << "no container is current yet";
  EXPECT_EQ(m.LoadStrContainer(94), 0);
  ASSERT_NE(m.Lookup(u"Apply"), nullptr);
  EXPECT_EQ(*m.Lookup(u"Apply"), u"Anwenden");
  EXPECT_EQ(m.Lookup(u"apply"), nullptr);

  EXPECT_EQ(m.LoadStrContainer(244), 0) << "a missing language file still makes an entry current";
  EXPECT_EQ(m.Lookup(u"Apply"), nullptr);
  EXPECT_EQ(m.LoadStrContainer(94), 0);
  EXPECT_EQ(reader.reads[u"dir\\German.xml"], 1) << "a container is loaded once and kept";

  EXPECT_EQ(m.LoadStrContainer(7), 1) << "unknown nation";
  EXPECT_EQ(m.Lookup(u"Apply"), nullptr) << "switching to an unknown nation drops the current one";
  EXPECT_EQ(m.LoadStrContainer(94), 0);
  EXPECT_EQ(m.LoadStrContainer(0), 1);
  EXPECT_EQ(m.Current(), nullptr);
}

TEST(LanguageManager, ProfilesAppendAndAMissingListGivesOne) {
  FakeReader reader;
  reader.lists[u"a\\list.xml"] = {{94, u"Deutsch", u"German.xml"}};
  LanguageManager m(reader);
  EXPECT_EQ(m.LoadProfile(u"missing\\"), 1);
  EXPECT_EQ(m.EntryCount(), 0u);
  EXPECT_EQ(m.LoadProfile(u"a\\"), 0);
  m.AttachLanguageFile(94, u"Other", u"Other.xml");
  EXPECT_EQ(m.LoadProfile(u"a\\"), 0);
  EXPECT_EQ(m.EntryCount(), 3u);
  reader.files[u"a\\German.xml"] = {{u"k", u"first entry"}};
  reader.files[u"a\\Other.xml"] = {{u"k", u"second entry"}};
  EXPECT_EQ(m.LoadStrContainer(94), 0);
  EXPECT_EQ(*m.Lookup(u"k"), u"first entry") << "the first entry of a nation wins";
}

TEST(LanguageManager, EntriesOfAnEarlierProfileKeepTheirFolder) {
  FakeReader reader;
  reader.lists[u"a\\list.xml"] = {{94, u"Deutsch", u"German.xml"}};
  reader.lists[u"b\\list.xml"] = {{45, u"Chinese", u"Chinese.xml"}};
  reader.files[u"a\\German.xml"] = {{u"Apply", u"Anwenden"}};
  reader.files[u"b\\Chinese.xml"] = {{u"Apply", u"zh"}};
  reader.files[u"b\\Extra.xml"] = {{u"Apply", u"extra"}};
  LanguageManager m(reader);
  m.LoadProfile(u"a\\");
  m.LoadProfile(u"b\\");
  m.AttachLanguageFile(61, u"Extra", u"Extra.xml");
  ASSERT_EQ(m.LoadStrContainer(94), 0);
  ASSERT_NE(m.Lookup(u"Apply"), nullptr);
  EXPECT_EQ(*m.Lookup(u"Apply"), u"Anwenden");
  ASSERT_EQ(m.LoadStrContainer(45), 0);
  EXPECT_EQ(*m.Lookup(u"Apply"), u"zh");
  ASSERT_EQ(m.LoadStrContainer(61), 0);
  EXPECT_EQ(*m.Lookup(u"Apply"), u"extra") << "attached files are found in the current folder";
}

TEST(Nations, LanguageIdTableFirstRowWins) {
  EXPECT_EQ(NationFromLanguageId(1043), 333);
  EXPECT_EQ(NationFromLanguageId(1031), 94);
  EXPECT_EQ(NationFromLanguageId(3082), 217);
  EXPECT_EQ(NationFromLanguageId(1046), 32);
  EXPECT_EQ(NationFromLanguageId(1033), 0) << "US English is not in the table";
}

TEST(Nations, CountryCodesOfTheTellingRows) {
  const std::pair<int32_t, int32_t> rows[] = {{2, 1},    {45, 86},  {94, 49},  {122, 81},
                                              {134, 82}, {203, 7},  {237, 886}, {244, 1},
                                              {130, 7},  {137, 7},  {228, 7},  {238, 7},
                                              {247, 7},  {15126, 0}, {21242, 0}, {7299303, 0}};
  for (auto [nation, code] : rows) EXPECT_EQ(CountryCodeForNation(nation), code) << nation;
  EXPECT_EQ(CountryCodeForNation(1), 0) << "not a nation";
  EXPECT_EQ(CountryCodeForNation(-5), 0);
  EXPECT_GE(NationTableSize(), 260u);
}

TEST(Nations, OsClassesAndDecimalConversion) {
  EXPECT_EQ(OsClass(false, 2, 5, 1), 0);
  EXPECT_EQ(OsClass(true, 0, 3, 1), 1);
  EXPECT_EQ(OsClass(true, 1, 4, 0), 2);
  EXPECT_EQ(OsClass(true, 1, 4, 10), 3);
  EXPECT_EQ(OsClass(true, 1, 4, 90), 4);
  EXPECT_EQ(OsClass(true, 2, 3, 51), 5);
  EXPECT_EQ(OsClass(true, 2, 4, 0), 6);
  EXPECT_EQ(OsClass(true, 2, 5, 0), 7);
  EXPECT_EQ(OsClass(true, 2, 5, 1), 8);
  EXPECT_EQ(OsClass(true, 2, 10, 0), 8);
  EXPECT_EQ(OsClass(true, 3, 10, 0), 0);

  EXPECT_EQ(ParseDecimal(u" 94"), 94);
  EXPECT_EQ(ParseDecimal(u"-12abc"), -12);
  EXPECT_EQ(ParseDecimal(u"abc"), 0);
  EXPECT_EQ(ParseDecimal(u"99999999999999"), 2147483647);
  EXPECT_EQ(ParseDecimal(u"-99999999999999"), -2147483647 - 1);
}

}  // namespace
}  // namespace tl::skin
