#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform {

// Longest value the profile reader returns (a 1000-byte buffer less its terminator).
inline constexpr std::size_t kMaxProfileValueLength = 999;

// Longest section or key name an outline reports; longer names are cut.
inline constexpr std::size_t kOutlineNameLength = 64;

// Told, as one pass reads an INI file, of every section header and every key
// line, each with its line number (from 1; CR LF, a lone CR and a lone LF
// each end a line). Names and values come as ANSI text, as the reader would
// answer them, names cut to kOutlineNameLength characters.
class ProfileOutline {
 public:
  virtual ~ProfileOutline() = default;
  virtual void section(std::string_view name, std::size_t line) = 0;
  // A key line of the section last told (or before any): a line without '='
  // is a key with an empty value.
  virtual void key(std::string_view name, std::string_view value, std::size_t line) = 0;
};

// One pass over an INI file that answers, for each of the given sections,
// what Windows' profile reader (GetPrivateProfileStringA) answers for one key
// of it: the value as ANSI (Windows-1252) text, or empty text.
//
// The rules are those of the Windows reader, measured under Wine:
// - The encoding comes from the first bytes: a UTF-8 byte-order mark, a
//   UTF-16LE or UTF-16BE one, else ANSI.
// - Any run of CR and LF ends a line (CR LF, CR CR LF, CR alone, blank lines).
// - Blanks are tab, LF, VT, FF, CR, space and Ctrl-Z; lines are trimmed of them.
// - A line that begins with '[' and holds a ']' names a section: the text up
//   to its last ']', trimmed. Other lines are keys, named by the text before
//   their first '=' (trimmed), with the text after it (trimmed) as value; a
//   line without '=' is a key without value, which answers empty text.
// - Names compare without regard to ASCII letter case and end at a NUL, as
//   do values. Only the first section of a name counts, and in it only the
//   first key of a name.
// - A value wrapped in matching quotes (" or ') is unwrapped; values are cut
//   to kMaxProfileValueLength. Characters of a Unicode file that Windows-1252
//   lacks become '?'.
// Memory stays within the answers, whatever the file's size or line lengths.
class ProfileScan {
 public:
  // With an `outline`, the pass also tells it of every section and key line.
  ProfileScan(const std::vector<std::string>& sections, std::string_view key, ProfileOutline* outline = nullptr);

  // Takes the file's next bytes; a file may come in pieces of any size.
  void feed(std::string_view bytes);

  // Ends the file and gives one answer per section, in the order given.
  std::vector<std::string> finish();

  // The trimmed text of a name or value up to its first NUL, kept up to a
  // capacity, with its full length and last unit.
  class Field {
   public:
    explicit Field(std::size_t capacity) : capacity_(capacity) {}
    void reset();
    void add(char16_t unit);
    const std::u16string& kept() const { return kept_; }
    std::size_t length() const { return length_; }
    char16_t last() const { return last_; }
    bool complete() const { return kept_.size() == length_; }

   private:
    void keep(char16_t unit);
    std::size_t capacity_;
    std::u16string kept_;
    std::u16string pendingBlanks_;  // blanks that count only if a non-blank follows
    std::size_t pendingCount_ = 0;
    char16_t lastPending_ = 0;
    std::size_t length_ = 0;
    char16_t last_ = 0;
    bool started_ = false;
    bool ended_ = false;  // a NUL ended the text
  };

 private:
  enum class Encoding { Undecided, Ansi, Utf8, Utf16Le, Utf16Be };
  enum class Part { LineStart, Section, Key, Value };
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  void decideEncoding();
  void decode(std::string_view bytes);
  void decodeUtf8(unsigned char byte);
  void unit(char16_t u);
  void endLine();
  std::size_t sectionIndex(const Field& name) const;
  bool isKey(const Field& name) const;
  void answer(const Field* value);
  std::string ansiText(std::u16string_view units) const;
  [[gnu::noinline]] void lineEnd(char16_t u);
  [[gnu::noinline]] void keepOutlineName(const Field& name);
  void tellOutline();

  Encoding encoding_ = Encoding::Undecided;
  std::string head_;          // the first bytes, until the encoding is known
  std::string partial_;       // an incomplete UTF-8 sequence or UTF-16 unit
  std::size_t utf8Needed_ = 0;

  std::unordered_map<std::string, std::size_t> sectionIndices_;  // folded name -> index
  std::string key_;                                              // folded
  std::vector<std::string> answers_;
  std::vector<bool> sectionSeen_;
  std::vector<bool> answered_;

  Part part_ = Part::LineStart;
  std::size_t current_ = kNone;   // the section whose keys are being read
  std::size_t bracketMatch_ = kNone;
  bool bracketSeen_ = false;
  bool keyMatches_ = false;
  Field sectionName_;
  Field keyName_;
  Field value_{kMaxProfileValueLength + 2};

  ProfileOutline* outline_;
  std::size_t line_ = 1;
  bool afterCr_ = false;
  std::u16string outlineName_;  // the section name up to its last ']', or the key name before '='
};

}  // namespace platform
