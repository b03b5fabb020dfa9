// Exception root of the program and the runtime exceptions the rest of the code raises.
// Messages are CP1252 text, as everywhere in the core.
#pragma once

#include <exception>
#include <string>

// Root of every exception the program raises: a message and a help context.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message, int helpContext = 0)
      : message_(std::move(message)), helpContext_(helpContext) {}

  const std::string& Message() const noexcept { return message_; }
  void SetMessage(std::string message) { message_ = std::move(message); }
  int HelpContext() const noexcept { return helpContext_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
  int helpContext_;
};

// A text that is not a number where one is required.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// A number outside the range of its destination ("Fehler bei Bereichsprüfung").
class ERangeError : public Exception {
 public:
  ERangeError();
  using Exception::Exception;
};

// A file or device operation failed; ErrorCode is the system's error number.
class EInOutError : public Exception {
 public:
  EInOutError(std::string message, int errorCode) : Exception(std::move(message)), ErrorCode(errorCode) {}
  int ErrorCode;
};

// Memory could not be had. Carries the runtime's own fixed message.
class EOutOfMemory : public Exception {
 public:
  EOutOfMemory();
};

// Runtime texts, CP1252.
extern const char* const SInvalidInteger;  // "'%s' ist kein gültiger Integerwert"
extern const char* const SRangeError;      // "Fehler bei Bereichsprüfung"
extern const char* const SOutOfMemory;     // "Zu wenig Arbeitsspeicher"
