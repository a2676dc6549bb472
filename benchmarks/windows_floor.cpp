// The least a Windows scan must do, for the Windows program's benchmark under
// Wine: windows_floor <host folder> reads the Local value of every area of
// Scenery.cfg with the system's profile reader, lists each scenery folder
// with FindFirstFileA, and per file calls CreateFileA, one ReadFile of 64 KiB,
// ReadFile to the end for the stock files with a reference checksum, and
// CloseHandle; it computes nothing. Prints its seconds.

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "checks/stock_tables.h"
#include "platform/path_text.h"

namespace {

constexpr DWORD kBlock = 64 * 1024;

void readFile(const std::string& path, bool wholeFile, std::vector<char>& buffer) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD got = 0;
  bool more = ReadFile(file, buffer.data(), kBlock, &got, nullptr) && got > 0;
  while (wholeFile && more) more = ReadFile(file, buffer.data(), kBlock, &got, nullptr) && got > 0;
  CloseHandle(file);
}

void scanFolder(const std::string& folder, std::vector<char>& buffer) {
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA((folder + "*.bgl").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const bool stock = checks::findStockChecksum(platform::asciiLower(found.cFileName)).has_value();
    readFile(folder + found.cFileName, stock, buffer);
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: windows_floor <host folder>\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  const std::string host = argv[1];
  const std::string config = host + "\\Scenery.cfg";
  std::vector<char> buffer(kBlock);
  for (int area = 1; area <= 399; ++area) {
    char section[16];
    (void)std::snprintf(section, sizeof section, "Area.%03d", area);
    char local[1000] = {};
    const DWORD length = GetPrivateProfileStringA(section, "Local", "", local, sizeof local, config.c_str());
    if (length > 0) scanFolder(host + "\\" + std::string(local, length) + "\\scenery\\", buffer);
  }
  std::printf("%.4f\n", std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  return 0;
}
