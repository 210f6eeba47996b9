// Date and time texts and the protocol trace.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "engine/engine_internal.h"

namespace {

bool g_fixed = false;
std::tm g_fixedTime{};
std::FILE* g_trace = nullptr;
std::string g_tracePath;

std::tm Now() {
  if (g_fixed) return g_fixedTime;
  std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  return local;
}

// A trace that cannot be written (a full disk) ends, and says so once.
void EndFailedTrace() {
  std::fprintf(stderr, "cannot write trace file %s (%s): trace ended\n", g_tracePath.c_str(),
               std::strerror(errno));
  std::fclose(g_trace);
  g_trace = nullptr;
}

}  // namespace

const char* DateStr() {
  static char text[48];
  std::tm t = Now();
  std::snprintf(text, sizeof text, "%02d-%02d-%04d", t.tm_mon + 1, t.tm_mday, t.tm_year + 1900);
  return text;
}

const char* TimeStr() {
  static char text[48];
  std::tm t = Now();
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
  return text;
}

void SetFixedDateTime(int year, int month, int day, int hour, int minute, int second) {
  g_fixed = true;
  g_fixedTime = std::tm{};
  g_fixedTime.tm_year = year - 1900;
  g_fixedTime.tm_mon = month - 1;
  g_fixedTime.tm_mday = day;
  g_fixedTime.tm_hour = hour;
  g_fixedTime.tm_min = minute;
  g_fixedTime.tm_sec = second;
}

void ClearFixedDateTime() {
  g_fixed = false;
}

void SetTraceFile(const std::string& path) {
  if (g_trace) {
    std::fclose(g_trace);
    g_trace = nullptr;
  }
  if (path.empty()) return;
  g_trace = std::fopen(path.c_str(), "a");
  g_tracePath = path;
  if (!g_trace) std::fprintf(stderr, "cannot open trace file %s\n", path.c_str());
}

void TraceText(const char* kind, const std::string& text) {
  if (!g_trace) return;
  auto now = std::chrono::system_clock::now();
  std::time_t t = std::chrono::system_clock::to_time_t(now);
  int ms = static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
  std::tm local{};
  localtime_r(&t, &local);
  std::fprintf(g_trace, "%02d:%02d:%02d.%03d %s %s\n", local.tm_hour, local.tm_min, local.tm_sec,
               ms, kind ? kind : "", text.c_str());
  if (std::fflush(g_trace) != 0 || std::ferror(g_trace)) EndFailedTrace();
}

namespace engine {

bool TraceOn() {
  return g_trace != nullptr;
}

void TraceBytes(const char* kind, const char* data, int count) {
  if (!g_trace || count <= 0) return;
  static const char digits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(static_cast<size_t>(count) * 3);
  for (int i = 0; i < count; ++i) {
    auto b = static_cast<unsigned char>(data[i]);
    if (i) hex += ' ';
    hex += digits[b >> 4];
    hex += digits[b & 15];
  }
  TraceText(kind, hex);
}

void CopyOut(const std::string& text, char* out, int size) {
  if (!out || size <= 0) return;
  size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
  text.copy(out, n);
  out[n] = '\0';
}

}  // namespace engine
