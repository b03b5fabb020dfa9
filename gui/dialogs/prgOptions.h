// The filter settings dialog TprgOptionForm: what a result looks like and what is done with it.
// Its design is dialogs/prgOptions.h, which the .ui file agrees with; the capture path reads its
// fields afresh at every use.
#pragma once

#include <QDialog>

#include <memory>

#include "app/CaptureViews.h"
#include "dialogs/prgOptions.h"

namespace Ui {
class TprgOptionForm;
}

class TprgOptionForm : public QDialog, public IFilterOptionsView {
  Q_OBJECT

 public:
  explicit TprgOptionForm(QWidget* parent = nullptr);
  ~TprgOptionForm() override;

  // Texts are CP1252. An index outside its list leaves the list with no selection (-1).
  std::string PrefixText() const override;
  void SetPrefixText(const std::string& text) override;
  std::string EolText() const override;
  void SetEolText(const std::string& text) override;
  std::string CheckText() const override;
  void SetCheckText(const std::string& text) override;
  std::string GoodText() const override;
  void SetGoodText(const std::string& text) override;
  int32_t DecSubstIndex() const override;
  void SetDecSubstIndex(int32_t index) override;
  int32_t CursMoveIndex() const override;
  void SetCursMoveIndex(int32_t index) override;

  // Position of the window frame on the screen.
  int32_t Left() const override;
  int32_t Top() const override;
  void SetLeft(int32_t left) override;
  void SetTop(int32_t top) override;

  int HelpContext() const { return TprgOptionsDesign::HelpContext; }

 public slots:
  void btnCloseClick();

 private:
  std::unique_ptr<Ui::TprgOptionForm> ui_;
};
