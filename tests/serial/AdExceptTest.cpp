#include "serial/AdExcept.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <typeinfo>
#include <vector>

#include "base/Component.h"
#include "serial/AdErrCodes.h"
#include "serial/AdOsText.h"
#include "serial/AdSrMgr.h"
#ifndef _WIN32
#include "platform/posix/PosixErrors.h"
#endif

namespace {

struct Caught {
  const std::type_info* type = nullptr;
  int32_t errorCode = 0;
  std::string message;
  bool inGroup = false;
};

// What RaiseOnErrorCode raises for `code`, caught as EAPDException.
Caught Catch(int32_t code, bool (*inGroup)(const EAPDException&) = nullptr) {
  Caught c;
  try {
    RaiseOnErrorCode(nullptr, code);
    ADD_FAILURE() << code << " did not raise";
  } catch (const EAPDException& e) {
    c = {&typeid(e), e.ErrorCode, e.Message(), inGroup && inGroup(e)};
  }
  return c;
}

struct ClassCase {
  int32_t code;
  const std::type_info& type;
  const std::type_info& group;
  bool (*inGroup)(const EAPDException&);
  const char* message;  // nullptr: our own table text, only checked to be non-empty
};

template <class G>
bool IsA(const EAPDException& e) {
  return dynamic_cast<const G*>(&e) != nullptr;
}

#define CASE(code, Class, Group, message)                    \
  ClassCase {                                                \
    code, typeid(Class), typeid(Group), &IsA<Group>, message \
  }

const ClassCase kClassCases[] = {
    CASE(-1002, EBadArgument, EGeneral, "Bad argument passed to function"),
    CASE(-1004, EBufferTooBig, EGeneral, "Terminal buffer greater than 65521"),
    CASE(-1005, EPortNotAssigned, EGeneral, "ComPort component not assigned"),
    CASE(-1006, EInternal, EGeneral, "Internal error creating window class"),
    CASE(-1009, ECannotUseWithWinSock, EGeneral, "Component not compatible with WinSock"),
    CASE(-2001, EBadId, EOpenComm, "ie_BadId - Specified comport doesn't exist"),
    CASE(-2005, EHardware, EOpenComm, "ie_Hardware - Specified comport in use"),
    CASE(-2007, ECommNotOpen, EOpenComm, "ie_NOpen - device not open"),
    CASE(-2008, EAlreadyOpen, EOpenComm, "ie_Open - device already open"),
    CASE(-2011, ENoPortSelected, EOpenComm,
         "The ComNumber property of the TApdComPort has not been set"),
    CASE(-2012, ENotOpenedByTapi, EOpenComm, "Comport was not opened by Tapi"),
    CASE(-3001, ENullApi, ESerialIO, "No device layer specified"),
    CASE(-3003, ERegisterHandlerFailed, ESerialIO, "EnableCommNotification failed"),
    CASE(-3010, EBaseAddressNotSet, ESerialIO, "Base address not set"),
    CASE(-4001, EModemNotStarted, EModem, nullptr),
    CASE(-4004, ENotDialing, EModem, nullptr),
    CASE(-4005, EAlreadyDialing, EModem, nullptr),
    CASE(-4008, EModemStatusMismatch, EModem, nullptr),
    CASE(-5001, ENoMoreTriggers, ETrigger, "No more trigger slots"),
    CASE(-5003, EBadTriggerHandle, ETrigger, "Bad trigger handle"),
    CASE(-6006, EProtocol, EProtocol, nullptr),
    CASE(-6008, EProtocol, EProtocol, nullptr),
    CASE(-6009, EProtocol, EProtocol, nullptr),
    CASE(-7001, EKeyTooLong, EINI, nullptr),
    CASE(-7003, EInternal, EGeneral, nullptr),
    CASE(-7006, EInternal, EGeneral, nullptr),
    CASE(-7012, EInternal, EGeneral, nullptr),
    CASE(-7014, EBadFieldForIndex, EINI, nullptr),
    CASE(-8001, EFaxBadFormat, EFax, nullptr),
    CASE(-8053, EInvalidPageNumber, EFax, nullptr),
    CASE(-8070, EFaxPageError, EFax, nullptr),
    CASE(-13801, ETapiAllocated, ETapi, nullptr),
    CASE(-13848, ETapiInvalMessageID, ETapi, nullptr),
    CASE(-13850, ETapiInvalParam, ETapi, nullptr),
    CASE(-13886, ETapiNoMultipleInstance, ETapi, nullptr),
    CASE(-13928, ETapiBusy, ETapi, nullptr),
    CASE(-13942, ETapiTranslateFail, ETapi, nullptr),
    CASE(-13980, ERasLoadFail, ERas, nullptr),
};

#undef CASE

TEST(RaiseOnErrorCode, ZeroAndPositiveCodesPassThrough) {
  EXPECT_EQ(RaiseOnErrorCode(nullptr, 0), 0);
  EXPECT_EQ(RaiseOnErrorCode(nullptr, 1), 1);
  EXPECT_EQ(RaiseOnErrorCode(nullptr, 13804), 13804);
}

TEST(RaiseOnErrorCode, ComponentBeingLoadedNeverRaises) {
  TComponent port(nullptr);
  port.BeginLoading();
  for (int32_t code : {-1, -2, -8, -1002, -2001, -13804, -99999})
    EXPECT_EQ(RaiseOnErrorCode(&port, code), code);
  port.EndLoading();
  EXPECT_THROW(RaiseOnErrorCode(&port, -2001), EBadId);
}

TEST(RaiseOnErrorCode, CodesWithAClassRaiseThatClassWithCodeAndMessage) {
  for (const ClassCase& c : kClassCases) {
    SCOPED_TRACE(c.code);
    Caught e = Catch(c.code, c.inGroup);
    ASSERT_NE(e.type, nullptr);
    EXPECT_EQ(*e.type, c.type) << e.type->name();
    EXPECT_TRUE(e.inGroup) << c.group.name();
    EXPECT_EQ(e.errorCode, c.code);
    if (c.message)
      EXPECT_EQ(e.message, c.message);
    else
      EXPECT_FALSE(e.message.empty());
    EXPECT_EQ(e.message, MessageForCode(c.code));
  }
}

// The system's text for a number as the message rule cleans it (each platform has its own).
std::string CleanedSystemText(uint32_t number) {
  return CleanSystemMessage(SystemMessageText(number));
}

TEST(RaiseOnErrorCode, OperatingSystemRangeRaisesInOutErrorWithItsNumber) {
  struct {
    int32_t code;
    std::string message;
  } cases[] = {
      {-2, "File not found"},
      {-5, "File access denied"},
      {-162, "General failure"},
      // No table text: the system's text, control characters blanked.
      {-87, CleanedSystemText(87)},
      {-65, CleanedSystemText(65)},
  };
  EXPECT_EQ(cases[3].message.back(), ' ');
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    try {
      RaiseOnErrorCode(nullptr, c.code);
      ADD_FAILURE() << "no exception";
    } catch (const EInOutError& e) {
      EXPECT_EQ(e.Message(), c.message);
      EXPECT_EQ(e.ErrorCode, -c.code);
    }
  }
}

