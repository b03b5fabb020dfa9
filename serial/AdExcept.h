// The exception tree of the serial subsystem and the one check that turns a failing error code
// into an exception. Error codes: 0 success, failures negative; the absolute value is the
// identifier of the message in the error message table (serial/AdErrCodes.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/Exception.h"

class TAdStringResource;
class TComponent;

class EAPDException : public Exception {
 public:
  // Stores `errorCode` and takes the message from MessageForCode.
  explicit EAPDException(int32_t errorCode);
  // Stores code 0 and the text unchanged.
  explicit EAPDException(const std::string& message);

  int32_t ErrorCode;
};

// Each class takes the constructors of its base; none adds state.
#define TARVOLIN_APD_EXCEPTION(Name, Base) \
  class Name : public Base {               \
   public:                                 \
    using Base::Base;                      \
  }

TARVOLIN_APD_EXCEPTION(EGeneral, EAPDException);
TARVOLIN_APD_EXCEPTION(EOpenComm, EAPDException);
TARVOLIN_APD_EXCEPTION(ESerialIO, EAPDException);
TARVOLIN_APD_EXCEPTION(EModem, EAPDException);
TARVOLIN_APD_EXCEPTION(ETrigger, EAPDException);
TARVOLIN_APD_EXCEPTION(EProtocol, EAPDException);
TARVOLIN_APD_EXCEPTION(EINI, EAPDException);
TARVOLIN_APD_EXCEPTION(EFax, EAPDException);
TARVOLIN_APD_EXCEPTION(ETapi, EAPDException);
TARVOLIN_APD_EXCEPTION(ERas, EAPDException);

TARVOLIN_APD_EXCEPTION(EBadArgument, EGeneral);
TARVOLIN_APD_EXCEPTION(EGotQuitMsg, EGeneral);
TARVOLIN_APD_EXCEPTION(EBufferTooBig, EGeneral);
TARVOLIN_APD_EXCEPTION(EPortNotAssigned, EGeneral);
TARVOLIN_APD_EXCEPTION(EInternal, EGeneral);
TARVOLIN_APD_EXCEPTION(EModemNotAssigned, EGeneral);
TARVOLIN_APD_EXCEPTION(EPhonebookNotAssigned, EGeneral);
TARVOLIN_APD_EXCEPTION(ECannotUseWithWinSock, EGeneral);

TARVOLIN_APD_EXCEPTION(EBadId, EOpenComm);
TARVOLIN_APD_EXCEPTION(EBaudRate, EOpenComm);
TARVOLIN_APD_EXCEPTION(EByteSize, EOpenComm);
TARVOLIN_APD_EXCEPTION(EDefault, EOpenComm);
TARVOLIN_APD_EXCEPTION(EHardware, EOpenComm);
TARVOLIN_APD_EXCEPTION(EMemory, EOpenComm);
TARVOLIN_APD_EXCEPTION(ECommNotOpen, EOpenComm);
TARVOLIN_APD_EXCEPTION(EAlreadyOpen, EOpenComm);
TARVOLIN_APD_EXCEPTION(ENoHandles, EOpenComm);
TARVOLIN_APD_EXCEPTION(ENoTimers, EOpenComm);
TARVOLIN_APD_EXCEPTION(ENoPortSelected, EOpenComm);
TARVOLIN_APD_EXCEPTION(ENotOpenedByTapi, EOpenComm);

TARVOLIN_APD_EXCEPTION(ENullApi, ESerialIO);
TARVOLIN_APD_EXCEPTION(ERegisterHandlerFailed, ESerialIO);
TARVOLIN_APD_EXCEPTION(EPutBlockFail, ESerialIO);
TARVOLIN_APD_EXCEPTION(EGetBlockFail, ESerialIO);
TARVOLIN_APD_EXCEPTION(EOutputBufferTooSmall, ESerialIO);
TARVOLIN_APD_EXCEPTION(EBufferIsEmpty, ESerialIO);
TARVOLIN_APD_EXCEPTION(ETracingNotEnabled, ESerialIO);
TARVOLIN_APD_EXCEPTION(ELoggingNotEnabled, ESerialIO);
TARVOLIN_APD_EXCEPTION(EBaseAddressNotSet, ESerialIO);

TARVOLIN_APD_EXCEPTION(EModemNotStarted, EModem);
TARVOLIN_APD_EXCEPTION(EModemBusy, EModem);
TARVOLIN_APD_EXCEPTION(EModemNotDialing, EModem);
TARVOLIN_APD_EXCEPTION(EModemNotResponding, EModem);
TARVOLIN_APD_EXCEPTION(EModemRejectedCommand, EModem);
TARVOLIN_APD_EXCEPTION(EModemStatusMismatch, EModem);
TARVOLIN_APD_EXCEPTION(EAlreadyDialing, EModem);
TARVOLIN_APD_EXCEPTION(ENotDialing, EModem);

TARVOLIN_APD_EXCEPTION(ENoMoreTriggers, ETrigger);
TARVOLIN_APD_EXCEPTION(ETriggerTooLong, ETrigger);
TARVOLIN_APD_EXCEPTION(EBadTriggerHandle, ETrigger);

