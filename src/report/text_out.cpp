#include "report/text_out.h"

#include <cstdarg>
#include <vector>

namespace report {

std::string formatText(const char* format, ...) {  // NOLINT(cert-dcl50-cpp): see the declaration
  std::va_list args;
  va_start(args, format);
  std::va_list again;
  va_copy(again, args);
  const int length = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string text;
  if (length > 0) {
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
    (void)std::vsnprintf(buffer.data(), buffer.size(), format, again);  // the length is known
    text.assign(buffer.data(), static_cast<std::size_t>(length));
  }
  va_end(again);
  return text;
}

void TextOut::print(std::string_view text) {
  lineEnded_.clear();
  for (char c : text) {
    if (c == '\n') lineEnded_.push_back('\r');
    lineEnded_.push_back(c);
  }
  if (std::fwrite(lineEnded_.data(), 1, lineEnded_.size(), stream_) != lineEnded_.size()) failed_ = true;
  if (flushEachPrint_ && std::fflush(stream_) != 0) failed_ = true;
}

}  // namespace report
