// Error codes of the serial subsystem. 0 is success; failures are negative and their absolute
// value is the identifier of the message in the error message table. Operating-system I/O
// errors (2..162) travel negated.
#pragma once

#include <cstdint>

enum : int32_t {
  ecOK = 0,

  // operating-system errors, negated (Win32 numbering on every platform)
  ecFileNotFound = -2,
  ecPathNotFound = -3,
  ecTooManyFiles = -4,
  ecAccessDenied = -5,
  ecInvalidHandle = -6,
  ecOutOfMemory = -8,

  // general
  ecBadHandle = -1001,
  ecBadArgument = -1002,
  ecGotQuitMsg = -1003,
  ecBufferTooBig = -1004,
  ecPortNotAssigned = -1005,
  ecInternal = -1006,
  ecModemNotAssigned = -1007,
  ecPhonebookNotAssigned = -1008,
  ecCannotUseWithWinSock = -1009,

  // opening a port
  ecBadId = -2001,
  ecBaudRate = -2002,
  ecByteSize = -2003,
  ecDefault = -2004,
  ecHardware = -2005,
  ecMemory = -2006,
  ecCommNotOpen = -2007,
  ecAlreadyOpen = -2008,
  ecNoHandles = -2009,
  ecNoTimers = -2010,
  ecNoPortSelected = -2011,
  ecNotOpenedByTapi = -2012,

  // serial I/O, buffers, trace and log
  ecNullApi = -3001,
  ecNotSupported = -3002,
  ecRegisterHandlerFailed = -3003,
  ecPutBlockFail = -3004,
  ecGetBlockFail = -3005,
  ecOutputBufferTooSmall = -3006,
  ecBufferIsEmpty = -3007,
  ecTracingNotEnabled = -3008,
  ecLoggingNotEnabled = -3009,
  ecBaseAddressNotSet = -3010,

  // triggers
  ecNoMoreTriggers = -5001,
  ecTriggerTooLong = -5002,
  ecBadTriggerHandle = -5003,
};
