#include "platform/Process.h"

#include <spawn.h>
#include <sys/wait.h>

#include <thread>

extern char** environ;

namespace korvel {

bool StartProgram(const std::vector<std::string>& argv) {
  if (argv.empty()) return false;
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return false;
  // Collected when it ends, so that it never lingers as a zombie.
  std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
  return true;
}

}  // namespace korvel