TEST(RaiseOnErrorCode, OutOfMemoryRaisesTheRuntimeException) {
  try {
    RaiseOnErrorCode(nullptr, ecOutOfMemory);
    ADD_FAILURE() << "no exception";
  } catch (const EInOutError&) {
    ADD_FAILURE() << "raised as an I/O error";
  } catch (const EOutOfMemory& e) {
    EXPECT_EQ(e.Message(), SOutOfMemory);
  }
}

TEST(RaiseOnErrorCode, CodesWithoutClassRaisePlainAproException) {
  // -1 and -163 lie just outside the system range; the rest have texts but no class.
  for (int32_t code : {-1, -163, -1001, -1117, -3002, -5501, -6001, -13804, -13849, -13933, -13934,
                       -15001, -32768, -70000}) {
    SCOPED_TRACE(code);
    Caught e = Catch(code);
    ASSERT_NE(e.type, nullptr);
    EXPECT_EQ(*e.type, typeid(EAPDException));
    EXPECT_EQ(e.message, "Apro exception");
    EXPECT_EQ(e.errorCode, 0);
  }
}

TEST(EAPDException, ConstructedFromATextKeepsItWithCodeZero) {
  EAPDException e(std::string("Ports differ"));
  EXPECT_EQ(e.Message(), "Ports differ");
  EXPECT_EQ(e.ErrorCode, 0);
  static_assert(!std::is_base_of_v<EAPDException, ETpsStringResourceError>);
  static_assert(std::is_base_of_v<Exception, ETpsStringResourceError>);
}

TEST(MessageForCode, TakesTheCodeAsSigned16BitValue) {
  EXPECT_EQ(MessageForCode(-2011), MessageForCode(2011));
  EXPECT_EQ(MessageForCode(-2011 - 65536), MessageForCode(-2011));
  EXPECT_EQ(MessageForCode(65536 + 2), "File not found");
  EXPECT_EQ(MessageForCode(0), "OK");
  EXPECT_EQ(MessageForCode(-15502), "--------  --------  ------------  --------  ---------");
}

TEST(MessageForCode, EmptyTextFallsBackToTheSystemText) {
  // 4600 is empty in the table and the system has no text for it either.
  EXPECT_EQ(ErrorMessageTable().TextFor(4600), "");
  EXPECT_EQ(MessageForCode(-4600), "");
  EXPECT_EQ(MessageForCode(-995), CleanedSystemText(995));
  EXPECT_FALSE(MessageForCode(-995).empty());
}

