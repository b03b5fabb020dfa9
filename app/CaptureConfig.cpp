#include "app/CaptureConfig.h"

#include <array>

#include "base/SysUtils.h"
#include "platform/IniFile.h"

namespace {

using C = TCaptureConfig;

const std::array<TConfigKey, 23> kKeys{{
    {"Comms", "Port", &C::Port, "1"},
    {"Comms", "Baud", &C::Baud, "9600"},
    {"Comms", "Databits", &C::Databits, "8"},
    {"Comms", "Parity", &C::Parity, "0"},
    {"Comms", "Stopbits", &C::Stopbits, "1"},
    {"Comms", "XonXoff", &C::XonXoff, "0"},
    {"Comms", "useDTR", &C::useDTR, "0"},
    {"Comms", "useRTS", &C::useRTS, "0"},
    {"Comms", "useDSR", &C::useDSR, "0"},
    {"Comms", "useCTS", &C::useCTS, "0"},
    {"resRecog", "begin", &C::begin, "255"},
    {"resRecog", "end", &C::end, " 10"},
    {"resRecog", "checkChars", &C::checkChars, ""},
    {"resRecog", "goodChars", &C::goodChars, ".0123456789"},
    {"resModi", "decSubst", &C::decSubst, "0"},
    {"resModi", "cursMove", &C::cursMove, "1"},
    {"mainWin", "Left", &C::mainLeft, "100"},
    {"mainWin", "Top", &C::mainTop, "100"},
    {"prgOpt", "Left", &C::prgLeft, "200"},
    {"prgOpt", "Top", &C::prgTop, "100"},
    {"serOpt", "Left", &C::serLeft, "200"},
    {"serOpt", "Top", &C::serTop, "100"},
    {"resModi", "keyPause", &C::keyPause, "0"},
}};

template <class... F>
struct Overload : F... {
  using F::operator()...;
};
// Spelled out for compilers without aggregate deduction (clang 14, used for fuzzing).
template <class... F>
Overload(F...) -> Overload<F...>;

}  // namespace

std::span<const TConfigKey> ConfigKeys() {
  return kKeys;
}

std::string DefaultText(std::string TCaptureConfig::*field) {
  for (const TConfigKey& k : kKeys)
    if (k.field == TConfigKey::Field(field)) return k.def;
  return std::string();
}

TCaptureConfig::TCaptureConfig() {
  for (const TConfigKey& k : kKeys) {
    std::visit(Overload{
                   [&](std::string C::*f) { this->*f = k.def; },
                   [&](int32_t C::*f) { this->*f = StrToInt(k.def); },
                   [&](bool C::*f) { this->*f = StrToInt(k.def) != 0; },
                   [&](std::optional<int32_t> C::*f) { (this->*f).reset(); },
               },
               k.field);
  }
}

void TCaptureConfig::Read(const TIniFile& ini) {
  for (const TConfigKey& k : kKeys) {
    std::visit(
        Overload{
            [&](std::string C::*f) { this->*f = ini.ReadString(k.section, k.name, k.def); },
            [&](int32_t C::*f) { this->*f = ini.ReadInteger(k.section, k.name, StrToInt(k.def)); },
            [&](bool C::*f) { this->*f = ini.ReadBool(k.section, k.name, StrToInt(k.def) != 0); },
            [&](std::optional<int32_t> C::*f) {
              this->*f = ini.ValueExists(k.section, k.name)
                             ? std::optional(ini.ReadInteger(k.section, k.name, StrToInt(k.def)))
                             : std::nullopt;
            },
        },
        k.field);
  }
}

void TCaptureConfig::Write(TIniFile& ini) const {
  for (const TConfigKey& k : kKeys) {
    std::visit(Overload{
                   [&](std::string C::*f) { ini.WriteString(k.section, k.name, this->*f); },
                   [&](int32_t C::*f) { ini.WriteInteger(k.section, k.name, this->*f); },
                   [&](bool C::*f) { ini.WriteBool(k.section, k.name, this->*f); },
                   [&](std::optional<int32_t> C::*f) {
                     if (this->*f) ini.WriteInteger(k.section, k.name, *(this->*f));
                   },
               },
               k.field);
  }
}
