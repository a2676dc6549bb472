// The program on a terminal: the whole dialogue, prompt included, is on the
// screen while the program waits, and the program waits for ENTER before it
// ends.

#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "e2e_fixture.h"

namespace {

using namespace e2e;

// Reads the terminal until `text` has been seen or `seconds` have passed.
bool readUntil(int terminal, std::string& seen, const std::string& text, int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (seen.find(text) == std::string::npos) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    pollfd ready{terminal, POLLIN, 0};
    if (::poll(&ready, 1, 100) <= 0) continue;
    char buffer[4096];
    const ssize_t got = ::read(terminal, buffer, sizeof buffer);
    if (got <= 0) return false;
    seen.append(buffer, static_cast<std::size_t>(got));
  }
  return true;
}

TEST_F(EndToEnd, OnATerminalThePromptShowsAndTheRunWaitsForEnter) {
  install.config({{areaSection(1), "A"}});
  for (int i = 0; i < 12; ++i) install.file("A/scenery/p" + std::to_string(i) + ".bgl", plainBglFile(300));
  const std::string program = install.installProgram(TRAWLEX_PROGRAM).string();
  int terminal = -1;
  const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
  ASSERT_GE(child, 0);
  if (child == 0) {
    termios raw{};  // no line-end translation: the bytes arrive as written
    ::tcgetattr(STDIN_FILENO, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  std::string seen;
  const bool prompted = readUntil(terminal, seen, "\r\nPress ENTER key to finish...", 20);
  int status = 0;
  const bool stillWaiting = ::waitpid(child, &status, WNOHANG) == 0;
  ASSERT_EQ(::write(terminal, "\n", 1), 1);
  ::waitpid(child, &status, 0);
  ::close(terminal);
  EXPECT_TRUE(prompted) << seen;
  EXPECT_TRUE(stillWaiting);
  // The last count shown is the total, though 12 is no multiple of ten.
  EXPECT_NE(seen.find("\rAll Files: 10  Facility Files: 0\rAll Files: 12  Facility Files: 0\r\n\r\nScanning completed"),
            std::string::npos)
      << seen;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
