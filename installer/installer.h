// The driver installer `Setup`: the fixed device table, the per-row device search and
// forced driver update, the failure report, and the run that ties them together.
#pragma once

#include <cstddef>

struct DeviceTableRow {
  const char16_t* InfPath;     // relative to the kit folder, the current folder
  const char16_t* HardwareId;  // matched against a present device's first hardware ID
};

inline constexpr std::size_t kDeviceTableRows = 12;
extern const DeviceTableRow DeviceTable[kDeviceTableRows];

// Run after the table: copy the kit's libraries and controls into the system folder,
// then register the two controls. "%windir%" is left for the interpreter to expand.
inline constexpr std::size_t kClosingCommandCount = 4;
extern const char* const ClosingCommands[kClosingCommandCount];

// The whole run of Setup; the result is the process exit code.
int RunInstaller();

// Announces the row's INF file and, when a present device carries the hardware ID
// first, forces the INF's driver on it. 0 when no update was tried or it succeeded,
// 2 when the installation failed.
int UpdateDeviceDriver(const char16_t* hardware_id, const char16_t* inf_path);

// True when a present device's first hardware ID equals the one sought, exactly.
bool SearchPresentDevice(const char16_t* hardware_id);

// Prints "<operation> FAILURE: <system text>" for the thread's last-error code and
// leaves that code in place for the caller. Always 0.
int ReportFailure(const char16_t* operation);
