#include "service/jsonresult.h"

#include <unistd.h>

#include <QJsonDocument>
#include <cstdio>

#include "engine/engine.h"
#include "service/batch.h"

namespace {

struct Collected {
  bool wanted = false;
  int stdoutCopy = -1;  // the real stdout while stdout is stderr
  double start = 0.0;
  QJsonObject object;
};
Collected result;

}  // namespace

void JsonResultBegin(const std::string& action) {
  result = Collected{};
  result.wanted = true;
  result.start = Timer();
  result.object["action"] = QString::fromStdString(action);
  std::fflush(stdout);
  result.stdoutCopy = dup(STDOUT_FILENO);
  dup2(STDERR_FILENO, STDOUT_FILENO);
}

bool JsonResultWanted() {
  return result.wanted;
}

void JsonResultSet(const char* key, const QJsonValue& value) {
  if (result.wanted) result.object[key] = value;
}

const char* ExitMeaning(int exitCode) {
  switch (exitCode) {
    case BATCH_OK:
      return "done and right";
    case BATCH_WRONG_RESULT:
      return "the sensor answered, but the result is wrong";
    default:
      return "no answer on the line, or a file or option error";
  }
}

void JsonResultEnd(int exitCode) {
  if (!result.wanted) return;
  result.object["exit"] = exitCode;
  result.object["meaning"] = ExitMeaning(exitCode);
  result.object["seconds"] = static_cast<double>(qRound64((Timer() - result.start) * 1000)) / 1000;
  const QByteArray text = QJsonDocument(result.object).toJson(QJsonDocument::Indented);
  std::fflush(stdout);
  dup2(result.stdoutCopy, STDOUT_FILENO);
  close(result.stdoutCopy);
  std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
  std::fflush(stdout);
  result = Collected{};
}

QJsonArray WordsJson(const u16* words, int count) {
  QJsonArray array;
  for (int i = 0; i < count; ++i) array.append(words[i]);
  return array;
}

QJsonArray SetWordsJson(const u16 words[30], const int got[2]) {
  QJsonArray array;
  for (int i = 0; i < 30; ++i) array.append(got[i / 15] ? QJsonValue(words[i]) : QJsonValue());
  return array;
}

QJsonArray DifferingWordsJson(const u16 a[30], const u16 b[30]) {
  QJsonArray numbers;
  for (int i = 0; i < 30; ++i)
    if (a[i] != b[i]) numbers.append(i + 1);
  return numbers;
}