// A table of our own: a text longer than a message may be, and an empty one.
TEST(MessageForCode, CutsTableTextsTo255AndDoesNotCleanThem) {
  const std::u16string longText(300, u'x');
  const std::u16string tabbed = u"a\tb  c";
  std::vector<uint8_t> block{'S', 'T', 'R', '0', 3, 0, 0, 0};
  struct Row {
    int32_t id;
    const std::u16string* text;
  };
  const std::u16string empty;
  Row rows[] = {{1, &tabbed}, {87, &empty}, {2000, &longText}};
  uint32_t offset = 8 + 12 * 3;
  for (const Row& r : rows) {
    for (uint32_t v : {static_cast<uint32_t>(r.id), offset, uint32_t(r.text->size())})
      for (int k = 0; k < 4; ++k) block.push_back(static_cast<uint8_t>(v >> (8 * k)));
    offset += static_cast<uint32_t>(2 * r.text->size());
  }
  for (const Row& r : rows)
    for (char16_t c : *r.text) {
      block.push_back(static_cast<uint8_t>(c));
      block.push_back(static_cast<uint8_t>(c >> 8));
    }
  ASSERT_TRUE(RegisterStringResource("MESSAGE_TEST", block));
  TAdStringResource table("MESSAGE_TEST");
  EXPECT_EQ(MessageForCode(table, -2000), std::string(255, 'x'));
  EXPECT_EQ(MessageForCode(table, -1), "a\tb  c");
  EXPECT_EQ(MessageForCode(table, -87), CleanedSystemText(87));
  UnregisterStringResource("MESSAGE_TEST");
}

TEST(CleanSystemMessage, BlanksControlsAndCollapsesBlankRuns) {
  EXPECT_EQ(CleanSystemMessage("Access is denied.\r\n"), "Access is denied. ");
  EXPECT_EQ(CleanSystemMessage("One.\r\nTwo.\r\n"), "One. Two. ");
  EXPECT_EQ(CleanSystemMessage("a \t\x01  b"), "a b");
  EXPECT_EQ(CleanSystemMessage("   "), " ");
  EXPECT_EQ(CleanSystemMessage(""), "");
  EXPECT_EQ(CleanSystemMessage("\xE4\xFC"), "\xE4\xFC");  // CP1252 letters are kept
  EXPECT_EQ(CleanSystemMessage(std::string(400, 'y')).size(), 255u);
}

#ifdef _WIN32
// The system's own texts, as FormatMessageA gives them: a sentence ending in CR LF.
TEST(SystemMessageText, ComesFromTheSystem) {
  for (uint32_t error : {2u, 5u, 87u}) {
    std::string text = SystemMessageText(error);
    ASSERT_GE(text.size(), 3u) << error;
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << error;
  }
  EXPECT_EQ(SystemMessageText(0xDEAD), "");
}
#else
TEST(Win32ErrorFromErrno, KeepsInUseMissingAndPermissionApart) {
  EXPECT_EQ(Win32ErrorFromErrno(EBUSY), 5u);
  EXPECT_EQ(Win32ErrorFromErrno(EWOULDBLOCK), 5u);
  EXPECT_EQ(Win32ErrorFromErrno(ENOENT), 2u);
  EXPECT_EQ(Win32ErrorFromErrno(ENOTDIR), 3u);
  EXPECT_EQ(Win32ErrorFromErrno(EIO), 1117u);
  EXPECT_EQ(Win32ErrorFromErrno(ENOMEM), 8u);
  EXPECT_EQ(Win32ErrorFromErrno(EINVAL), 31u);
  EXPECT_EQ(Win32ErrorFromErrno(EACCES), Win32ErrorFromErrno(EPERM));
  EXPECT_NE(Win32ErrorFromErrno(EACCES), 5u);
  EXPECT_NE(SystemMessageText(Win32ErrorFromErrno(EACCES)).find("dialout"), std::string::npos);
  EXPECT_EQ(SystemMessageText(87), "The parameter is incorrect.\r\n");
  for (int err : {EBUSY, ENOENT, ENOTDIR, EACCES, EIO, ENOMEM, EINVAL}) {
    std::string text = SystemMessageText(Win32ErrorFromErrno(err));
    ASSERT_GE(text.size(), 2u) << err;
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << err;
  }
  EXPECT_EQ(SystemMessageText(4600), "");
}
#endif

#ifndef _WIN32  // the POSIX stand-ins for the system's texts
TEST(MessageForCode, EveryErrorOfThePosixDeviceLayerHasAText) {
  // What Win32ErrorFromErrno, the device's own numbers and the line refusals give.
  for (int32_t code : {-2, -3, -5, -6, -8, -31, -50, -65, -87, -1117, -2002, -2003}) {
    SCOPED_TRACE(code);
    EXPECT_GT(MessageForCode(code).size(), 5u);
  }
  EXPECT_NE(MessageForCode(-50).find("parity"), std::string::npos);
}
#endif

}  // namespace
