#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "support/run_program.h"

namespace testsupport {

namespace {

constexpr unsigned kTimeLimitSeconds = 120;

[[noreturn]] void execChild(const std::vector<std::string>& command, const std::filesystem::path& workingFolder,
                            Input input, const std::vector<std::string>& environment, int outputFd) {
  ::dup2(outputFd, STDOUT_FILENO);
  ::close(outputFd);
  ::close(STDIN_FILENO);
  if (input == Input::AtEnd) {
    const int devNull = ::open("/dev/null", O_RDONLY);
    if (devNull != STDIN_FILENO) ::_exit(126);
  }
  if (::chdir(workingFolder.c_str()) != 0) ::_exit(126);
  for (const std::string& entry : environment) {
    const std::size_t equals = entry.find('=');
    ::setenv(entry.substr(0, equals).c_str(), entry.substr(equals + 1).c_str(), 1);
  }
  ::alarm(kTimeLimitSeconds);  // survives the exec
  std::vector<char*> argv;
  for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  ::execv(argv[0], argv.data());
  ::_exit(127);
}

ProgramRun runWith(const std::vector<std::string>& command, const std::filesystem::path& workingFolder, Input input,
                   const std::vector<std::string>& environment) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) throw std::runtime_error("pipe failed");
  const pid_t child = ::fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    ::close(pipeFds[0]);
    execChild(command, workingFolder, input, environment, pipeFds[1]);
  }
  ::close(pipeFds[1]);
  ProgramRun run;
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(pipeFds[0], buffer, sizeof buffer);
    if (got > 0) run.output.append(buffer, static_cast<std::size_t>(got));
    if (got == 0 || (got < 0 && errno != EINTR)) break;
  }
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

}  // namespace

ProgramRun runProgram(const std::filesystem::path& program, const std::filesystem::path& workingFolder,
                      Input input, const std::vector<std::string>& launcher,
                      const std::vector<std::string>& environment, const std::vector<std::string>& arguments) {
  std::vector<std::string> command = launcher;
  command.push_back(program.string());
  command.insert(command.end(), arguments.begin(), arguments.end());
  return runWith(command, workingFolder, input, environment);
}

ProgramRun runCommand(const std::vector<std::string>& command, const std::filesystem::path& workingFolder) {
  return runWith(command, workingFolder, Input::Closed, {});
}

}  // namespace testsupport
