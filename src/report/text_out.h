#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace report {

// printf-style formatting into a string. C varargs, so that the compiler
// checks each call's arguments against its format.
[[gnu::format(printf, 1, 2)]] std::string formatText(const char* format, ...);  // NOLINT(cert-dcl50-cpp)

// `text` with each LF made CR LF, as a Windows text-mode stream writes it.
std::string withWindowsLineEnds(std::string_view text);

// Writes text to a byte stream the way a Windows text-mode stream does, on
// every build: each LF goes out as CR LF, a lone CR stays one CR. The stream
// itself must be binary, so nothing translates the bytes a second time.
class TextOut {
 public:
  // With `flushEachPrint`, each print reaches the stream's destination before
  // print returns (a console shows the running count at once).
  TextOut(std::FILE* stream, bool flushEachPrint) : stream_(stream), flushEachPrint_(flushEachPrint) {}

  void print(std::string_view text);

  // True when each print reaches the destination at once (a console window).
  bool flushesEachPrint() const { return flushEachPrint_; }

  // True once any write or flush has failed.
  bool failed() const { return failed_; }

 private:
  std::FILE* stream_;
  bool flushEachPrint_;
  bool failed_ = false;
};

}  // namespace report
