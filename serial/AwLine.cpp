// Line settings, handshake and line signals of TApdBaseDispatcher. Every read-edit-write of the
// cached line block runs under the dispatcher lock; the drain of SetLine runs outside it.
#include <algorithm>

#include "serial/AdErrCodes.h"
#include "serial/AwUser.h"

namespace {

constexpr uint32_t KeepBaud = 0;
constexpr uint8_t KeepParity = 5;
constexpr uint16_t KeepStopBits = 3;
constexpr uint16_t KeepDataBits = 9;

constexpr uint32_t EncodedBaudRates[24] = {110,   300, 600, 1200,   2400, 4800, 9600, 14400,
                                           19200, 0,   0,   38400,  0,    0,    0,    56000,
                                           0,     0,   0,   128000, 0,    0,    0,    256000};

}  // namespace

uint32_t TApdBaseDispatcher::DecodeBaud(uint32_t rate) {
  if (rate == 0xFEFF) return 115200;
  if (rate >= 0xFF10 && rate <= 0xFF27) {
    uint32_t decoded = EncodedBaudRates[rate - 0xFF10];
    if (decoded != 0) return decoded;
  }
  return rate;
}

template <typename F>
int TApdBaseDispatcher::ChangeLine(F&& edit) {
  std::lock_guard lock(dispLock_);
  GetDeviceState(dcb_);
  const DCB before = dcb_;
  const bool dtrHandshake = dtrHandshake_;
  const bool rtsHandshake = rtsHandshake_;
  edit();
  int rc = ApplyLineBlock(dcb_);
  if (rc != ecOK) {
    dcb_ = before;
    dtrHandshake_ = dtrHandshake;
    rtsHandshake_ = rtsHandshake;
  }
  return rc;
}

void TApdBaseDispatcher::LineDefaults(DCB& block) {
  block.Flags |= dcb_Binary | dcb_TxContinueXoff;
  block.Flags &= ~(dcb_Parity | dcb_DsrSensitivity | dcb_Null);
}

int TApdBaseDispatcher::SetLine(int32_t baud, uint8_t parity, uint16_t stopBits,
                                uint16_t dataBits) {
  uint32_t rate;
  uint8_t newParity;
  uint8_t size;
  uint8_t stopCode;
  {
    std::lock_guard lock(dispLock_);
    GetDeviceState(dcb_);
    LineDefaults(dcb_);
    if (stopBits == KeepStopBits)
      stopCode = dcb_.StopBits;
    else
      stopCode = stopBits <= 1 ? ONESTOPBIT : TWOSTOPBITS;
    rate = baud == static_cast<int32_t>(KeepBaud) ? dcb_.BaudRate : static_cast<uint32_t>(baud);
    newParity = parity == KeepParity ? dcb_.Parity : parity;
    size = dataBits == KeepDataBits ? dcb_.ByteSize : static_cast<uint8_t>(dataBits);
    if (size == 5) stopCode = ONE5STOPBITS;
    if (rate == dcb_.BaudRate && newParity == dcb_.Parity && size == dcb_.ByteSize &&
        stopCode == dcb_.StopBits)
      return ecOK;
  }

  // Let what is queued go out at the old settings, then wait 18 character times for the UART.
  for (int i = 0; i < 5000 && OutputCount() > 0; ++i) AdSleep(2);
  uint64_t t;
  {
    std::lock_guard lock(dispLock_);
    GetDeviceState(dcb_);
    uint32_t bits =
        dcb_.ByteSize + (dcb_.Parity != NOPARITY ? 1 : 0) + (dcb_.StopBits == ONESTOPBIT ? 2 : 3);
    uint32_t lastRate = DecodeBaud(lastBaud_);
    // A rate of 0 would divide by zero; wait the minimum then.
    t = lastRate == 0 ? 10000 : uint64_t{10000000 / lastRate} * bits * 18;
  }
  if (t < 10000) t *= 2;
  AdSleep(static_cast<uint32_t>((t + 9999) / 10000));

  return ChangeLine([&] {
    LineDefaults(dcb_);
    dcb_.BaudRate = rate;
    dcb_.Parity = newParity;
    dcb_.ByteSize = size;
    dcb_.StopBits = stopCode;
  });
}

void TApdBaseDispatcher::GetLine(int32_t& baud, uint8_t& parity, uint16_t& dataBits,
                                 uint16_t& stopBits) {
  std::lock_guard lock(dispLock_);
  GetDeviceState(dcb_);
  baud = static_cast<int32_t>(DecodeBaud(dcb_.BaudRate));
  parity = dcb_.Parity;
  dataBits = dcb_.ByteSize;
  stopBits = dcb_.StopBits == ONESTOPBIT ? 1 : 2;
}

