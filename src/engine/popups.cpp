// Pop-ups: a yes/no question and the file dialog, or answers queued by tests.
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <cstdio>
#include <deque>
#include <utility>

#include "engine/engine_internal.h"

namespace {

constexpr int kMaxPath = 260;

std::deque<int> g_confirmAnswers;
std::deque<std::pair<int, std::string>> g_fileAnswers;
std::deque<PopupShown> g_shown;
constexpr size_t kMaxShown = 64;

std::string Text(const char* text) {
  return text ? text : "";
}

void Record(PopupShown shown) {
  if (g_shown.size() == kMaxShown) g_shown.pop_front();
  g_shown.push_back(std::move(shown));
}

// Without a screen nobody can answer a dialog: do not wait for one forever.
bool Headless(const char* what) {
  QString platform = QGuiApplication::platformName();
  if (platform != QLatin1String("offscreen") && platform != QLatin1String("minimal")) return false;
  std::fprintf(stderr, "%s: no answer queued and no screen; taken as cancelled\n", what);
  return true;
}

QString FilterFor(const char* fileTypeList, int restrictExtension) {
  QString types = QString::fromUtf8(fileTypeList ? fileTypeList : "").trimmed();
  QStringList parts;
  if (!types.isEmpty()) parts << QString("%1 (%2)").arg(types, QString(types).replace(';', ' '));
  if (!restrictExtension || types.isEmpty()) parts << QStringLiteral("All files (*)");
  return parts.join(QStringLiteral(";;"));
}

int Answer(int result, const std::string& path, char* pathName) {
  if (result > 0 && path.size() >= static_cast<size_t>(kMaxPath)) {
    std::fprintf(stderr, "file name longer than %d characters: taken as cancelled\n", kMaxPath - 1);
    result = VAL_NO_FILE_SELECTED;
  }
  if (pathName) engine::CopyOut(result > 0 ? path : std::string(), pathName, kMaxPath);
  return result;
}

}  // namespace

void QueueConfirmAnswer(int answer) {
  g_confirmAnswers.push_back(answer);
}

void QueueFileSelectAnswer(int result, const std::string& path) {
  g_fileAnswers.emplace_back(result, path);
}

int PendingPopupAnswers() {
  return static_cast<int>(g_confirmAnswers.size() + g_fileAnswers.size());
}

std::vector<PopupShown> TakeShownPopups() {
  std::vector<PopupShown> shown(g_shown.begin(), g_shown.end());
  g_shown.clear();
  return shown;
}

void ClearPopupAnswers() {
  g_confirmAnswers.clear();
  g_fileAnswers.clear();
  g_shown.clear();
}

int ConfirmPopup(const char* title, const char* message) {
  PopupShown shown;
  shown.title = Text(title);
  shown.message = Text(message);
  Record(std::move(shown));
  if (!g_confirmAnswers.empty()) {
    int answer = g_confirmAnswers.front();
    g_confirmAnswers.pop_front();
    return answer;
  }
  if (!QCoreApplication::instance() || Headless("ConfirmPopup")) return 0;
  auto button = QMessageBox::question(nullptr, QString::fromUtf8(title ? title : ""),
                                      QString::fromUtf8(message ? message : ""),
                                      QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
  return button == QMessageBox::Yes ? 1 : 0;
}

int FileSelectPopup(const char* defaultDirectory, const char* defaultFileSpec,
                    const char* fileTypeList, const char* title, int buttonLabel,
                    int restrictDirectory, int restrictExtension, int allowCancel,
                    int allowMakeDirectory, char* pathName) {
  Record({POPUP_FILE_SELECT, Text(title), "", Text(defaultDirectory), Text(defaultFileSpec),
          Text(fileTypeList), buttonLabel, restrictDirectory, restrictExtension, allowCancel,
          allowMakeDirectory});
  if (!g_fileAnswers.empty()) {
    auto [result, path] = g_fileAnswers.front();
    g_fileAnswers.pop_front();
    return Answer(result, path, pathName);
  }
  if (!QCoreApplication::instance() || Headless("FileSelectPopup"))
    return Answer(VAL_NO_FILE_SELECTED, {}, pathName);
  QString dir = QString::fromUtf8(defaultDirectory ? defaultDirectory : "");
  QString name = QString::fromUtf8(defaultFileSpec ? defaultFileSpec : "");
  QString start = dir.isEmpty() ? name : dir + '/' + name;
  QString filter = FilterFor(fileTypeList, restrictExtension);
  QString caption = QString::fromUtf8(title ? title : "");
  QString chosen;
  if (buttonLabel == VAL_LOAD_BUTTON) {
    chosen = QFileDialog::getOpenFileName(nullptr, caption, start, filter);
  } else {
    chosen = QFileDialog::getSaveFileName(nullptr, caption, start, filter, nullptr,
                                          QFileDialog::DontConfirmOverwrite);
  }
  if (chosen.isEmpty()) return Answer(VAL_NO_FILE_SELECTED, {}, pathName);
  int result = QFileInfo::exists(chosen) ? VAL_EXISTING_FILE_SELECTED : VAL_NEW_FILE_SELECTED;
  return Answer(result, chosen.toStdString(), pathName);
}
