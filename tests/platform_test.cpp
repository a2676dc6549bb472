// Platform layer: the text of file names and paths, and the INI reader
// that answers like the Windows profile reader.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/path.h"
#include "platform/path_text.h"
#include "platform/platform.h"
#include "platform/ini_text.h"
#include "platform/text_encoding.h"
#include "platform/windows_path.h"
#include "support/code_pages.h"

namespace {

using testsupport::cp932LeadByte;
using testsupport::noLeadByte;

// ---------------------------------------------------------------- file-name text

TEST(FileNameText, FoldingTouchesTheAsciiLettersOnly) {
  // Folding by setting bit 5 would wrongly pair '@' with '`' and '[' with '{'.
  EXPECT_FALSE(platform::sameAsciiFolded("@", "`"));
  EXPECT_FALSE(platform::sameAsciiFolded("[", "{"));
  EXPECT_FALSE(platform::sameAsciiFolded("\xC9", "\xE9"));
  EXPECT_FALSE(platform::sameAsciiFolded("ab", "abc"));
  EXPECT_TRUE(platform::sameAsciiFolded("AZaz09", "azAZ09"));
}

TEST(FileNameText, FolderIsTheTextBeforeTheLastSeparator) {
  EXPECT_EQ(platform::folderOf("C:\\prog.exe", '\\'), "C:");
  EXPECT_EQ(platform::folderOf("D:\\FS2002\\Tools\\trawlex.exe", '\\'), "D:\\FS2002\\Tools");
  EXPECT_EQ(platform::folderOf("trawlex.exe", '\\'), "");
  EXPECT_EQ(platform::folderOf("", '/'), "");
  EXPECT_EQ(platform::folderOf("/opt/fs/Tools/trawlex", '/'), "/opt/fs/Tools");
}

TEST(FileNameText, FileNameFollowsTheLastSeparatorOfEitherKind) {
  const std::string separator(1, platform::pathSeparator());
  EXPECT_EQ(platform::fileNameOf("a" + separator + "b/GEOPOL07.BGL"), "GEOPOL07.BGL");
  EXPECT_EQ(platform::fileNameOf("a/b" + separator + "c.bgl"), "c.bgl");
  EXPECT_EQ(platform::fileNameOf("plain.bgl"), "plain.bgl");
  EXPECT_EQ(platform::fileNameOf("folder/"), "");
}

TEST(FileNameText, JoinedPathsUpToTheLimitAndNoFurther) {
  const char s = platform::pathSeparator();
  EXPECT_EQ(platform::joinPath({}, {"H", "Scenery", ""}), std::string("H") + s + "Scenery" + s);
  EXPECT_EQ(platform::joinPath({}, {std::string("H") + s, "a"}), std::string("H") + s + s + "a");  // kept as given
  const std::string folder(250, 'f');  // 250 + separator + 8 = 259
  EXPECT_EQ(platform::joinPath({}, {folder, "12345678"})->size(), 259U);
  EXPECT_FALSE(platform::joinPath({}, {folder, "123456789"}));
  EXPECT_EQ(platform::pathInFolder({}, folder + s, "12345678")->size(), 259U);
  EXPECT_FALSE(platform::pathInFolder({}, folder + s, "123456789"));
}

// ---------------------------------------------------------------- path value

TEST(PathValue, JoinsAndParentsStayWithinTheLimitAndKeepOneSeparator) {
  const std::string s(1, platform::pathSeparator());
  const platform::Path folder = *platform::Path::of({}, "H" + s + "Scenery" + s);
  EXPECT_TRUE(folder.namesFolder());
  const platform::Path file = *folder.joined("geopol12.bgl");
  EXPECT_EQ(file.shown(), "H" + s + "Scenery" + s + "geopol12.bgl");
  EXPECT_FALSE(file.namesFolder());
  EXPECT_EQ(file.fileName(), "geopol12.bgl");
  EXPECT_EQ(file.parent()->shown(), folder.shown());
  EXPECT_EQ(folder.parent()->shown(), "H" + s);
  EXPECT_EQ(file.parent()->joined("x")->shown(), "H" + s + "Scenery" + s + "x");
  EXPECT_FALSE(platform::Path::of({}, "plain.bgl")->parent());
  const std::string long250(250, 'f');  // 250 + separator + 8 = 259
  const platform::Path deep = *platform::Path::of({}, long250);
  EXPECT_EQ(deep.joined("12345678")->windowsLength(), 259U);
  EXPECT_FALSE(deep.joined("123456789"));
  EXPECT_FALSE(platform::Path::of({}, long250 + s + "123456789"));
}

// The shown form keeps what was built; the form the system is handed is the
// file Windows would open.
TEST(PathValue, SystemFormIsThePathAsWindowsReadsIt) {
  const std::string s(1, platform::pathSeparator());
  const std::string built = s + "fs" + s + "Tools" + s + ".." + s + "Scenery" + s + "world.bgl";
  const platform::Path path = *platform::Path::of({}, built);
  EXPECT_EQ(path.shown(), built);
  // Windows hands the text to the system, which reads it so itself.
  const std::string expected = s == "/" ? "/fs/Scenery/world.bgl" : built;
  EXPECT_EQ(path.system(), expected);
}

TEST(DoubleByteNames, TrailBytesAreNeitherLoweredNorTakenForBackslashes) {
  // 0x83 0x41 and 0x83 0x5A are katakana; 0x95 0x5C is a kanji whose trail byte is a backslash.
  EXPECT_EQ(platform::asciiLower("\x83\x41\x83\x5A.BGL", cp932LeadByte), "\x83\x41\x83\x5A.bgl");
  EXPECT_EQ(platform::asciiLower("\x83\x41.BGL", noLeadByte), "\x83" "a.bgl");
  EXPECT_EQ(platform::asciiLower("AB\x83", cp932LeadByte), "ab\x83");  // a lead byte at the end stands alone
  EXPECT_EQ(platform::folderOf("C:\\\x95\x5C\\trawlex.exe", '\\', cp932LeadByte), "C:\\\x95\x5C");
  EXPECT_EQ(platform::folderOf("C:\\FS\\\x95\x5C", '\\', cp932LeadByte), "C:\\FS");
  EXPECT_EQ(platform::folderOf("C:\\FS\\\x95\x5C", '\\', noLeadByte), "C:\\FS\\\x95");
  // A trail byte that looks like a refused character is part of its letter.
  EXPECT_FALSE(platform::isNameWindowsCannotHold("\x95\x5C\x83\x7C.bgl", cp932LeadByte));
  EXPECT_TRUE(platform::isNameWindowsCannotHold("\x95\x5C\x83\x7C.bgl", noLeadByte));
  EXPECT_FALSE(platform::isPathWindowsRefuses("\x95\x5C\x83\x7C", cp932LeadByte));
  EXPECT_TRUE(platform::isPathWindowsRefuses("\x83\x7C|", cp932LeadByte));
}

// ".." as Windows stops it at a drive's root, counted from where a text is appended.
TEST(WindowsPath, ParentsStopAtTheRoot) {
  EXPECT_EQ(platform::foldersBelowRoot("C:\\FS\\Tools\\..", 3, '\\'), 1U);
  EXPECT_EQ(platform::foldersBelowRoot("C:\\", 3, '\\'), 0U);
  EXPECT_EQ(platform::foldersBelowRoot("/a//b/./c/", 1, '/'), 3U);
  EXPECT_EQ(platform::withoutParentsAbove("..\\..\\a\\..\\..\\b", 1), "..\\a\\..\\b");
  EXPECT_EQ(platform::withoutParentsAbove("../x/", 0), "x/");
  EXPECT_EQ(platform::withoutParentsAbove("a\\.\\..\\..", 5), "a\\.\\..\\..");
}

// Names compared as Windows compares them: the letters of code page 1252 in
// upper case (from the table the system answered), everything else as it is.
TEST(NameFolding, LettersOfTheCodePageAreComparedInUpperCase) {
  EXPECT_TRUE(platform::sameNameFolded("M\u00fcnchen", "M\u00dcNCHEN"));
  EXPECT_TRUE(platform::sameNameFolded("\u00e9t\u00e9", "\u00c9T\u00c9"));
  EXPECT_TRUE(platform::sameNameFolded("\u00ff\u0161", "\u0178\u0160"));  // bytes 0xFF 0x9A and 0x9F 0x8A
  EXPECT_FALSE(platform::sameNameFolded("\u0142", "\u0141"));               // outside the code page
  EXPECT_FALSE(platform::sameNameFolded("\u00b5", "\u039c"));               // its upper case is outside it
  EXPECT_FALSE(platform::sameNameFolded("\u00df", "SS"));
  EXPECT_FALSE(platform::sameNameFolded("ab", "abc"));
  EXPECT_FALSE(platform::sameNameFolded("\xfc", "\xdc"));  // bytes that begin no UTF-8 letter stand for themselves
  EXPECT_TRUE(platform::sameNameFolded("A\xfc", "a\xfc"));
  EXPECT_EQ(platform::ansiFromUtf8("\u0141\u00f3d\u017a"), "L\xf3" "dz");
}

// ---------------------------------------------------------------- profile reader

// The answer for one section of a whole text.
std::string iniValue(std::string_view text, std::string_view section, std::string_view key) {
  platform::ProfileScan scan({std::string(section)}, key);
  scan.feed(text);
  return scan.finish().front();
}

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
}

