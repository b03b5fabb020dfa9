// The parts of the Windows system facts that are plain text handling, apart from the calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A text the system wrote into a wide buffer of `capacity` characters: what stands before the
// first terminator (or the whole buffer when there is none), in CP1252 with '?' for characters
// CP1252 lacks. The wide calls are used because the narrow ones answer in the system's ANSI code
// page, which is CP1252 only on western systems.
std::string WideBufferText(const wchar_t* buffer, size_t capacity);

// The dispatch log's description of the system: the platform's name, the version and the
// service pack, at most 80 characters ("Windows NT 10.0 ", "Windows NT 6.1 Service Pack 1").
std::string WindowsDescription(uint32_t platformId, uint32_t major, uint32_t minor,
                               const std::string& servicePack);

// The running program's full path as the system gives it, whatever its length; empty when the
// system cannot say.
std::wstring ProgramPath();

// The running program's file as a platform file name (UTF-8, platform/FileName.h), whatever
// characters its folder holds.
std::string ProgramFileName();
