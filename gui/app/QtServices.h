// Message boxes and the general error display as Qt message boxes.
#pragma once

#include "app/CaptureViews.h"

class QWidget;

class TQtMessageBoxes : public IMessageBoxes {
 public:
  explicit TQtMessageBoxes(QWidget* parent = nullptr) : parent_(parent) {}
  void ShowMessageBox(const std::string& title, const std::string& text,
                      TMessageKind kind) override;

 private:
  QWidget* parent_;
};

// Shows an error's text in a message box titled with the application title.
class TQtErrorDisplay : public IErrorDisplay {
 public:
  explicit TQtErrorDisplay(QWidget* parent = nullptr) : parent_(parent) {}
  void ShowException(const Exception& e) override;

 private:
  QWidget* parent_;
};
