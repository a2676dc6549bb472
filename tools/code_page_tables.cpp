// Writes the source of the code page tables the Linux build reads Windows
// texts with, asking Windows itself (run it under Wine): the upper-case byte
// of every byte of code page 1252, as CharUpperBuffA gives it, and the byte
// WideCharToMultiByte gives for every UTF-16 unit from U+0080 with best fit
// (the default, as FS2002's "A" calls use it), where that is no stand-in '?'.
// scripts/generate-code-page-tables runs it and keeps its output.

#include <windows.h>

#include <cstdio>

namespace {

constexpr UINT kCodePage = 1252;

void writeUpperTable() {
  std::printf("const std::array<unsigned char, 256> kUpper = {");
  for (unsigned value = 0; value < 256; ++value) {
    char byte = static_cast<char>(value);
    CharUpperBuffA(&byte, 1);
    std::printf("%s0x%02X,", value % 12 == 0 ? "\n    " : " ", static_cast<unsigned char>(byte));
  }
  std::printf("\n};\n\n");
}

void writeBestFitTable() {
  std::printf("const BestFit kBestFitTable[] = {");
  unsigned written = 0;
  for (unsigned value = 0x80; value <= 0xFFFF; ++value) {
    if (value >= 0xD800 && value <= 0xDFFF) continue;  // half of a pair: no character alone
    const auto unit = static_cast<wchar_t>(value);
    char byte = 0;
    BOOL standIn = FALSE;
    if (WideCharToMultiByte(kCodePage, 0, &unit, 1, &byte, 1, nullptr, &standIn) != 1 || standIn) continue;
    std::printf("%s{0x%04X, 0x%02X},", written % 6 == 0 ? "\n    " : " ", value, static_cast<unsigned char>(byte));
    ++written;
  }
  std::printf("\n};\n\n");
}

}  // namespace

int main() {
  std::printf(
      "// Made by tools/code_page_tables.cpp under Wine (scripts/generate-code-page-tables)\n"
      "// from the answers of CharUpperBuffA and of WideCharToMultiByte for code page\n"
      "// 1252 with best fit. Not to be edited by hand: generate it again.\n\n"
      "#include \"platform/code_page_1252.h\"\n\n"
      "namespace platform::cp1252 {\n\n");
  writeUpperTable();
  writeBestFitTable();
  std::printf("const std::span<const BestFit> kBestFit(kBestFitTable);\n\n}  // namespace platform::cp1252\n");
  return 0;
}
