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

std::string withWindowsLineEnds(std::string_view text) {
  std::string lineEnded;
  lineEnded.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    if (c == '\n') lineEnded.push_back('\r');
    lineEnded.push_back(c);
  }
  return lineEnded;
}

void TextOut::print(std::string_view text) {
  const std::string lineEnded = withWindowsLineEnds(text);
  if (std::fwrite(lineEnded.data(), 1, lineEnded.size(), stream_) != lineEnded.size()) failed_ = true;
  if (flushEachPrint_ && std::fflush(stream_) != 0) failed_ = true;
}

}  // namespace report
