// What the installer needs of the platform, and nothing more. The logic reaches
// Windows only through these functions: installer_platform-win32.cc implements them
// with SetupAPI, newdev, kernel32 and the C runtime; the unit tests script a fake.
//
// Text is UTF-16 (char16_t), as the platform's wide functions take it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// An open list of present devices; kNoDeviceList when it could not be opened.
using DeviceList = std::uintptr_t;
inline constexpr DeviceList kNoDeviceList = ~DeviceList{0};

// The platform's per-device record as the 32-bit platform lays it out: a size field
// that must be kDeviceRecordSize before the first enumeration, then data that only
// the platform reads.
inline constexpr std::uint32_t kDeviceRecordSize = 28;
struct DeviceRecord {
  std::uint32_t Size;
  unsigned char PlatformData[kDeviceRecordSize - sizeof(std::uint32_t)];
};

// Last-error codes that the device search tells apart.
inline constexpr std::uint32_t kErrorInvalidData = 13;
inline constexpr std::uint32_t kErrorInsufficientBuffer = 122;

// The framework's start-up; also keeps the platform's critical-error and open-file
// message boxes off for the run. False when it fails.
bool StartFramework();

// True when something named by the path (file or folder) exists.
bool PathExists(const char16_t* path);

// Hands a command text to the command interpreter and waits for it; the result is
// the interpreter's exit status, or -1 when none could be started.
int RunCommand(const char* command);

// Writes wide text to standard output in one piece. Leaves the last-error code as it
// was, so a failure's code survives the line that reports it.
void WriteOutput(std::u16string_view text);

std::uint32_t GetLastErrorCode();
void SetLastErrorCode(std::uint32_t code);

// Opens the list of the devices present now, of every setup class; kNoDeviceList
// with the last-error code set on failure.
DeviceList OpenPresentDeviceList();
// Fills the record for the device at the index; false with a non-zero last-error
// code past the last device or on any other failure.
bool EnumerateDevice(DeviceList list, std::uint32_t index, DeviceRecord* record);
// Reads the device's hardware-ID list into the buffer. True with the last-error code
// 0 on success. False with kErrorInsufficientBuffer and *required set when the buffer
// is missing or too small, kErrorInvalidData when the device has no such list, or
// another code on any other failure.
bool ReadHardwareIds(DeviceList list, DeviceRecord* record, void* buffer, std::uint32_t size,
                     std::uint32_t* required);
void CloseDeviceList(DeviceList list);

// Forces the installation of the INF file's driver for the hardware ID; false with
// the last-error code set on failure.
bool ForceDriverUpdate(const char16_t* hardware_id, const char16_t* inf_path);

// The system's text for a code: its length in code units (0 when there is none) and
// in *text a block to release with FreeBlock. Insert sequences such as %1 are left in
// the text as they are.
std::uint32_t SystemMessage(std::uint32_t code, char16_t** text);

// A zero-filled block, or nullptr with the last-error code set. FreeBlock releases it
// (and the text of SystemMessage) and leaves the last-error code as it was.
void* AllocateZeroedBlock(std::size_t size);
void FreeBlock(void* block);
