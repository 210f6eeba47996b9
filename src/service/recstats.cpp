// The figures of a recorder file: count, mean, standard deviation, min, max and
// peak-to-peak of its five columns, and the process capability of one of them. The file
// is read in one go and its numbers parsed in place (a million lines in well under a
// second).
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "service/batch.h"
#include "service/jsonresult.h"
#include "service/statistics.h"

const char* const kRecorderColumnNames[kRecorderColumns] = {"E-LEFT", "E-RIGHT", "M-VALUE", "EDGES",
                                                            "M-VAL[um]"};

namespace {

// The beginnings of header lines 1 to 6 (the micro sign of lines 5 and 6 is left out: it
// is one byte in the tool's files, two in UTF-8) and the column header, line 7.
const char* const kHeaderLabels[] = {
    "Date:",          "Time:",        "Time-Increment[s]:", "Number of Samples:",
    "Offset-Value [", "Slope-Value ["};
constexpr std::string_view kColumnHeader = "E-LEFT\tE-RIGHT\tM-VALUE\tEDGES\tM-VAL[um]";
constexpr int kHeaderLines = 7;

// The next line of `text` from *at without its line end (CR LF or LF); *at moves past it.
std::string_view NextLine(std::string_view text, size_t* at) {
  const size_t end = text.find('\n', *at);
  std::string_view line = text.substr(*at, end == std::string_view::npos ? end : end - *at);
  *at = end == std::string_view::npos ? text.size() : end + 1;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

// Five whole numbers separated by single tabs.
bool ParseRecord(std::string_view line, long long values[kRecorderColumns]) {
  const char* p = line.data();
  const char* end = line.data() + line.size();
  for (int i = 0; i < kRecorderColumns; ++i) {
    if (i > 0) {
      if (p == end || *p != '\t') return false;
      ++p;
    }
    const auto [next, ec] = std::from_chars(p, end, values[i]);
    if (ec != std::errc() || next == p) return false;
    p = next;
  }
  return p == end;
}

std::string LineError(const std::string& path, long line, const std::string& what) {
  return path + " line " + std::to_string(line) + ": " + what;
}

bool ReadWholeFile(const std::string& path, std::string* text) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return false;
  const auto size = std::filesystem::file_size(path, error);
  std::ifstream in(path, std::ios::binary);
  if (error || !in) return false;
  text->resize(static_cast<size_t>(size));
  return static_cast<bool>(in.read(text->data(), static_cast<std::streamsize>(size)));
}

}  // namespace

int ReadRecorderFile(const std::string& path, bool countValues, RecorderFileStats* stats,
                     std::string* error) {
  std::string content;
  if (!ReadWholeFile(path, &content)) {
    *error = path + ": cannot read the file";
    return -1;
  }
  const std::string_view text = content;
  size_t at = 0;
  for (long n = 1; n <= kHeaderLines; ++n) {
    const std::string_view line = at < text.size() ? NextLine(text, &at) : std::string_view();
    const bool columns = n == kHeaderLines;
    const std::string_view expected = columns ? kColumnHeader : kHeaderLabels[n - 1];
    if (columns ? line != expected : line.substr(0, expected.size()) != expected) {
      *error = LineError(path, n,
                         "not a recorder file (\"" + std::string(expected) +
                             (columns ? "\" expected)" : "...\" expected)"));
      return -1;
    }
  }
  *stats = RecorderFileStats{};
  long long values[kRecorderColumns];
  for (long n = kHeaderLines + 1; at < text.size(); ++n) {
    const std::string_view line = NextLine(text, &at);
    if (line.empty() && text.find_first_not_of("\r\n", at) == std::string_view::npos) break;
    if (!ParseRecord(line, values)) {
      *error = LineError(path, n,
                         "damaged record line (five whole numbers separated by tabs "
                         "expected)");
      return -1;
    }
    for (int i = 0; i < kRecorderColumns; ++i)
      stats->columns[i].Add(static_cast<double>(values[i]));
    if (countValues) ++stats->valueCounts[values[COL_M_VALUE]];
    ++stats->count;
  }
  if (stats->count == 0) {
    *error = LineError(path, kHeaderLines, "no record lines after the column header");
    return -1;
  }
  return 0;
}

