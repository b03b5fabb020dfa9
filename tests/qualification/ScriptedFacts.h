// System facts as a test sets them.
#pragma once

#include <string>

#include "platform/SystemInfo.h"

struct TScriptedFacts : ISystemFacts {
  bool ComputerName(std::string& name) const override {
    name = computer;
    return computerRead;
  }
  bool UserName(std::string& name) const override {
    name = user;
    return userRead;
  }
  bool LoginName(std::string& name) const override {
    name = login;
    return loginRead;
  }
  THostLookup LocalHost() const override { return host; }
  TOsVersion OsVersion() const override { return version; }
  uint32_t LastErrorNumber() const override { return lastError; }
  std::string ErrorText(uint32_t number) const override {
    return "Text " + std::to_string(number) + "\r\n";
  }

  std::string computer = "LABOR-PC";
  bool computerRead = true;
  std::string user = "mueller";
  bool userRead = true;
  std::string login = "mueller";
  bool loginRead = true;
  THostLookup host{true, true, "labor-pc.example", "192.0.2.7", ""};
  TOsVersion version{"GetVersionEx", true, 0, 5, 1, 2600, "Service Pack 3", ""};
  uint32_t lastError = 5;
};
