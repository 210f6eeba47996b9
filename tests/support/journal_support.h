// The program of the build run from the shell, and its journal read back as
// `--history --json` prints it.
#pragma once

#include <sys/wait.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/parafile_support.h"

namespace journaltest {

struct Outcome {
  int exit = -1;
  std::string out, err;
  double seconds = 0.0;
};

inline const std::string kQrox = std::string(QROX_BINARY_DIR) + "/qrox";

// Runs `script` with bash (`qrox` names the program), its output kept in `dir`.
inline Outcome Bash(const std::string& script, const std::string& dir) {
  const std::string out = dir + "/out.txt", err = dir + "/err.txt";
  const std::string command = "bash -c 'qrox=" + kQrox + "; " + script + "' >" + out + " 2>" + err;
  const auto start = std::chrono::steady_clock::now();
  const int status = std::system(command.c_str());
  Outcome r;
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = ReadFile(out);
  r.err = ReadFile(err);
  return r;
}

inline Outcome Qrox(const std::string& args, const std::string& dir) {
  return Bash("$qrox " + args, dir);
}

// The entries of `journal`, newest first.
inline std::vector<QJsonObject> History(const std::string& journal, const std::string& dir) {
  const Outcome r = Qrox("--journal \"" + journal + "\" --history --json", dir);
  EXPECT_EQ(r.exit, 0) << r.err;
  std::vector<QJsonObject> entries;
  for (const QJsonValue e : QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).array())
    entries.push_back(e.toObject());
  return entries;
}

// The words of a "before" or "after" (none for null).
inline std::vector<unsigned> Words(const QJsonValue& value) {
  std::vector<unsigned> words;
  for (const QJsonValue& w : value.toArray()) words.push_back(static_cast<unsigned>(w.toInt()));
  return words;
}

}  // namespace journaltest
