// The filter settings dialog's fields as plain values, at the defaults a fresh configuration gives.
#pragma once

#include <string>

#include "app/CaptureViews.h"

struct FakeFilterOptions : IFilterOptionsView {
  int32_t left = 0, top = 0;
  std::string prefix = "255", eol = " 10", check, good = ".0123456789";
  int32_t decSubst = 0, cursMove = 1;

  int32_t Left() const override { return left; }
  int32_t Top() const override { return top; }
  void SetLeft(int32_t v) override { left = v; }
  void SetTop(int32_t v) override { top = v; }
  std::string PrefixText() const override { return prefix; }
  void SetPrefixText(const std::string& t) override { prefix = t; }
  std::string EolText() const override { return eol; }
  void SetEolText(const std::string& t) override { eol = t; }
  std::string CheckText() const override { return check; }
  void SetCheckText(const std::string& t) override { check = t; }
  std::string GoodText() const override { return good; }
  void SetGoodText(const std::string& t) override { good = t; }
  int32_t DecSubstIndex() const override { return decSubst; }
  void SetDecSubstIndex(int32_t i) override { decSubst = i; }
  int32_t CursMoveIndex() const override { return cursMove; }
  void SetCursMoveIndex(int32_t i) override { cursMove = i; }
};