int TApdBaseDispatcher::ApplyLineBlock(const DCB& block) {
  std::lock_guard lock(dispLock_);
  dcb_ = block;
  if (!dtrHandshake_)
    dcb_.Flags = (dcb_.Flags & ~dcb_DtrMask) |
                 (dtrState_ ? dcb_DTR_CONTROL_ENABLE : dcb_DTR_CONTROL_DISABLE);
  if (!rtsHandshake_)
    dcb_.Flags = (dcb_.Flags & ~dcb_RtsMask) |
                 (rtsState_ ? dcb_RTS_CONTROL_ENABLE : dcb_RTS_CONTROL_DISABLE);
  int rc = SetDeviceState(dcb_);
  // A refused block changed nothing on the device: no rate to remember, no lines to set again.
  if (rc != ecOK) return rc;
  lastBaud_ = dcb_.BaudRate;
  SetDtr(dtrState_);
  if (!rs485_) SetRts(rtsState_);
  return rc;
}

int TApdBaseDispatcher::SetDtr(bool on) {
  std::lock_guard lock(dispLock_);
  if (dtrHandshake_) return 1;
  int rc = EscapeFunction(on ? esc_SETDTR : esc_CLRDTR);
  dtrState_ = on;
  return rc < 0 ? ecBadArgument : rc;
}

int TApdBaseDispatcher::SetRts(bool on) {
  std::lock_guard lock(dispLock_);
  if (rtsHandshake_) return 1;
  int rc = EscapeFunction(on ? esc_SETRTS : esc_CLRRTS);
  rtsState_ = on;
  return rc < 0 ? ecBadArgument : rc;
}

int TApdBaseDispatcher::SetHardwareFlow(uint32_t full, uint32_t resume, uint32_t options) {
  std::lock_guard lock(dispLock_);
  if (full < resume || full > inQue_) return ecBadArgument;
  return ChangeLine([&] { EditHardwareFlow(full, resume, options); });
}

void TApdBaseDispatcher::EditHardwareFlow(uint32_t full, uint32_t resume, uint32_t options) {
  dcb_.Flags &= ~(dcb_OutxCtsFlow | dcb_OutxDsrFlow | dcb_DtrMask | dcb_RtsMask);
  dtrHandshake_ = false;
  rtsHandshake_ = false;
  if (options & 1) {
    dcb_.Flags |= dcb_DTR_CONTROL_HANDSHAKE;
    dtrHandshake_ = true;
  } else if (dtrState_) {
    dcb_.Flags |= dcb_DTR_CONTROL_ENABLE;
  }
  if (options & 2) {
    dcb_.Flags |= dcb_RTS_CONTROL_HANDSHAKE;
    rtsHandshake_ = true;
  } else if (rtsState_) {
    dcb_.Flags |= dcb_RTS_CONTROL_ENABLE;
  }
  // The line turnaround of RS-485 is the RTS toggle mode of the hardware handshake.
  if (rs485_) {
    dcb_.Flags = (dcb_.Flags & ~dcb_RtsMask) | dcb_RTS_CONTROL_TOGGLE;
    rtsHandshake_ = true;
  }
  dcb_.XoffLim = static_cast<uint16_t>(inQue_ - full);
  dcb_.XonLim = static_cast<uint16_t>(resume);
  if (options & 4) dcb_.Flags |= dcb_OutxDsrFlow;
  if (options & 8) dcb_.Flags |= dcb_OutxCtsFlow;
}

int TApdBaseDispatcher::SetSoftwareFlow(uint32_t full, uint32_t resume, uint32_t directions) {
  std::lock_guard lock(dispLock_);
  if (full < resume || full > inQue_) return ecBadArgument;
  return ChangeLine([&] { EditSoftwareFlow(full, resume, directions); });
}

void TApdBaseDispatcher::EditSoftwareFlow(uint32_t full, uint32_t resume, uint32_t directions) {
  if (directions & 2) {
    dcb_.Flags |= dcb_InX;
    dcb_.XoffLim = static_cast<uint16_t>(inQue_ - full);
    dcb_.XonLim = static_cast<uint16_t>(resume);
    dcb_.XonChar = 17;
    dcb_.XoffChar = 19;
  }
  if (directions & 1) {
    dcb_.Flags |= dcb_OutX;
    dcb_.XonChar = 17;
    dcb_.XoffChar = 19;
  }
}

