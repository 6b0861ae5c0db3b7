// The command line program as a child process with its standard output on a pipe, killed if a
// test leaves it running.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace korvel::test {

class CliProcess {
 public:
  explicit CliProcess(std::vector<std::string> args) {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(fds[1], STDOUT_FILENO);
      close(fds[0]);
      close(fds[1]);
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(fds[1]);
    out_ = fds[0];
  }
  CliProcess(const CliProcess&) = delete;
  CliProcess& operator=(const CliProcess&) = delete;
  ~CliProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
  }

  // Waits for a line of standard output that begins with `prefix`.
  bool WaitForLine(const std::string& prefix, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    std::string text;
    while (std::chrono::steady_clock::now() < end) {
      pollfd p{out_, POLLIN, 0};
      if (poll(&p, 1, 20) <= 0) continue;
      char c;
      if (read(out_, &c, 1) != 1) return false;
      if (c != '\n') {
        text += c;
        continue;
      }
      if (text.starts_with(prefix)) return true;
      text.clear();
    }
    return false;
  }

  // The exit status after `signal`; -1 when it did not end in time.
  int Stop(int signal, std::chrono::milliseconds timeout) {
    kill(pid_, signal);
    return Wait(timeout);
  }

  // The exit status once it ends by itself; -1 when it did not end in time.
  int Wait(std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
};

}  // namespace korvel::test
