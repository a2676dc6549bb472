// Platform layer: the INI reader that answers like the Windows profile reader.

#include <gtest/gtest.h>

#include <string>

#include "platform/ini_text.h"

namespace {

using platform::iniValue;

TEST(IniText, NamesMatchWithoutRegardToCaseAndBlanksAreTrimmed) {
  const std::string text = "[General]\r\nTitle=x\r\n  [ area.001 ]  \r\n  LOCAL  =  Scenery\\World  \r\n";
  EXPECT_EQ(iniValue(text, "Area.001", "Local"), "Scenery\\World");
  EXPECT_EQ(iniValue(text, "AREA.001", "local"), "Scenery\\World");
  EXPECT_EQ(iniValue(text, "Area.001", "Title"), "");
  EXPECT_EQ(iniValue(text, "General", "title"), "x");
}

TEST(IniText, SectionNamesAreComparedWhole) {
  const std::string text = "[Area.10]\nLocal=ten\n[Area.0010]\nLocal=x\n[Area.010x]\nLocal=y\n";
  EXPECT_EQ(iniValue(text, "Area.010", "Local"), "");
  EXPECT_EQ(iniValue(text, "Area.10", "Local"), "ten");
}

TEST(IniText, CommentsLineEndsAndMissingFinalLineEnd) {
  EXPECT_EQ(iniValue("[A]\r\n;Local=commented\r\nLocal=real", "A", "Local"), "real");
  EXPECT_EQ(iniValue("[A]\n  ; Local=no\nLocal=lf\r\n", "A", "Local"), "lf");
  EXPECT_EQ(iniValue("[A]\r\nLocal=a;b\r\n", "A", "Local"), "a;b");
  EXPECT_EQ(iniValue("[A]\rLocal=x\r", "A", "Local"), "");  // a lone CR ends no line
}

TEST(IniText, MatchingQuotesAreUnwrapped) {
  EXPECT_EQ(iniValue("[A]\nLocal=\"Addon Scenery\\My Field\"\n", "A", "Local"), "Addon Scenery\\My Field");
  EXPECT_EQ(iniValue("[A]\nLocal='quoted'\n", "A", "Local"), "quoted");
  EXPECT_EQ(iniValue("[A]\nLocal=\"open\n", "A", "Local"), "\"open");
  EXPECT_EQ(iniValue("[A]\nLocal=\"mixed'\n", "A", "Local"), "\"mixed'");
  EXPECT_EQ(iniValue("[A]\nLocal=\"\n", "A", "Local"), "\"");
  EXPECT_EQ(iniValue("[A]\nLocal=  \" x \"  \n", "A", "Local"), " x ");
}

TEST(IniText, FirstSectionOfANameAndItsFirstKeyWin) {
  EXPECT_EQ(iniValue("[A]\nLocal=one\nLocal=two\n", "A", "Local"), "one");
  EXPECT_EQ(iniValue("[A]\nLocal=one\n[a]\nLocal=two\n", "A", "Local"), "one");
  EXPECT_EQ(iniValue("[A]\nTitle=t\n[A]\nLocal=second\n", "A", "Local"), "");
  EXPECT_EQ(iniValue("Local=before any section\n[A]\n", "A", "Local"), "");
}

TEST(IniText, ValuesAreCutTo999Characters) {
  const std::string longValue(1500, 'v');
  EXPECT_EQ(iniValue("[A]\nLocal=" + longValue + "\n", "A", "Local"), std::string(999, 'v'));
  EXPECT_EQ(iniValue("[A]\nLocal=" + std::string(999, 'w'), "A", "Local").size(), 999U);
}

TEST(IniText, JunkGivesEmptyValues) {
  std::string junk;
  for (int i = 0; i < 4096; ++i) junk.push_back(static_cast<char>((i * 7919) & 0xFF));
  EXPECT_EQ(iniValue(junk, "Area.001", "Local"), "");
  EXPECT_EQ(iniValue("", "Area.001", "Local"), "");
  EXPECT_EQ(iniValue("[", "", ""), "");
  EXPECT_EQ(iniValue("[]\n=v\n", "", ""), "v");
}

}  // namespace
