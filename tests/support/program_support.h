// The built programs run as child processes: qrox with its output captured, and qrox-sim
// with its standard output read line by line.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_files.h"

namespace programtest {

struct Outcome {
  int exit = -1;
  std::string out, err;
};

// Runs the built program `name` (qrox, qrox-sim) with `args` until it ends; its output
// goes through files in `dir`.
inline Outcome Program(const std::string& name, const std::string& args, const std::string& dir) {
  const std::string command = std::string(QROX_BINARY_DIR) + "/" + name + " " + args + " >" + dir +
                              "/out.txt 2>" + dir + "/err.txt";
  Outcome r;
  const int status = std::system(command.c_str());
  r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = ReadFile(dir + "/out.txt");
  r.err = ReadFile(dir + "/err.txt");
  return r;
}

inline Outcome Qrox(const std::string& args, const std::string& dir) {
  return Program("qrox", args, dir);
}

// qrox-sim as a child, ended with SIGTERM when this goes.
class SimProgram {
 public:
  explicit SimProgram(const std::vector<std::string>& args) {
    int out[2];
    if (pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], STDOUT_FILENO);
      std::vector<char*> argv;
      const std::string program = std::string(QROX_BINARY_DIR) + "/qrox-sim";
      argv.push_back(const_cast<char*>(program.c_str()));
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(program.c_str(), argv.data());
      _exit(127);
    }
    close(out[1]);
    out_ = out[0];
  }
  ~SimProgram() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
  }
  SimProgram(const SimProgram&) = delete;
  SimProgram& operator=(const SimProgram&) = delete;
  void Signal(int sig) { kill(pid_, sig); }
  // The next line of output, "" after `seconds`.
  std::string Line(double seconds = 2.0) {
    std::string line;
    char c = 0;
    pollfd p{out_, POLLIN, 0};
    while (poll(&p, 1, static_cast<int>(seconds * 1000)) == 1 && read(out_, &c, 1) == 1) {
      if (c == '\n') return line;
      line += c;
    }
    return "";
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
};

}  // namespace programtest