int TApdBaseDispatcher::SoftwareFlowOff() {
  return ChangeLine([this] { dcb_.Flags &= ~(dcb_InX | dcb_OutX); });
}

int TApdBaseDispatcher::SetFlowChars(char xon, char xoff) {
  return ChangeLine([&] {
    dcb_.XonChar = xon;
    dcb_.XoffChar = xoff;
  });
}

void TApdBaseDispatcher::GetFlowOptions(uint32_t& hardware, uint32_t& software, char& xon,
                                        char& xoff) {
  std::lock_guard lock(dispLock_);
  GetDeviceState(dcb_);
  hardware = 0;
  if ((dcb_.Flags & dcb_DtrMask) == dcb_DTR_CONTROL_HANDSHAKE) hardware |= 1;
  if ((dcb_.Flags & dcb_RtsMask) == dcb_RTS_CONTROL_HANDSHAKE) hardware |= 2;
  if (dcb_.Flags & dcb_OutxDsrFlow) hardware |= 4;
  if (dcb_.Flags & dcb_OutxCtsFlow) hardware |= 8;
  software = 0;
  if (dcb_.Flags & dcb_OutX) software |= 1;
  if (dcb_.Flags & dcb_InX) software |= 2;
  xon = dcb_.XonChar;
  xoff = dcb_.XoffChar;
}

uint8_t TApdBaseDispatcher::GetModemStatus(uint8_t keepMask) {
  std::lock_guard lock(dispLock_);
  uint8_t levels = GetModemLines() & msr_LevelMask;
  modemStatus_ = static_cast<uint8_t>(levels | (modemStatus_ & msr_DeltaMask));
  if (ringFlag_.exchange(false)) modemStatus_ |= msr_TrailingRing;
  uint8_t result = modemStatus_;
  modemStatus_ &= keepMask;
  return result;
}

bool TApdBaseDispatcher::CtsOn() {
  return (GetModemStatus(0xFE) & msr_Cts) != 0;
}
bool TApdBaseDispatcher::DsrOn() {
  return (GetModemStatus(0xFD) & msr_Dsr) != 0;
}
bool TApdBaseDispatcher::DcdOn() {
  return (GetModemStatus(0xF7) & msr_Dcd) != 0;
}
bool TApdBaseDispatcher::RingTrailingEdge() {
  return (GetModemStatus(0xFB) & msr_TrailingRing) != 0;
}

int TApdBaseDispatcher::LastLineError() {
  std::lock_guard lock(dispLock_);
  static constexpr struct {
    uint32_t flag;
    int code;
  } order[] = {{ce_RXOVER, lerQueueOverflow},
               {ce_OVERRUN, lerOverrun},
               {ce_RXPARITY, lerParity},
               {ce_FRAME, lerFraming},
               {ce_BREAK, lerBreak}};
  for (const auto& o : order) {
    if (lineErrors_ & o.flag) {
      // The break stays until BreakReceived reads it.
      lineErrors_ &= ~uint32_t{ce_RXOVER | ce_OVERRUN | ce_RXPARITY | ce_FRAME};
      return o.code;
    }
  }
  return lerNone;
}

bool TApdBaseDispatcher::BreakReceived() {
  std::lock_guard lock(dispLock_);
  bool received = (lineErrors_ & ce_BREAK) != 0;
  lineErrors_ &= ~uint32_t{ce_BREAK};
  return received;
}

void TApdBaseDispatcher::RefreshStatus() {
  std::lock_guard lock(dispLock_);
  TComStat stat;
  stat.Errors = GetDeviceStatus(stat);
  comStat_ = stat;
  lineErrors_ |= stat.Errors & ce_LineErrorMask;
}

int TApdBaseDispatcher::SetRs485(bool on) {
  std::lock_guard lock(dispLock_);
  rs485_ = on;
  Rs485Changed();
  return ecOK;
}

bool TApdBaseDispatcher::Rs485Mode() {
  std::lock_guard lock(dispLock_);
  return rs485_;
}

bool TApdBaseDispatcher::DtrHandshake() {
  std::lock_guard lock(dispLock_);
  return dtrHandshake_;
}

bool TApdBaseDispatcher::RtsHandshake() {
  std::lock_guard lock(dispLock_);
  return rtsHandshake_;
}

uint32_t TApdBaseDispatcher::LastBaud() {
  std::lock_guard lock(dispLock_);
  return lastBaud_;
}

DCB TApdBaseDispatcher::LineBlock() {
  std::lock_guard lock(dispLock_);
  return dcb_;
}