TEST(IniText, AnyRunOfLineEndsEndsALine) {
  for (const char* end : {"\r\n", "\n", "\r", "\r\r\n", "\n\r", "\r\n\r\n"}) {
    const std::string text = std::string("[General]") + end + "[A]" + end + "Local=x" + end + "[B]" + end + "Local=y";
    EXPECT_EQ(iniValue(text, "A", "Local"), "x") << end;
    EXPECT_EQ(iniValue(text, "B", "Local"), "y") << end;
  }
}

// The outline one pass gives: every section and key line with its number
// (CR LF, CR and LF each end a line; blank lines count), in every storage
// form, values as the reader answers them, while the answers stay the same.
struct OutlineRecorder : platform::ProfileOutline {
  void section(std::string_view name, std::size_t line) override {
    told += "[" + std::string(name) + "]@" + std::to_string(line) + " ";
  }
  void key(std::string_view name, std::string_view value, std::size_t line) override {
    told += std::string(name) + "=" + std::string(value) + "@" + std::to_string(line) + " ";
  }
  std::string told;
};

TEST(IniText, OutlineTellsEverySectionAndKeyWithItsLine) {
  const std::string text = "[Area.10]\r\nLocal=\"Ten\"\r\n\r\n[ Area.001 ] x\rActive=FALSE\nbare\n[A]b]\r\n\xe9=\xe9";
  OutlineRecorder recorder;
  platform::ProfileScan scan({"Area.001"}, "Active", &recorder);
  scan.feed(text);
  EXPECT_EQ(scan.finish(), (std::vector<std::string>{"FALSE"}));
  EXPECT_EQ(recorder.told, "[Area.10]@1 Local=Ten@2 [Area.001]@4 Active=FALSE@5 bare=@6 [A]b]@7 \xe9=\xe9@8 ");
  // A UTF-16 file tells the same outline, in ANSI text.
  std::string utf16 = "\xff\xfe";
  for (const char c : text) utf16 += std::string{c, '\0'};
  OutlineRecorder fromUtf16;
  platform::ProfileScan wide({}, "", &fromUtf16);
  wide.feed(utf16);
  (void)wide.finish();
  EXPECT_EQ(fromUtf16.told, recorder.told);
  // Long names are cut, never kept whole.
  OutlineRecorder longNames;
  platform::ProfileScan cut({}, "", &longNames);
  cut.feed("[" + std::string(100, 's') + "]\n" + std::string(100, 'k') + "=v\n");
  (void)cut.finish();
  EXPECT_EQ(longNames.told, "[" + std::string(64, 's') + "]@1 " + std::string(64, 'k') + "=v@2 ");
}

