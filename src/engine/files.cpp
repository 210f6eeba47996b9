// Array files (text and binary), file information and path names.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/engine_data.h"
#include "engine/engine_internal.h"

namespace {

constexpr int kMaxPath = 260;  // path buffers of the program hold 259 characters and a zero

std::string g_projectDir;
std::string g_programDir;

std::string JoinPath(const std::string& dir, const std::string& name) {
  if (dir.empty() || dir.back() == '/') return dir + name;
  return dir + '/' + name;
}

bool IsDir(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsWritableDir(const std::string& path) {
  return IsDir(path) && access(path.c_str(), W_OK | X_OK) == 0;
}

// The directory of the running program (or the one tests set).
std::string ProgramDir() {
  if (!g_programDir.empty()) return g_programDir;
  char exe[4096];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0) return ".";
  std::string dir(exe, static_cast<size_t>(n));
  size_t slash = dir.rfind('/');
  return slash == 0 ? "/" : dir.substr(0, slash);
}

// Where an installed program keeps its data files, seen from its own directory
// (bin/../share/qrox), so that an unpacked copy of the installation finds them too.
std::string InstalledDataDir(const std::string& programDir) {
  return JoinPath(programDir, QROX_DATA_DIR_FROM_BIN);
}

std::string WorkingDir() {
  char cwd[4096];
  return getcwd(cwd, sizeof cwd) ? std::string(cwd) : std::string(".");
}

// Default files (parameter, recorder and linearisation files) go into the program's own
// directory when it is a private copy the user may write to. An installed program's
// directory belongs to the system, so they go into the user's documents directory, or
// the working directory when there is no such directory.
std::string DefaultProjectDir() {
  const std::string programDir = ProgramDir();
  bool installed = IsDir(InstalledDataDir(programDir));
  if (!installed && IsWritableDir(programDir)) return programDir;
  const std::string documents =
      QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString();
  if (!documents.empty() && IsWritableDir(documents)) return documents;
  return WorkingDir();
}

// Where element (group g, index i) lies in the caller's array.
long ArrayIndex(int g, long i, int groups, long perGroup, int order) {
  return order == VAL_DATA_MULTIPLEXED ? i * groups + g : g * perGroup + i;
}

// Plain decimal text with a decimal point, never an exponent, read back exactly.
template <class F>
std::string FloatText(F v) {
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
  char text[400];
  auto [end, ec] = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed);
  if (ec != std::errc()) return "0.0";
  std::string s(text, end);
  if (s.find('.') == std::string::npos) s += ".0";
  return s;
}

std::string ElementText(const void* array, int dataType, long index) {
  double v = engine::ElementValue(array, dataType, index);
  if (dataType == VAL_FLOAT) return FloatText(static_cast<float>(v));
  if (dataType == VAL_DOUBLE) return FloatText(v);
  return std::to_string(static_cast<long long>(v));
}

void AppendField(std::string& line, std::string field, bool first, int separator, int width) {
  bool fillsField = static_cast<int>(field.size()) >= width;
  if (!fillsField) field.insert(0, static_cast<size_t>(width) - field.size(), ' ');
  if (!first) {
    if (separator == VAL_SEP_BY_TAB)
      line += '\t';
    else if (fillsField)
      line += ' ';  // a number as wide as its field still stands apart from the last one
  }
  line += field;
}

std::string AsciiText(const void* array, int dataType, long count, int groups, int order,
                      int layout, int separator, int width) {
  long perGroup = count / groups;
  bool columns = layout == VAL_GROUPS_AS_COLUMNS;
  long lines = columns ? perGroup : groups;
  long fields = columns ? groups : perGroup;
  std::string text;
  for (long l = 0; l < lines; ++l) {
    std::string line;
    for (long f = 0; f < fields; ++f) {
      int g = static_cast<int>(columns ? f : l);
      long i = columns ? l : f;
      AppendField(line, ElementText(array, dataType, ArrayIndex(g, i, groups, perGroup, order)),
                  f == 0, separator, width);
    }
    text += line;
    text += "\r\n";
  }
  return text;
}

// Writes all `size` bytes to the descriptor: 0 or kFileWriteError.
int WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return kFileWriteError;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return 0;
}

