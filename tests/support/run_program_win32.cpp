#include <windows.h>

#include <stdexcept>
#include <string>

#include "support/run_program.h"

namespace testsupport {

namespace {

struct Handle {
  HANDLE value = nullptr;
  ~Handle() {
    if (value != nullptr && value != INVALID_HANDLE_VALUE) CloseHandle(value);
  }
};

}  // namespace

ProgramRun runProgram(const std::filesystem::path& program, const std::filesystem::path& workingFolder,
                      Input input, const std::vector<std::string>& launcher,
                      const std::vector<std::string>& environment, const std::vector<std::string>& arguments) {
  if (!launcher.empty() || !environment.empty()) {
    throw std::invalid_argument("launchers and environments are not supported on Windows");
  }
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  Handle readEnd, writeEnd, inputHandle;
  if (!CreatePipe(&readEnd.value, &writeEnd.value, &inherit, 0)) throw std::runtime_error("CreatePipe failed");
  SetHandleInformation(readEnd.value, HANDLE_FLAG_INHERIT, 0);
  if (input == Input::AtEnd) {
    inputHandle.value = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                    OPEN_EXISTING, 0, nullptr);
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = inputHandle.value;  // none at all when the input is closed
  startup.hStdOutput = writeEnd.value;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  std::string commandLine = "\"" + program.string() + "\"";
  // Quoted as Explorer passes the paths of dropped files (none holds a quote).
  for (const std::string& argument : arguments) commandLine += " \"" + argument + "\"";
  PROCESS_INFORMATION process{};
  // Wine now and then fails to start a program copied a moment before (seen
  // once in a few hundred starts); a few tries a little apart tell that from
  // a program that cannot start.
  bool started = false;
  DWORD error = 0;
  for (int attempt = 0; attempt < 5 && !started; ++attempt) {
    if (attempt > 0) Sleep(200);
    started = CreateProcessA(program.string().c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                             workingFolder.string().c_str(), &startup, &process) != 0;
    if (!started) error = GetLastError();
  }
  if (!started) {
    throw std::runtime_error("CreateProcess failed for " + program.string() + ", error " + std::to_string(error));
  }
  CloseHandle(writeEnd.value);
  writeEnd.value = nullptr;
  ProgramRun run;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(readEnd.value, buffer, sizeof buffer, &got, nullptr) && got > 0) run.output.append(buffer, got);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 0;
  GetExitCodeProcess(process.hProcess, &status);
  run.exitStatus = static_cast<int>(status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return run;
}

}  // namespace testsupport