TEST(IniText, SectionNamesEndAtTheLastBracketAndAreTrimmed) {
  EXPECT_EQ(iniValue("[\tA \x1a]\nLocal=x\n", "A", "Local"), "x");
  EXPECT_EQ(iniValue("[A] junk\nLocal=x\n", "A", "Local"), "x");
  EXPECT_EQ(iniValue("[A]]\nLocal=x\n", "A", "Local"), "");
  EXPECT_EQ(iniValue("[A]x]\nLocal=x\n", "A", "Local"), "");
  EXPECT_EQ(iniValue("[A] ] \nLocal=x\n", "A", "Local"), "");
  EXPECT_EQ(iniValue("[[A]\nLocal=x\n", "A", "Local"), "");
  // Without a ']' the line is a key: the lines after it stay in the section before.
  EXPECT_EQ(iniValue("[A]\n[B\nLocal=x\n", "A", "Local"), "x");
  EXPECT_EQ(iniValue("[B\nLocal=x\n", "B", "Local"), "");
  // A name cut short or not ASCII never passes for the empty one.
  EXPECT_EQ(iniValue("[" + std::string(20, 'x') + "]\nLocal=x\n", "", "Local"), "");
  EXPECT_EQ(iniValue("[\xe9]\nLocal=x\n", "", "Local"), "");
  EXPECT_EQ(iniValue("[]\nLocal=x\n", "", "Local"), "x");
}