namespace {

// A number as JSON: the shortest text that reads back as the same double.
struct Limits {
  bool given = false;
  double low = 0.0, high = 0.0;
};

// "LOW,HIGH" with LOW below HIGH.
bool ParseLimits(const std::string& text, Limits* limits) {
  char* end = nullptr;
  limits->low = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || *end != ',') return false;
  const char* high = end + 1;
  limits->high = std::strtod(high, &end);
  limits->given = true;
  return end != high && *end == '\0' && limits->low < limits->high;
}

int ColumnIndex(const std::string& name) {
  for (int i = 0; i < kRecorderColumns; ++i)
    if (name == kRecorderColumnNames[i]) return i;
  return -1;
}

// The figures as keys of the action's JSON result: the file, the count, an object per
// column and, with limits, the column, the limits, Cp and Cpk (null without a spread).
void SetJson(const BatchJob& job, const RecorderFileStats& s, int column, const Limits& limits) {
  JsonResultSet("file", QString::fromStdString(job.file));
  JsonResultSet("count", static_cast<qint64>(s.count));
  for (int i = 0; i < kRecorderColumns; ++i) {
    const RunningStats& c = s.columns[i];
    JsonResultSet(kRecorderColumnNames[i], QJsonObject{{"mean", c.mean},
                                                       {"sd", c.Sd()},
                                                       {"min", c.min},
                                                       {"max", c.max},
                                                       {"pp", c.PeakToPeak()}});
  }
  if (!limits.given) return;
  const Capability cap = CapabilityOf(s.columns[column], limits.low, limits.high);
  JsonResultSet("column", kRecorderColumnNames[column]);
  JsonResultSet("limits", QJsonArray{limits.low, limits.high});
  JsonResultSet("cp", cap.valid ? QJsonValue(cap.cp) : QJsonValue());
  JsonResultSet("cpk", cap.valid ? QJsonValue(cap.cpk) : QJsonValue());
}

void PrintText(const BatchJob& job, const RecorderFileStats& s, int column, const Limits& limits) {
  std::printf("%s: %ld records\n", job.file.c_str(), s.count);
  std::printf("%-10s %14s %12s %11s %11s %11s\n", "COLUMN", "MEAN", "SD", "MIN", "MAX", "P-P");
  for (int i = 0; i < kRecorderColumns; ++i) {
    const RunningStats& c = s.columns[i];
    std::printf("%-10s %14.4f %12.4f %11.0f %11.0f %11.0f\n", kRecorderColumnNames[i], c.mean,
                c.Sd(), c.min, c.max, c.PeakToPeak());
  }
  if (!limits.given) return;
  const Capability cap = CapabilityOf(s.columns[column], limits.low, limits.high);
  if (cap.valid)
    std::printf("%s: Cp %.4f  Cpk %.4f  (LSL %g, USL %g)\n", kRecorderColumnNames[column], cap.cp,
                cap.cpk, limits.low, limits.high);
  else
    std::printf("%s: Cp and Cpk need two values with a spread (LSL %g, USL %g)\n",
                kRecorderColumnNames[column], limits.low, limits.high);
}

// The reason on stderr and in the JSON result; the exit code of a file or option error.
int Refused(const std::string& reason) {
  std::fprintf(stderr, "qrox: %s\n", reason.c_str());
  JsonResultSet("error", QString::fromStdString(reason));
  return BATCH_LINE_ERROR;
}

}  // namespace

int PrintRecorderFileStats(const BatchJob& job) {
  const int column = ColumnIndex(job.column);
  if (column < 0) {
    return Refused("--column is one of E-LEFT, E-RIGHT, M-VALUE, EDGES, M-VAL[um]");
  }
  Limits limits;
  if (!job.limits.empty() && !ParseLimits(job.limits, &limits)) {
    return Refused("--limits LOW,HIGH needs two numbers, LOW below HIGH");
  }
  RecorderFileStats stats;
  std::string error;
  if (ReadRecorderFile(job.file, false, &stats, &error) < 0) return Refused(error);
  PrintText(job, stats, column, limits);  // on stderr with --json
  SetJson(job, stats, column, limits);
  return BATCH_OK;
}
