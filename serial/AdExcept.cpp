#include "serial/AdExcept.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

#include "base/Component.h"
#include "serial/AdErrCodes.h"
#include "serial/AdOsText.h"
#include "serial/AdSrMgr.h"

namespace {

constexpr size_t kMaxMessageLength = 255;

template <class E>
[[noreturn]] void Raise(int32_t code) {
  throw E(code);
}

struct CodeClass {
  int32_t code;
  void (*raise)(int32_t);
};

// Codes that have a class of their own, sorted by code (most negative first).
constexpr CodeClass kCodeClasses[] = {
    {-13980, &Raise<ERasLoadFail>},
    {-13942, &Raise<ETapiTranslateFail>},
    {-13936, &Raise<ETapiWaveFail>},
    {-13935, &Raise<ETapiVoiceNotSupported>},
    {-13932, &Raise<ETapiGetAddrFail>},
    {-13931, &Raise<ETapiLoadFail>},
    {-13930, &Raise<ETapiNoSelect>},
    {-13929, &Raise<ETapiNotSet>},
    {-13928, &Raise<ETapiBusy>},
    {-13886, &Raise<ETapiNoMultipleInstance>},
    {-13885, &Raise<ETapiInvalFeature>},
    {-13884, &Raise<ETapiBillingRejected>},
    {-13883, &Raise<ETapiAddressBlocked>},
    {-13882, &Raise<ETapiReinit>},
    {-13881, &Raise<ETapiUserUserInfoTooBig>},
    {-13880, &Raise<ETapiUninitialized>},
    {-13879, &Raise<ETapiTargetSelf>},
    {-13878, &Raise<ETapiTargetNotFound>},
    {-13877, &Raise<ETapiStructureTooSmall>},
    {-13876, &Raise<ETapiRequestOverrun>},
    {-13875, &Raise<ETapiResourceUnavail>},
    {-13874, &Raise<ETapiRateUnavail>},
    {-13873, &Raise<ETapiOperationUnavail>},
    {-13872, &Raise<ETapiOperationFailed>},
    {-13871, &Raise<ETapiNotRegistered>},
    {-13870, &Raise<ETapiNotOwner>},
    {-13869, &Raise<ETapiNoRequest>},
    {-13868, &Raise<ETapiNoMem>},
    {-13867, &Raise<ETapiNoDriver>},
    {-13866, &Raise<ETapiNoDevice>},
    {-13865, &Raise<ETapiNoConference>},
    {-13864, &Raise<ETapiLineMapperFailed>},
    {-13863, &Raise<ETapiInvalTransferMode>},
    {-13862, &Raise<ETapiInvalToneMode>},
    {-13861, &Raise<ETapiInvalToneList>},
    {-13860, &Raise<ETapiInvalTone>},
    {-13859, &Raise<ETapiInvalTimeout>},
    {-13858, &Raise<ETapiInvalTerminalMode>},
    {-13857, &Raise<ETapiInvalTerminalID>},
    {-13856, &Raise<ETapiInvalRequestMode>},
    {-13855, &Raise<ETapiInvalRate>},
    {-13854, &Raise<ETapiInvalPrivSelect>},
    {-13853, &Raise<ETapiInvalPointer>},
    {-13852, &Raise<ETapiInvalParkMode>},
    {-13851, &Raise<ETapiInvalParkID>},
    {-13850, &Raise<ETapiInvalParam>},
    {-13848, &Raise<ETapiInvalMessageID>},
    {-13847, &Raise<ETapiInvalMediaMode>},
    {-13846, &Raise<ETapiInvalMediaList>},
    {-13845, &Raise<ETapiInvalLocation>},
    {-13844, &Raise<ETapiInvalLineState>},
    {-13843, &Raise<ETapiInvalLineHandle>},
    {-13842, &Raise<ETapiInvalGroupID>},
    {-13841, &Raise<ETapiInvalExtVersion>},
    {-13840, &Raise<ETapiInvalDigits>},
    {-13839, &Raise<ETapiInvalDigitMode>},
    {-13838, &Raise<ETapiInvalDigitList>},
    {-13837, &Raise<ETapiInvalDialParams>},
    {-13836, &Raise<ETapiInvalDeviceHandle>},
    {-13835, &Raise<ETapiInvalDeviceClass>},
    {-13834, &Raise<ETapiInvalCountryCode>},
    {-13833, &Raise<ETapiInvalConsultCallHandle>},
    {-13832, &Raise<ETapiInvalConfCallHandle>},
    {-13831, &Raise<ETapiInvalCompletionID>},
    {-13830, &Raise<ETapiInvalCard>},
    {-13829, &Raise<ETapiInvalCallStatelist>},
    {-13828, &Raise<ETapiInvalCallState>},
    {-13827, &Raise<ETapiInvalCallSelect>},
    {-13826, &Raise<ETapiInvalCallPrivilege>},
    {-13825, &Raise<ETapiInvalCallParams>},
    {-13824, &Raise<ETapiInvalCallHandle>},
    {-13823, &Raise<ETapiInvalCallComplMode>},
    {-13822, &Raise<ETapiInvalBearerMode>},
    {-13821, &Raise<ETapiInvalAppName>},
    {-13820, &Raise<ETapiInvalAppHandle>},
    {-13819, &Raise<ETapiInvalAddressState>},
    {-13818, &Raise<ETapiInvalAddressMode>},
    {-13817, &Raise<ETapiInvalAddressID>},
    {-13816, &Raise<ETapiInvalAddress>},
    {-13815, &Raise<ETapiInUse>},
    {-13814, &Raise<ETapiIniFileCorrupt>},
    {-13813, &Raise<ETapiIncompatibleExtVersion>},
    {-13812, &Raise<ETapiIncompatibleApiVersion>},
    {-13811, &Raise<ETapiDialQuiet>},
    {-13810, &Raise<ETapiDialPrompt>},
    {-13809, &Raise<ETapiDialDialtone>},
    {-13808, &Raise<ETapiDialBilling>},
    {-13807, &Raise<ETapiConferenceFull>},
    {-13806, &Raise<ETapiCompletionOverrun>},
    {-13805, &Raise<ETapiCallUnavail>},
    {-13803, &Raise<ETapiBearerModeUnavail>},
    {-13802, &Raise<ETapiBadDeviceID>},
    {-13801, &Raise<ETapiAllocated>},
    {-8070, &Raise<EFaxPageError>},
    {-8069, &Raise<EFaxSessionError>},
    {-8068, &Raise<EFaxNoCarrier>},
    {-8067, &Raise<EFaxNoDialTone>},
    {-8066, &Raise<EFaxDataCall>},
    {-8065, &Raise<EFaxVoiceCall>},
    {-8064, &Raise<EFaxBusy>},
    {-8063, &Raise<EFaxInitError>},
    {-8062, &Raise<EFaxTrainError>},
    {-8061, &Raise<EFaxBadModemResult>},
    {-8060, &Raise<EFaxBadMachine>},
    {-8053, &Raise<EInvalidPageNumber>},
    {-8005, &Raise<ECantMakeBitmap>},
    {-8004, &Raise<EUnpackAbort>},
    {-8003, &Raise<EConvertAbort>},
    {-8002, &Raise<EBadGraphicsFormat>},
    {-8001, &Raise<EFaxBadFormat>},
    {-7014, &Raise<EBadFieldForIndex>},
    {-7013, &Raise<EBadFieldList>},
    {-7012, &Raise<EInternal>},
    {-7011, &Raise<EDatabaseEmpty>},
    {-7010, &Raise<EDatabaseFull>},
    {-7008, &Raise<ERecordNotFound>},
    {-7007, &Raise<ERecordExists>},
    {-7006, &Raise<EInternal>},
    {-7005, &Raise<EIniRead>},
    {-7004, &Raise<EIniWrite>},
    {-7003, &Raise<EInternal>},
    {-7002, &Raise<EDataTooLarge>},
    {-7001, &Raise<EKeyTooLong>},
    {-6009, &Raise<EProtocol>},
    {-6008, &Raise<EProtocol>},
    {-6006, &Raise<EProtocol>},
    {-5003, &Raise<EBadTriggerHandle>},
    {-5002, &Raise<ETriggerTooLong>},
    {-5001, &Raise<ENoMoreTriggers>},
    {-4008, &Raise<EModemStatusMismatch>},
    {-4007, &Raise<EModemRejectedCommand>},
    {-4006, &Raise<EModemNotResponding>},
    {-4005, &Raise<EAlreadyDialing>},
    {-4004, &Raise<ENotDialing>},
    {-4003, &Raise<EModemNotDialing>},
    {-4002, &Raise<EModemBusy>},
    {-4001, &Raise<EModemNotStarted>},
    {-3010, &Raise<EBaseAddressNotSet>},
    {-3009, &Raise<ELoggingNotEnabled>},
    {-3008, &Raise<ETracingNotEnabled>},
    {-3007, &Raise<EBufferIsEmpty>},
    {-3006, &Raise<EOutputBufferTooSmall>},
    {-3005, &Raise<EGetBlockFail>},
    {-3004, &Raise<EPutBlockFail>},
    {-3003, &Raise<ERegisterHandlerFailed>},
    {-3001, &Raise<ENullApi>},
    {-2012, &Raise<ENotOpenedByTapi>},
    {-2011, &Raise<ENoPortSelected>},
    {-2010, &Raise<ENoTimers>},
    {-2009, &Raise<ENoHandles>},
    {-2008, &Raise<EAlreadyOpen>},
    {-2007, &Raise<ECommNotOpen>},
    {-2006, &Raise<EMemory>},
    {-2005, &Raise<EHardware>},
    {-2004, &Raise<EDefault>},
    {-2003, &Raise<EByteSize>},
    {-2002, &Raise<EBaudRate>},
    {-2001, &Raise<EBadId>},
    {-1009, &Raise<ECannotUseWithWinSock>},
    {-1008, &Raise<EPhonebookNotAssigned>},
    {-1007, &Raise<EModemNotAssigned>},
    {-1006, &Raise<EInternal>},
    {-1005, &Raise<EPortNotAssigned>},
    {-1004, &Raise<EBufferTooBig>},
    {-1003, &Raise<EGotQuitMsg>},
    {-1002, &Raise<EBadArgument>},
};

static_assert(std::is_sorted(std::begin(kCodeClasses), std::end(kCodeClasses),
                             [](const CodeClass& a, const CodeClass& b) {
                               return a.code < b.code;
                             }));

}  // namespace

