#include "platform/ini_text.h"

#include <algorithm>
#include <iterator>
#include <optional>

#include "platform/path_text.h"
#include "platform/text_encoding.h"

namespace platform {

namespace {

bool isLineEnd(char16_t u) { return u == u'\n' || u == u'\r'; }

// The blanks of the Windows profile reader: ASCII white space and Ctrl-Z,
// which DOS-era files carry as an end mark.
bool isBlank(char16_t u) { return (u >= 0x09 && u <= 0x0D) || u == 0x20 || u == 0x1A; }

// The folded ASCII form of a complete field; nothing when it holds anything
// else (no other character folds to an ASCII letter) or was cut short, so
// that no such name passes for an empty one.
std::optional<std::string> foldedAscii(const ProfileScan::Field& field) {
  if (!field.complete()) return std::nullopt;
  std::string text;
  for (const char16_t u : field.kept()) {
    if (u >= 0x80) return std::nullopt;
    text.push_back(foldAscii(static_cast<char>(u)));
  }
  return text;
}

std::size_t longestName(const std::vector<std::string>& names) {
  std::size_t longest = 0;
  for (const std::string& name : names) longest = std::max(longest, name.size());
  return longest;
}

// The units the reader hands back for a value: a quoted value loses its
// quotes, and at most kMaxProfileValueLength units remain (the quote rule is
// judged on the whole value, as the reader's copy into its buffer does).
std::u16string profileAnswer(const ProfileScan::Field& value) {
  std::u16string_view text = value.kept();
  std::size_t length = value.length();
  const bool quoted = length >= 2 && (text[0] == u'"' || text[0] == u'\'') && value.last() == text[0];
  if (quoted) {
    text.remove_prefix(1);
    --length;
  }
  std::u16string answer(text.substr(0, std::min(length, kMaxProfileValueLength)));
  if (quoted && length <= kMaxProfileValueLength + 1 && !answer.empty()) answer.pop_back();
  return answer;
}

}  // namespace

void ProfileScan::Field::reset() {
  kept_.clear();
  pendingBlanks_.clear();
  pendingCount_ = 0;
  lastPending_ = 0;
  length_ = 0;
  last_ = 0;
  started_ = false;
  ended_ = false;
}

void ProfileScan::Field::keep(char16_t unit) {
  ++length_;
  last_ = unit;
  if (kept_.size() < capacity_) kept_.push_back(unit);
}

void ProfileScan::Field::add(char16_t unit) {
  if (ended_) return;
  if (isBlank(unit)) {
    if (!started_) return;  // leading blanks are trimmed
    ++pendingCount_;
    lastPending_ = unit;
    if (pendingBlanks_.size() < capacity_) pendingBlanks_.push_back(unit);
    return;
  }
  started_ = true;
  // Blanks before a non-blank (a NUL included) are inside the text.
  for (const char16_t blank : pendingBlanks_) keep(blank);
  length_ += pendingCount_ - pendingBlanks_.size();
  if (pendingCount_ > 0) last_ = lastPending_;
  pendingBlanks_.clear();
  pendingCount_ = 0;
  if (unit == 0) {
    ended_ = true;
    return;
  }
  keep(unit);
}

ProfileScan::ProfileScan(const std::vector<std::string>& sections, std::string_view key, ProfileOutline* outline)
    : key_(asciiFolded(key)),
      answers_(sections.size()),
      sectionSeen_(sections.size()),
      answered_(sections.size()),
      sectionName_(std::max(longestName(sections), outline != nullptr ? kOutlineNameLength : 0) + 1),
      keyName_(std::max(key.size(), outline != nullptr ? kOutlineNameLength : 0) + 1),
      outline_(outline) {
  for (std::size_t i = 0; i < sections.size(); ++i) sectionIndices_.emplace(asciiFolded(sections[i]), i);
}

void ProfileScan::decideEncoding() {
  const auto startsWith = [this](std::string_view mark) { return head_.compare(0, mark.size(), mark) == 0; };
  std::size_t mark = 0;
  if (startsWith("\xEF\xBB\xBF")) {
    encoding_ = Encoding::Utf8;
    mark = 3;
  } else if (startsWith("\xFF\xFE")) {
    encoding_ = Encoding::Utf16Le;
    mark = 2;
  } else if (startsWith("\xFE\xFF")) {
    encoding_ = Encoding::Utf16Be;
    mark = 2;
  } else {
    encoding_ = Encoding::Ansi;
  }
  const std::string rest = head_.substr(std::min(mark, head_.size()));
  head_.clear();
  decode(rest);
}

void ProfileScan::feed(std::string_view bytes) {
  if (encoding_ == Encoding::Undecided) {
    const std::size_t take = std::min(bytes.size(), 3 - head_.size());
    head_.append(bytes.substr(0, take));
    bytes.remove_prefix(take);
    if (head_.size() < 3) return;
    decideEncoding();
  }
  decode(bytes);
}

void ProfileScan::decode(std::string_view bytes) {
  for (const char byte : bytes) {
    switch (encoding_) {
      case Encoding::Ansi:
        unit(static_cast<unsigned char>(byte));
        break;
      case Encoding::Utf8:
        decodeUtf8(static_cast<unsigned char>(byte));
        break;
      case Encoding::Utf16Le:
      case Encoding::Utf16Be:
        partial_.push_back(byte);
        if (partial_.size() == 2) {
          const auto first = static_cast<unsigned char>(partial_[0]), second = static_cast<unsigned char>(partial_[1]);
          unit(static_cast<char16_t>(encoding_ == Encoding::Utf16Le ? first | second << 8 : second | first << 8));
          partial_.clear();
        }
        break;
      case Encoding::Undecided:
        break;
    }
  }
}

void ProfileScan::decodeUtf8(unsigned char byte) {
  if (!partial_.empty() && (byte & 0xC0) != 0x80) {
    unit(0xFFFD);  // a sequence cut short
    partial_.clear();
  }
  if (partial_.empty()) {
    if (byte < 0x80) return unit(byte);
    utf8Needed_ = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 0;
    if (utf8Needed_ == 0) return unit(0xFFFD);
  }
  partial_.push_back(static_cast<char>(byte));
  if (partial_.size() < utf8Needed_) return;
  char32_t code = utf8CodePoint(partial_);
  partial_.clear();
  if (code > 0xFFFF) {  // a surrogate pair, as the system's conversion gives
    code -= 0x10000;
    unit(static_cast<char16_t>(0xD800 + (code >> 10)));
    unit(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
  } else {
    unit(static_cast<char16_t>(code));
  }
}

std::size_t ProfileScan::sectionIndex(const Field& name) const {
  const std::optional<std::string> folded = foldedAscii(name);
  if (!folded) return kNone;
  const auto found = sectionIndices_.find(*folded);
  return found == sectionIndices_.end() ? kNone : found->second;
}

bool ProfileScan::isKey(const Field& name) const { return foldedAscii(name) == key_; }

// Out of line, as is keepOutlineName: unit() runs for every character, and
// stays lean when its rare paths are calls.
void ProfileScan::lineEnd(char16_t u) {
  endLine();
  if (u == u'\n' && afterCr_) {  // the LF of a CR LF
    afterCr_ = false;
    return;
  }
  ++line_;
  afterCr_ = u == u'\r';
}

void ProfileScan::unit(char16_t u) {
  if (isLineEnd(u)) return lineEnd(u);
  switch (part_) {
    case Part::LineStart:
      afterCr_ = false;  // a line end leaves the scan here, so the next unit of any other kind comes here
      if (isBlank(u)) return;
      if (u == u'[') {
        part_ = Part::Section;
        sectionName_.reset();
        bracketSeen_ = false;
      } else {
        part_ = Part::Key;
        keyName_.reset();
        unit(u);  // the line's first unit may be its '='
      }
      return;
    case Part::Section:
      if (u == u']') {  // the name ends at the line's last ']'
        bracketMatch_ = sectionIndex(sectionName_);
        bracketSeen_ = true;
        if (outline_ != nullptr) keepOutlineName(sectionName_);
      }
      sectionName_.add(u);
      return;
    case Part::Key:
      if (u == u'=') {
        keyMatches_ = isKey(keyName_);
        if (outline_ != nullptr) keepOutlineName(keyName_);
        value_.reset();
        part_ = Part::Value;
      } else {
        keyName_.add(u);
      }
      return;
    case Part::Value:
      value_.add(u);
      return;
  }
}

void ProfileScan::endLine() {
  if (outline_ != nullptr) tellOutline();
  switch (part_) {
    case Part::LineStart:
      break;
    case Part::Section:
      // Without a ']' the line is a key whose name begins with '['.
      if (bracketSeen_) {
        const bool first = bracketMatch_ != kNone && !sectionSeen_[bracketMatch_];
        current_ = first ? bracketMatch_ : kNone;
        if (first) sectionSeen_[bracketMatch_] = true;
      }
      break;
    case Part::Key:
      if (isKey(keyName_)) answer(nullptr);
      break;
    case Part::Value:
      if (keyMatches_) answer(&value_);
      break;
  }
  part_ = Part::LineStart;
}

void ProfileScan::keepOutlineName(const Field& name) {
  outlineName_.assign(name.kept(), 0, kOutlineNameLength);
}

std::string ProfileScan::ansiText(std::u16string_view units) const {
  const bool ansi = encoding_ == Encoding::Ansi;  // an ANSI file's units are its bytes
  std::string text;
  std::transform(units.begin(), units.end(), std::back_inserter(text),
                 [ansi](char16_t u) { return ansi ? static_cast<char>(u) : ansiFromUnit(u); });
  return text;
}

void ProfileScan::tellOutline() {
  switch (part_) {
    case Part::Section:
      if (bracketSeen_) outline_->section(ansiText(outlineName_), line_);
      break;
    case Part::Key:
      outline_->key(ansiText(keyName_.kept().substr(0, kOutlineNameLength)), "", line_);
      break;
    case Part::Value:
      outline_->key(ansiText(outlineName_), ansiText(profileAnswer(value_)), line_);
      break;
    case Part::LineStart:
      break;
  }
}

void ProfileScan::answer(const Field* value) {
  if (current_ == kNone || answered_[current_]) return;
  answered_[current_] = true;
  if (value == nullptr) return;  // a key without '=' answers empty text
  answers_[current_] = ansiText(profileAnswer(*value));
}

std::vector<std::string> ProfileScan::finish() {
  if (encoding_ == Encoding::Undecided) decideEncoding();
  if (encoding_ == Encoding::Utf8 && !partial_.empty()) unit(0xFFFD);
  partial_.clear();  // an odd last byte of a UTF-16 file is no unit
  endLine();
  return std::move(answers_);
}

}  // namespace platform
