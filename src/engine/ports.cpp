// The port table: which device each port number means, with what the system knows about
// it (stable by-id name, USB product, serial number). Numbers are kept for the whole run.
#include <QSerialPortInfo>
#include <algorithm>
#include <filesystem>
#include <map>
#include <system_error>

#include "engine/engine_internal.h"

namespace fs = std::filesystem;

namespace {

PortSource g_source;                  // nullptr: the system's ports
std::string g_byIdDir;                // "" = /dev/serial/by-id
std::map<std::string, int> g_number;  // identity of a detected device -> its number
std::map<int, PortEntry> g_assigned;  // numbers set with SetPortDevice

std::vector<SystemPort> SystemPorts() {
  std::vector<SystemPort> out;
  for (const auto& info : QSerialPortInfo::availablePorts()) {
    SystemPort p;
    p.device = info.systemLocation().toStdString();
    p.description = info.description().toStdString();
    p.manufacturer = info.manufacturer().toStdString();
    p.serialNumber = info.serialNumber().toStdString();
    out.push_back(p);
  }
  return out;
}

// by-id path for every device the by-id directory points at.
std::map<std::string, std::string> ByIdNames() {
  std::map<std::string, std::string> out;
  std::error_code ec;
  fs::directory_iterator it(g_byIdDir.empty() ? "/dev/serial/by-id" : g_byIdDir, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const std::string target = engine::ResolveDevice(it->path().string());
    auto& name = out[target];
    if (name.empty() || it->path().string() < name) name = it->path().string();
  }
  return out;
}

// What identifies a device across unplugging: its by-id name, else its serial number,
// else its path.
std::string Identity(const PortEntry& e) {
  if (!e.byId.empty()) return "id:" + e.byId;
  if (!e.serialNumber.empty()) return "sn:" + e.serialNumber;
  return "dev:" + e.device;
}

int NextFreeNumber() {
  int n = 1;
  for (const auto& [key, number] : g_number) n = std::max(n, number + 1);
  for (const auto& [number, e] : g_assigned) n = std::max(n, number + 1);
  return n;
}

// The system's ports with their numbers, in the order of their paths for ports first seen
// together.
std::vector<PortEntry> DetectedPorts() {
  std::vector<SystemPort> ports = g_source ? g_source() : SystemPorts();
  std::sort(ports.begin(), ports.end(),
            [](const SystemPort& a, const SystemPort& b) { return a.device < b.device; });
  const auto byId = ByIdNames();
  std::vector<PortEntry> out;
  for (const auto& p : ports) {
    PortEntry e;
    e.device = p.device;
    e.description = p.description.empty() ? p.manufacturer : p.description;
    e.serialNumber = p.serialNumber;
    auto found = byId.find(engine::ResolveDevice(p.device));
    if (found != byId.end()) e.byId = found->second;
    auto [it, added] = g_number.emplace(Identity(e), 0);
    if (added) it->second = NextFreeNumber();
    e.number = it->second;
    out.push_back(e);
  }
  return out;
}

}  // namespace

namespace engine {

std::string ResolveDevice(const std::string& path) {
  std::error_code ec;
  fs::path real = fs::canonical(path, ec);
  return ec ? path : real.string();
}

}  // namespace engine

void SetPortSource(PortSource source) {
  g_source = std::move(source);
  g_number.clear();
}

void SetSerialByIdDir(const std::string& directory) {
  g_byIdDir = directory;
}

std::vector<PortEntry> GetPortTable() {
  std::map<int, PortEntry> table;
  const std::vector<PortEntry> detected = DetectedPorts();
  for (const auto& e : detected) table[e.number] = e;
  for (const auto& [number, given] : g_assigned) {
    PortEntry e = given;
    // A device given for a number is listed once, with what the system knows about it.
    const std::string real = engine::ResolveDevice(e.device);
    for (const auto& d : detected) {
      if (engine::ResolveDevice(d.device) != real) continue;
      auto listed = table.find(d.number);
      if (listed != table.end() && listed->second.device == d.device) table.erase(listed);
      e.byId = d.byId;
      e.serialNumber = d.serialNumber;
    }
    table[number] = e;
  }
  std::vector<PortEntry> out;
  for (auto& [number, e] : table) out.push_back(e);
  return out;
}

void SetPortDevice(int portNumber, const std::string& device, const std::string& description) {
  if (portNumber < 1) return;
  if (device.empty()) {
    g_assigned.erase(portNumber);
    return;
  }
  PortEntry e;
  e.number = portNumber;
  e.device = device;
  e.description = description;
  g_assigned[portNumber] = e;
}

std::string GetPortDevice(int portNumber) {
  auto it = g_assigned.find(portNumber);
  if (it != g_assigned.end()) return it->second.device;
  for (const auto& e : DetectedPorts())
    if (e.number == portNumber) return e.device;
  return {};
}