// Opens with `flags`, writes and closes: 0 or a negative error. A failed append is cut back
// to the size before it, so a text file never ends in a piece of a line.
int WriteToFile(const char* fileName, int flags, const char* data, size_t size) {
  const int fd = open(fileName, flags | O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return kFileOpenError;
  struct stat before {};
  const bool regular = fstat(fd, &before) == 0 && S_ISREG(before.st_mode);
  int result = WriteAll(fd, data, size);
  if (result != 0 && regular && (flags & O_APPEND) && ftruncate(fd, before.st_size) != 0)
    result = kFileWriteError;
  if (close(fd) != 0) result = kFileWriteError;
  return result;
}

// Replaces a file whole or not at all: the new content is written beside it and renamed
// over it. A device or a pipe is written directly (there is no content to keep).
int ReplaceFile(const char* fileName, const char* data, size_t size) {
  struct stat st {};
  if (stat(fileName, &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
    return WriteToFile(fileName, O_TRUNC, data, size);
  QSaveFile file(QFile::decodeName(fileName));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return kFileOpenError;
  // A short write must not be renamed over the old file: commit() then discards it.
  if (file.write(data, static_cast<qint64>(size)) != static_cast<qint64>(size))
    file.cancelWriting();
  return file.commit() ? 0 : kFileWriteError;
}

bool ValidShape(int dataType, int count, int groups) {
  return engine::ElementSize(dataType) > 0 && count >= 0 && groups >= 1 && count % groups == 0;
}

std::vector<std::string> Tokens(const std::string& text, size_t wanted) {
  std::vector<std::string> out;
  size_t i = 0;
  auto separator = [](char c) { return c == ',' || std::isspace(static_cast<unsigned char>(c)); };
  while (i < text.size() && out.size() < wanted) {
    while (i < text.size() && separator(text[i])) ++i;
    size_t start = i;
    while (i < text.size() && !separator(text[i])) ++i;
    if (i > start) out.push_back(text.substr(start, i - start));
  }
  return out;
}

// Digits, sign, point and exponent only: a NUL byte, "nan", "inf" or a hexadecimal number
// is no decimal number, even where strtod reads one.
bool WrittenInDecimal(const std::string& token) {
  return token.find_first_not_of("0123456789+-.eE") == std::string::npos;
}

bool ParseNumber(const std::string& token, bool integer, double* v) {
  if (!WrittenInDecimal(token)) return false;
  const char* s = token.c_str();
  char* end = nullptr;
  errno = 0;
  if (integer) {
    long long whole = std::strtoll(s, &end, 10);
    if (end && *end == '\0' && errno == 0) {
      *v = static_cast<double>(whole);
      return true;
    }
  }
  errno = 0;
  double d = std::strtod(s, &end);
  if (!end || *end != '\0' || end == s) return false;
  *v = d;
  return true;
}

bool ReadFile(const char* name, std::string* out) {
  std::FILE* f = std::fopen(name, "rb");
  if (!f) return false;
  char chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) out->append(chunk, n);
  std::fclose(f);
  return true;
}

}  // namespace

int ArrayToFile(const char* fileName, const void* array, int dataType, int numberOfElements,
                int numberOfGroups, int arrayDataOrder, int fileLayout, int columnSeparator,
                int fieldWidth, int fileType, int fileAction) {
  if (!fileName || !*fileName) return kFileOpenError;
  if (!ValidShape(dataType, numberOfElements, numberOfGroups)) return UIETooManyOrNotEnoughValues;
  if (numberOfElements > 0 && !array) return UIETooManyOrNotEnoughValues;
  std::string text;
  const void* data = array;
  size_t size = static_cast<size_t>(numberOfElements) * engine::ElementSize(dataType);
  if (fileType != VAL_BINARY) {
    text = AsciiText(array, dataType, numberOfElements, numberOfGroups, arrayDataOrder, fileLayout,
                     columnSeparator, fieldWidth);
    data = text.data();
    size = text.size();
  }
  const char* bytes = static_cast<const char*>(data);
  if (fileAction == VAL_APPEND) return WriteToFile(fileName, O_APPEND, bytes, size);
  return ReplaceFile(fileName, bytes, size);
}

int FileToArray(const char* fileName, void* array, int dataType, int numberOfElements,
                int numberOfGroups, int arrayDataOrder, int fileLayout, int fileType) {
  if (!fileName || !*fileName) return kFileOpenError;
  if (!ValidShape(dataType, numberOfElements, numberOfGroups)) return UIETooManyOrNotEnoughValues;
  if (numberOfElements > 0 && !array) return UIETooManyOrNotEnoughValues;
  std::string content;
  if (!ReadFile(fileName, &content)) return kFileOpenError;
  const size_t count = static_cast<size_t>(numberOfElements);
  if (fileType == VAL_BINARY) {
    size_t size = count * engine::ElementSize(dataType);
    if (content.size() < size) return kFileReadError;
    std::memcpy(array, content.data(), size);
    return 0;
  }
  if (content.find('\0') != std::string::npos) return kFileReadError;  // damaged, not text
  std::vector<std::string> tokens = Tokens(content, count);
  if (tokens.size() < count) return kFileReadError;
  bool integer = dataType != VAL_FLOAT && dataType != VAL_DOUBLE;
  std::vector<double> values(count);
  for (size_t k = 0; k < count; ++k)
    if (!ParseNumber(tokens[k], integer, &values[k])) return kFileReadError;
  // Only a complete, valid read changes the caller's array.
  long perGroup = numberOfElements / numberOfGroups;
  bool columns = fileLayout == VAL_GROUPS_AS_COLUMNS;
  for (size_t k = 0; k < count; ++k) {
    long kk = static_cast<long>(k);
    int g = static_cast<int>(columns ? kk % numberOfGroups : kk / perGroup);
    long i = columns ? kk / numberOfGroups : kk % perGroup;
    engine::StoreElement(array, dataType,
                         ArrayIndex(g, i, numberOfGroups, perGroup, arrayDataOrder), values[k]);
  }
  return 0;
}

int TruncateFile(const char* fileName, long size) {
  return fileName && truncate(fileName, size) == 0 ? 0 : kFileWriteError;
}

int GetFileInfo(const char* fileName, long* fileSize) {
  struct stat st {};
  bool exists = fileName && stat(fileName, &st) == 0 && S_ISREG(st.st_mode);
  if (fileSize) *fileSize = exists ? static_cast<long>(st.st_size) : 0;
  return exists ? 1 : 0;
}

int DeleteFile(const char* fileName) {
  if (!fileName || !*fileName) return -1;
  if (std::remove(fileName) == 0) return 0;
  return errno == ENOENT ? -1 : -6;  // not found / access denied
}

int MakePathname(const char* directory, const char* fileName, char* pathName) {
  if (!pathName) return -1;
  std::string path = JoinPath(directory ? directory : "", fileName ? fileName : "");
  if (path.size() >= static_cast<size_t>(kMaxPath)) {
    pathName[0] = '\0';  // a cut path would name another file
    return -1;
  }
  engine::CopyOut(path, pathName, kMaxPath);
  return 0;
}

void SetProjectDir(const std::string& directory) {
  g_projectDir = directory;
}

void SetProgramDir(const std::string& directory) {
  g_programDir = directory;
}

int GetProjectDir(char* directory) {
  if (!directory) return -1;
  std::string dir = g_projectDir.empty() ? DefaultProjectDir() : g_projectDir;
  if (dir.size() >= static_cast<size_t>(kMaxPath)) {
    directory[0] = '\0';
    return -1;
  }
  engine::CopyOut(dir, directory, kMaxPath);
  return 0;
}

int FindProgramFile(const char* fileName, char* pathName) {
  if (!pathName) return -1;
  const std::string name = fileName ? fileName : "";
  const std::string programDir = ProgramDir();
  const std::string candidates[] = {JoinPath(programDir, name),
                                    JoinPath(InstalledDataDir(programDir), name),
                                    JoinPath(QROX_DATA_DIR, name)};
  pathName[0] = '\0';  // a cut path would name another file
  for (size_t i = 0; i < std::size(candidates); ++i) {
    if (candidates[i].size() < static_cast<size_t>(kMaxPath) && IsFile(candidates[i])) {
      engine::CopyOut(candidates[i], pathName, kMaxPath);
      return i == 0 ? 1 : 2;
    }
  }
  if (candidates[0].size() < static_cast<size_t>(kMaxPath))
    engine::CopyOut(candidates[0], pathName, kMaxPath);
  return 0;
}
