#include "app/PortSettings.h"

#include "base/SysUtils.h"

void comboPortChange(const IPortOptionsView& dialog, ICommsPort& comms) {
  comms.SetComNumber(CheckWord(StrToInt(dialog.PortText())));
}

void comboBaudChange(const IPortOptionsView& dialog, ICommsPort& comms) {
  comms.SetBaud(StrToInt(dialog.BaudText()));
}

void comboDatabitsChange(const IPortOptionsView& dialog, ICommsPort& comms) {
  comms.SetDataBits(CheckWord(StrToInt(dialog.DatabitsText())));
}

void comboParityChange(const IPortOptionsView& dialog, ICommsPort& comms) {
  int32_t i = dialog.ParityIndex();
  if (i >= 0 && i < ParityItemCount) comms.SetParity(i);
}

void comboStopChange(const IPortOptionsView& dialog, ICommsPort& comms) {
  comms.SetStopBits(CheckWord(StrToInt(dialog.StopText())));
}

void comboXonXoffChange(const IPortOptionsView& dialog, ICommsPort& comms) {
  int32_t i = dialog.XonXoffIndex();
  if (i >= 0 && i < XonXoffItemCount) comms.SetSWFlowOptions(i);
}

void setHwHandshake(const IPortOptionsView& dialog, ICommsPort& comms) {
  uint8_t options = 0;
  if (dialog.UseDTR()) options |= hwMaskUseDTR;
  if (dialog.UseRTS()) options |= hwMaskUseRTS;
  if (dialog.ReqDSR()) options |= hwMaskRequireDSR;
  if (dialog.ReqCTS()) options |= hwMaskRequireCTS;
  comms.SetHWFlowOptions(options);
}
