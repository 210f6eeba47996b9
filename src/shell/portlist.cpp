// The serial-port drop-down: every port of the port table under a name a person
// recognises.
#include <filesystem>

#include "engine/engine.h"
#include "shell/globals.h"
#include "shell/shell.h"

std::string PortLabel(const PortEntry& port) {
  std::string label = "COM" + std::to_string(port.number) + ": " + port.device;
  if (!port.description.empty() && port.description != port.device)
    label += " - " + port.description;
  if (!port.serialNumber.empty()) label += ", S/N " + port.serialNumber;
  if (!port.byId.empty() && port.byId != port.device)
    label += " [" + std::filesystem::path(port.byId).filename().string() + "]";
  return label;
}

void FillPortList() {
  const std::vector<PortEntry> ports = GetPortTable();
  ClearListCtrl(pHandle, MAIN_COMPORT);
  for (size_t i = 0; i < ports.size(); ++i)
    ReplaceListItem(pHandle, MAIN_COMPORT, static_cast<int>(i), PortLabel(ports[i]).c_str(),
                    ports[i].number);
  SetCtrlVal(pHandle, MAIN_COMPORT, com);
}