EAPDException::EAPDException(int32_t errorCode)
    : Exception(MessageForCode(errorCode)), ErrorCode(errorCode) {}

EAPDException::EAPDException(const std::string& message) : Exception(message), ErrorCode(0) {}

std::string CleanSystemMessage(std::string_view text) {
  std::string s(text.substr(0, kMaxMessageLength));
  for (char& c : s)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  std::string out;
  out.reserve(s.size());
  // Deleting the first blank of every pair keeps exactly the last blank of each run.
  for (size_t i = 0; i < s.size(); ++i)
    if (!(s[i] == ' ' && i + 1 < s.size() && s[i + 1] == ' ')) out += s[i];
  return out;
}

std::string MessageForCode(int32_t code) {
  return MessageForCode(ErrorMessageTable(), code);
}

std::string MessageForCode(const TAdStringResource& table, int32_t code) {
  int32_t id = std::abs(int32_t{static_cast<int16_t>(code)});
  std::string text = table.TextFor(id).substr(0, kMaxMessageLength);
  if (!text.empty()) return text;
  return CleanSystemMessage(SystemMessageText(static_cast<uint32_t>(id)));
}

int32_t RaiseOnErrorCode(const TComponent* component, int32_t code) {
  if (code >= 0) return code;
  if (component && component->IsLoading()) return code;
  auto it = std::lower_bound(std::begin(kCodeClasses), std::end(kCodeClasses), code,
                             [](const CodeClass& c, int32_t v) { return c.code < v; });
  if (it != std::end(kCodeClasses) && it->code == code) it->raise(code);
  if (code >= -162 && code <= -2) {
    std::string message = MessageForCode(code);
    if (code == ecOutOfMemory) throw EOutOfMemory();
    throw EInOutError(message, -code);
  }
  throw EAPDException(std::string("Apro exception"));
}