TEST(IniText, NulEndsNamesAndValues) {
  using namespace std::string_literals;
  EXPECT_EQ(iniValue("[A\0junk]\nLocal=x\n"s, "A", "Local"), "x");
  EXPECT_EQ(iniValue("[A\0 ]\nLocal=x\n"s, "A", "Local"), "x");
  EXPECT_EQ(iniValue("[A \0]\nLocal=x\n"s, "A", "Local"), "");
  EXPECT_EQ(iniValue("[A]\nLocal\0junk=x\n"s, "A", "Local"), "x");
  EXPECT_EQ(iniValue("[A]\nLocal \0=x\n"s, "A", "Local"), "");
  EXPECT_EQ(iniValue("[A]\nLocal=ab  \0cd\n"s, "A", "Local"), "ab  ");
  EXPECT_EQ(iniValue("[A]\nLocal='x'  \0\n"s, "A", "Local"), "'x'  ");
  EXPECT_EQ(iniValue("[A]\nLocal=\0\nLocal=second\n"s, "A", "Local"), "");
  EXPECT_EQ(iniValue("\0[A]\nLocal=x\n"s, "A", "Local"), "");
}

TEST(IniText, BlanksAreAsciiWhiteSpaceAndCtrlZ) {
  EXPECT_EQ(iniValue("[A]\n\x1aLocal\x1a=\x1ax\x1a\n", "A", "Local"), "x");
  EXPECT_EQ(iniValue("[A]\nLocal=a\vb\f\n", "A", "Local"), "a\vb");
  EXPECT_EQ(iniValue("[A]\nLocal=\xa0x\xa0\n", "A", "Local"), "\xa0x\xa0");
  EXPECT_EQ(iniValue("[A]\nLocal=ab\x1a\x1a cd\n", "A", "Local"), "ab\x1a\x1a cd");
}

TEST(IniText, KeyWithoutEqualsSignAnswersEmptyAndHidesLaterOnes) {
  EXPECT_EQ(iniValue("[A]\nLocal\nLocal=x\n", "A", "Local"), "");
  EXPECT_EQ(iniValue("[A]\nLo cal=k\n = s\nLocal==x\n", "A", "Local"), "=x");
}