TARVOLIN_APD_EXCEPTION(EKeyTooLong, EINI);
TARVOLIN_APD_EXCEPTION(EDataTooLarge, EINI);
TARVOLIN_APD_EXCEPTION(EIniWrite, EINI);
TARVOLIN_APD_EXCEPTION(EIniRead, EINI);
TARVOLIN_APD_EXCEPTION(ERecordExists, EINI);
TARVOLIN_APD_EXCEPTION(ERecordNotFound, EINI);
TARVOLIN_APD_EXCEPTION(EDatabaseFull, EINI);
TARVOLIN_APD_EXCEPTION(EDatabaseEmpty, EINI);
TARVOLIN_APD_EXCEPTION(EBadFieldList, EINI);
TARVOLIN_APD_EXCEPTION(EBadFieldForIndex, EINI);

TARVOLIN_APD_EXCEPTION(EFaxBadFormat, EFax);
TARVOLIN_APD_EXCEPTION(EBadGraphicsFormat, EFax);
TARVOLIN_APD_EXCEPTION(EConvertAbort, EFax);
TARVOLIN_APD_EXCEPTION(EUnpackAbort, EFax);
TARVOLIN_APD_EXCEPTION(ECantMakeBitmap, EFax);
TARVOLIN_APD_EXCEPTION(EInvalidPageNumber, EFax);
TARVOLIN_APD_EXCEPTION(EFaxBadMachine, EFax);
TARVOLIN_APD_EXCEPTION(EFaxBadModemResult, EFax);
TARVOLIN_APD_EXCEPTION(EFaxTrainError, EFax);
TARVOLIN_APD_EXCEPTION(EFaxInitError, EFax);
TARVOLIN_APD_EXCEPTION(EFaxBusy, EFax);
TARVOLIN_APD_EXCEPTION(EFaxVoiceCall, EFax);
TARVOLIN_APD_EXCEPTION(EFaxDataCall, EFax);
TARVOLIN_APD_EXCEPTION(EFaxNoDialTone, EFax);
TARVOLIN_APD_EXCEPTION(EFaxNoCarrier, EFax);
TARVOLIN_APD_EXCEPTION(EFaxSessionError, EFax);
TARVOLIN_APD_EXCEPTION(EFaxPageError, EFax);

TARVOLIN_APD_EXCEPTION(ETapiAllocated, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiBadDeviceID, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiBearerModeUnavail, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiCallUnavail, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiCompletionOverrun, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiConferenceFull, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiDialBilling, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiDialDialtone, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiDialPrompt, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiDialQuiet, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiIncompatibleApiVersion, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiIncompatibleExtVersion, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiIniFileCorrupt, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInUse, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalAddress, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalAddressID, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalAddressMode, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalAddressState, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalAppHandle, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalAppName, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalBearerMode, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalCallComplMode, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalCallHandle, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalCallParams, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalCallPrivilege, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalCallSelect, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalCallState, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalCallStatelist, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalCard, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalCompletionID, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalConfCallHandle, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalConsultCallHandle, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalCountryCode, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalDeviceClass, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalDeviceHandle, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalDialParams, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalDigitList, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalDigitMode, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalDigits, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalExtVersion, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalGroupID, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalLineHandle, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalLineState, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalLocation, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalMediaList, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalMediaMode, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalMessageID, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalParam, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalParkID, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalParkMode, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalPointer, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalPrivSelect, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalRate, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalRequestMode, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalTerminalID, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalTerminalMode, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalTimeout, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalTone, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalToneList, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalToneMode, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalTransferMode, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiLineMapperFailed, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiNoConference, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiNoDevice, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiNoDriver, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiNoMem, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiNoRequest, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiNotOwner, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiNotRegistered, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiOperationFailed, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiOperationUnavail, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiRateUnavail, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiResourceUnavail, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiRequestOverrun, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiStructureTooSmall, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiTargetNotFound, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiTargetSelf, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiUninitialized, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiUserUserInfoTooBig, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiReinit, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiAddressBlocked, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiBillingRejected, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiInvalFeature, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiNoMultipleInstance, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiBusy, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiNotSet, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiNoSelect, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiLoadFail, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiGetAddrFail, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiVoiceNotSupported, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiWaveFail, ETapi);
TARVOLIN_APD_EXCEPTION(ETapiTranslateFail, ETapi);

TARVOLIN_APD_EXCEPTION(ERasLoadFail, ERas);

#undef TARVOLIN_APD_EXCEPTION

// The message text of an error code: the code as a signed 16-bit value, its absolute value looked
// up in the error message table and cut to 255 characters; when the table's text is empty, the
// operating system's text for that number cleaned by CleanSystemMessage; otherwise "".
std::string MessageForCode(int32_t code);
// The same over another table.
std::string MessageForCode(const TAdStringResource& table, int32_t code);

// Characters below 0x20 become blanks, then of two blanks in a row the first is deleted until
// none are left; cut to 255 characters. A text ending in a line break thus ends in one blank.
std::string CleanSystemMessage(std::string_view text);

// The central check of every port operation. Returns a zero or positive code, and any code while
// `component` is being loaded, unchanged. Otherwise raises: the class that belongs to the code;
// for -2..-162 EInOutError with the code's message and its positive value (-8: EOutOfMemory);
// for any other code a plain EAPDException("Apro exception") with error code 0.
int32_t RaiseOnErrorCode(const TComponent* component, int32_t code);
