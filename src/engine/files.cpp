// Array files (text and binary), file information and path names.
#include <sys/stat.h>
#include <unistd.h>

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

int WriteAll(std::FILE* f, const void* data, size_t size) {
  bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
  ok = std::fflush(f) == 0 && ok && !std::ferror(f);
  bool closed = std::fclose(f) == 0;
  return ok && closed ? 0 : kFileWriteError;
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

bool ParseNumber(const std::string& token, bool integer, double* v) {
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
  std::FILE* f = std::fopen(fileName, fileAction == VAL_APPEND ? "ab" : "wb");
  if (!f) return kFileOpenError;
  return WriteAll(f, data, size);
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
  std::string dir = directory ? directory : "";
  std::string path = dir;
  if (!dir.empty() && dir.back() != '/') path += '/';
  path += fileName ? fileName : "";
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

int GetProjectDir(char* directory) {
  if (!directory) return -1;
  std::string dir = g_projectDir;
  if (dir.empty()) {
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n > 0) {
      dir.assign(exe, static_cast<size_t>(n));
      size_t slash = dir.rfind('/');
      dir = slash == 0 ? "/" : dir.substr(0, slash);
    } else {
      dir = ".";
    }
  }
  if (dir.size() >= static_cast<size_t>(kMaxPath)) {
    directory[0] = '\0';
    return -1;
  }
  engine::CopyOut(dir, directory, kMaxPath);
  return 0;
}