TEST(IniText, UnicodeFilesByTheirByteOrderMark) {
  const std::string text = "[Area.001]\r\nLocal=M\u00fcnchen \u0141\u20ac\r\n";
  std::string le = "\xff\xfe", be = "\xfe\xff";
  std::u16string units = u"[Area.001]\r\nLocal=M\u00fcnchen \u0141\u20ac\r\n";
  for (const char16_t u : units) {
    le += {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
    be += {static_cast<char>(u >> 8), static_cast<char>(u & 0xFF)};
  }
  // Windows-1252 gives the answers: 0xFC for the u umlaut, 0x80 for the euro,
  // and its best fit 'L' for the L with stroke.
  for (const std::string& file : {"\xef\xbb\xbf" + text, le, be, le + "A"}) {
    EXPECT_EQ(iniValue(file, "Area.001", "Local"), "M\xfcnchen L\x80");
  }
  // Without a mark the bytes are ANSI, whatever they look like.
  EXPECT_EQ(iniValue(text, "Area.001", "Local"), "M\xc3\xbcnchen \xc5\x81\xe2\x82\xac");
  EXPECT_EQ(iniValue("\xff\xfe", "Area.001", "Local"), "");
  EXPECT_EQ(iniValue("\xef\xbb", "Area.001", "Local"), "");
}

TEST(IniText, AnswersDoNotDependOnHowTheFileIsCut) {
  std::string text = "\xef\xbb\xbf[General]\r\nTitle=x\r\n";
  for (unsigned area = 1; area <= 30; ++area) {
    text += "[Area." + std::string(area < 10 ? "00" : "0") + std::to_string(area) + "]\r\nLocal= \"Scenery\\\u00e9" +
            std::to_string(area) + "\"\r\n";
  }
  std::vector<std::string> sections;
  for (unsigned area = 1; area <= 31; ++area) sections.push_back(std::string("Area.0") + (area < 10 ? "0" : "") + std::to_string(area));
  platform::ProfileScan whole(sections, "Local");
  whole.feed(text);
  const std::vector<std::string> expected = whole.finish();
  EXPECT_EQ(expected[6], "Scenery\\\xe9" "7");
  EXPECT_EQ(expected[30], "");
  for (std::size_t piece : {1U, 2U, 3U, 7U, 64U}) {
    platform::ProfileScan cut(sections, "Local");
    for (std::size_t at = 0; at < text.size(); at += piece) cut.feed(std::string_view(text).substr(at, piece));
    EXPECT_EQ(cut.finish(), expected) << piece;
  }
}

TEST(IniText, MatchingQuotesAreUnwrapped) {
  EXPECT_EQ(iniValue("[A]\nLocal=\"Addon Scenery\\My Field\"\n", "A", "Local"), "Addon Scenery\\My Field");
  EXPECT_EQ(iniValue("[A]\nLocal='quoted'\n", "A", "Local"), "quoted");
  EXPECT_EQ(iniValue("[A]\nLocal=\"open\n", "A", "Local"), "\"open");
  EXPECT_EQ(iniValue("[A]\nLocal=\"mixed'\n", "A", "Local"), "\"mixed'");
  EXPECT_EQ(iniValue("[A]\nLocal=\"\n", "A", "Local"), "\"");
  EXPECT_EQ(iniValue("[A]\nLocal=  \" x \"  \n", "A", "Local"), " x ");
  EXPECT_EQ(iniValue("[A]\nLocal=\"a\"b\"\n", "A", "Local"), "a\"b");
  EXPECT_EQ(iniValue("[A]\nLocal=''\n", "A", "Local"), "");
  EXPECT_EQ(iniValue("[A]\nLocal='\"\n", "A", "Local"), "'\"");
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
  // The quotes go only while the whole value fits the reader's buffer.
  const auto quoted = [](std::size_t inner) {
    return iniValue("[A]\nLocal=\"" + std::string(inner, 'z') + "\"\n", "A", "Local");
  };
  EXPECT_EQ(quoted(998), std::string(998, 'z'));
  EXPECT_EQ(quoted(999), std::string(998, 'z'));
  EXPECT_EQ(quoted(1000), std::string(999, 'z'));
  EXPECT_EQ(quoted(1100), std::string(999, 'z'));
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
