// Start-up, shut-down and the shared array routines.
#pragma once

#include <string>

void InitVars();
void InitGUI();
int CC_PANEL(int panel, int event, void* callbackData, int eventData1, int eventData2);
int CC_POPUP(int panel, int event, void* callbackData, int eventData1, int eventData2);
int Copy1D(const double* in, int n, double* out);
int Shift(const double* in, int n, int shift, double* out);

struct PortEntry;
// The serial-port drop-down's text for a port: its number, its device and what the system
// knows about it (USB product, serial number, by-id name) (portlist.cpp).
std::string PortLabel(const PortEntry& port);
// Puts every port of the port table into the serial-port drop-down.
void FillPortList();

// Loads the five panels (step 2 of start-up). Returns 0, or -1 if any panel fails.
int LoadAllPanels(const char* uirPath);
// Installs every control and panel callback.
void InstallCallbacks();
// Start-up steps 3 to 7: program directory, InitVars, InitRS232, InitGUI, show panels.
// 1 when the sensor answered the echo check.
int StartUp();
// Step 9: close the port and discard the panels.
void ShutDown();
