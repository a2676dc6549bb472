#include "support/profile_texts.h"

#include <array>
#include <cstdint>
#include <random>

#include "support/install_builder.h"

namespace testsupport {

namespace {

// The UTF-16 unit of a byte of the texts made here (Latin-1 and the euro).
char16_t unitOf(char byte) {
  const auto value = static_cast<unsigned char>(byte);
  return value == 0x80 ? char16_t{0x20AC} : char16_t{value};
}

void appendUtf8(std::string& out, char16_t unit) {
  if (unit < 0x80) {
    out.push_back(static_cast<char>(unit));
  } else if (unit < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (unit >> 6)));
    out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (unit >> 12)));
    out.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
  }
}

std::string handEdited() {
  using namespace std::string_literals;
  std::string text = "[General]\r\nTitle=World\r\n";
  text += "\r\n[Area.001]\r\nTitle=Default\r\n  Local  =  Scenery\\World  \r\nActive=TRUE\r\n";
  text += "[ area.002 ]\r\n\tLOCAL\t=\t\"Addon Scenery\\My Field\"\t\r\n";
  text += "[Area.003\r\nLocal=no bracket\r\n";
  text += "[Area.004]\r\nLocal\r\nLocal=hidden by the line before\r\n";
  text += "[Area.005]\r\nTitle=first\r\n[Area.005]\r\nLocal=second of its name\r\n";
  text += "[Area.006]\r\nLocal='single'\r\nLocal=second key\r\n";
  text += ";[Area.007]\r\n[Area.007] ; comment\r\n;Local=commented\r\nLocal=Addon Scenery\\M\xfcnchen \x80\r\n";
  text += "[Area.008]\r\nLocal=\"\r\n[Area.009]\r\nLocal==x=\r\n[Area.010]\r\nLocal = \xa0 x\xa0\r\n";
  text += "[Area.011]\r\nLocal=a\0b\r\n[Area.012\0]\r\nLocal=\"quoted\"  \0\r\n"s;
  text += "[Area.013]\r\nLocal=before Ctrl-Z\r\n\x1a";
  return text;
}

std::string simulatorShaped() {
  std::vector<AreaEntry> areas;
  for (unsigned area = 1; area <= 20; ++area) areas.push_back({areaSection(area), "Scenery\\Area" + std::to_string(area)});
  areas.push_back({areaSection(399), "Addon Scenery\\Last"});
  areas.push_back({areaSection(400), "Addon Scenery\\Beyond"});
  areas.push_back({"Area.10", "Addon Scenery\\Short"});
  return sceneryConfig(areas);
}

// The units that matter to the reader, and some that do not.
constexpr std::array<char, 22> kMutationBytes = {' ',  '\t', '\r', '\n', '=', '[', ']',    '"',    '\'', ';', '\0',
                                                 '\x1a', '\v', 'a', 'L', '.', '0', '1', '\xe9', '\xa0', '\x80', '\\'};

class Mutator {
 public:
  explicit Mutator(unsigned seed) : random_(seed) {}
  std::string mutate(std::string text) {
    const std::size_t edits = 1 + below(4);
    for (std::size_t i = 0; i < edits && !text.empty(); ++i) {
      const std::size_t at = below(text.size());
      switch (below(4)) {
        case 0: text.insert(at, 1, kMutationBytes[below(kMutationBytes.size())]); break;
        case 1: text.erase(at, 1 + below(3)); break;
        case 2: text[at] = kMutationBytes[below(kMutationBytes.size())]; break;
        default: text.insert(at, text.substr(below(text.size()), 1 + below(24))); break;
      }
    }
    return text;
  }
  std::size_t below(std::size_t bound) { return static_cast<std::size_t>(random_() % bound); }

 private:
  std::mt19937 random_;  // the same sequence with every standard library
};

constexpr std::array<TextForm, 4> kForms = {TextForm::Ansi, TextForm::Utf8Bom, TextForm::Utf16Le, TextForm::Utf16Be};
constexpr std::array<const char*, 4> kFormNames = {"ANSI", "UTF-8 with BOM", "UTF-16LE with BOM", "UTF-16BE with BOM"};
constexpr std::array<const char*, 5> kLineEnds = {"\r\n", "\n", "\r", "\r\r\n", "\n\r"};
constexpr std::array<const char*, 5> kLineEndNames = {"CR LF", "LF", "CR", "CR CR LF", "LF CR"};

}  // namespace

std::string storedAs(std::string_view ansiText, TextForm form) {
  std::string out;
  switch (form) {
    case TextForm::Ansi:
      return std::string(ansiText);
    case TextForm::Utf8Bom:
      out = "\xef\xbb\xbf";
      for (const char c : ansiText) appendUtf8(out, unitOf(c));
      return out;
    case TextForm::Utf16Le:
    case TextForm::Utf16Be:
      out = form == TextForm::Utf16Le ? "\xff\xfe" : "\xfe\xff";
      for (const char c : ansiText) {
        const char16_t unit = unitOf(c);
        const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
        out += form == TextForm::Utf16Le ? std::string{low, high} : std::string{high, low};
      }
      return out;
  }
  return out;
}

std::string withLineEnds(std::string_view text, std::string_view lineEnd) {
  std::string out;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text.substr(at, 2) == "\r\n") {
      out += lineEnd;
      ++at;
    } else {
      out.push_back(text[at]);
    }
  }
  return out;
}

std::vector<ProfileText> profileTexts(std::size_t count, unsigned seed) {
  const std::array<std::string, 2> bases = {handEdited(), simulatorShaped()};
  const std::array<const char*, 2> baseNames = {"hand-edited", "simulator-shaped"};
  std::vector<ProfileText> texts;
  std::vector<std::string> ansiTexts;
  for (std::size_t b = 0; b < bases.size(); ++b) {
    for (std::size_t e = 0; e < kLineEnds.size(); ++e) {
      for (std::size_t f = 0; f < kForms.size(); ++f) {
        ansiTexts.push_back(withLineEnds(bases[b], kLineEnds[e]));
        texts.push_back({storedAs(ansiTexts.back(), kForms[f]),
                         std::string(baseNames[b]) + ", " + kLineEndNames[e] + ", " + kFormNames[f]});
      }
    }
  }
  Mutator mutator(seed);
  for (std::size_t i = texts.size(); i < count; ++i) {
    const std::size_t form = mutator.below(kForms.size());
    const std::string mutated = mutator.mutate(ansiTexts[mutator.below(ansiTexts.size())]);
    texts.push_back({storedAs(mutated, kForms[form]), "mutation " + std::to_string(i) + ", " + kFormNames[form]});
  }
  return texts;
}

}  // namespace testsupport
