#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include "gui/dialogs/prgOptions.h"
#include "tests/gui/support/QtTestSupport.h"

namespace {

QString U(const char* utf8) {
  return QString::fromUtf8(utf8);
}

class PrgOptionsTest : public ::testing::Test {
 protected:
  template <typename T>
  T* Child(const char* name) {
    return FindChild<T>(form, name);
  }
  QStringList Items(const char* combo) { return ComboItems(Child<QComboBox>(combo)); }

  QApplication& app = App();  // before the form
  TprgOptionForm form;
};

TEST_F(PrgOptionsTest, WindowIsAFixedModelessDialogWithHelpContext2) {
  EXPECT_EQ(form.windowTitle(), U("Tarvolin: Filter konfigurieren"));
  EXPECT_EQ(form.size(), QSize(321, 258));
  EXPECT_EQ(form.minimumSize(), form.maximumSize());
  EXPECT_FALSE(form.isModal());
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.HelpContext(), 2);
  EXPECT_EQ(form.property("HelpContext").toInt(), 2);

  QStringList titles;
  for (auto* g : form.findChildren<QGroupBox*>()) titles << g->title();
  titles.sort();
  EXPECT_EQ(titles, (QStringList{U(" Resultatmodifikation "), U("Resultaterkennung "),
                                 U("nach dem Resultat senden")}));
  const QRegularExpression ownControl(QStringLiteral("^(edt|lbl|combo|btn|gbox)"));
  for (auto* w : form.findChildren<QWidget*>(ownControl)) {
    EXPECT_TRUE(form.rect().contains(w->geometry().translated(w->parentWidget()->pos())))
        << w->objectName().toStdString();
  }
}

TEST_F(PrgOptionsTest, FieldsHaveTheirLabelsNotesAndInitialTexts) {
  struct Field {
    const char* edit;
    const char* label;
    const char* initial;
  };
  for (auto f : {Field{"edtPrefix", "Start", "255"}, Field{"edtEol", "Ende", "10"},
                 Field{"edtCheck", "Obligat", "g"}, Field{"edtGood", "Zulässig", "0123456789."}}) {
    auto* edit = Child<QLineEdit>(f.edit);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), U(f.initial)) << f.edit;
    bool labelled = false;
    for (auto* l : form.findChildren<QLabel*>()) {
      if (l->buddy() == edit) labelled = l->text() == U(f.label);
    }
    EXPECT_TRUE(labelled) << f.edit;
  }
  int notes = 0;
  for (auto* l : form.findChildren<QLabel*>()) {
    if (l->text() == U("(ASCII Nummer des Zeichens)")) ++notes;
  }
  EXPECT_EQ(notes, 2);
  EXPECT_EQ(Child<QLabel>("lblDecSubst")->buddy(), Child<QComboBox>("comboDecSubst"));
  EXPECT_EQ(Child<QLabel>("lblCursMove")->buddy(), Child<QComboBox>("comboCursMove"));
  EXPECT_EQ(Child<QPushButton>("btnClose")->text(), U("&Schließen"));
}

TEST_F(PrgOptionsTest, ListsHoldTheirEntriesAndVisibleRows) {
  EXPECT_EQ(Items("comboDecSubst"),
            (QStringList{U("belassen"), U("Komma zu Punkt"), U("Punkt zu Komma")}));
  EXPECT_EQ(Items("comboCursMove"),
            (QStringList{U("keine"), U("CR"), U("CR+LF"), U("LF"), U("LF+CR"), U("TAB"), U("DOWN"),
                         U("LEFT"), U("RIGHT"), U("UP")}));
  EXPECT_EQ(Child<QComboBox>("comboDecSubst")->maxVisibleItems(), 3);
  EXPECT_EQ(Child<QComboBox>("comboCursMove")->maxVisibleItems(), 10);
  EXPECT_EQ(Child<QComboBox>("comboDecSubst")->currentText(), U("belassen"));
  EXPECT_EQ(Child<QComboBox>("comboCursMove")->currentText(), U("keine"));
  EXPECT_FALSE(Child<QComboBox>("comboCursMove")->isEditable());
}

TEST_F(PrgOptionsTest, AccessorsSpeakCp1252AndReadTheControlsAtOnce) {
  form.SetGoodText("0123456789.,\x80");
  EXPECT_EQ(Child<QLineEdit>("edtGood")->text(), U("0123456789.,\u20ac"));
  Child<QLineEdit>("edtCheck")->setText(U("\u00b5g"));
  EXPECT_EQ(form.CheckText(), "\xB5g");
  form.SetPrefixText(" 2");
  form.SetEolText("13");
  EXPECT_EQ(form.PrefixText(), " 2");
  EXPECT_EQ(form.EolText(), "13");
  EXPECT_EQ(form.GoodText(), "0123456789.,\x80");

  Child<QComboBox>("comboDecSubst")->setCurrentIndex(2);
  EXPECT_EQ(form.DecSubstIndex(), 2);
  form.SetCursMoveIndex(9);
  EXPECT_EQ(Child<QComboBox>("comboCursMove")->currentText(), U("UP"));
  // An index outside the list leaves no selection.
  for (int bad : {-1, 3, 100}) {
    form.SetDecSubstIndex(bad);
    EXPECT_EQ(form.DecSubstIndex(), -1) << bad;
  }
  form.SetCursMoveIndex(10);
  EXPECT_EQ(form.CursMoveIndex(), -1);
}

TEST_F(PrgOptionsTest, CloseButtonOnlyHidesAndPositionIsKept) {
  form.SetLeft(200);
  form.SetTop(100);
  form.show();
  ASSERT_TRUE(form.isVisible());
  form.SetLeft(240);
  EXPECT_EQ(form.Left(), 240);
  EXPECT_EQ(form.Top(), 100);
  form.SetEolText("13");
  Child<QPushButton>("btnClose")->click();
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.EolText(), "13");
  EXPECT_EQ(form.Left(), 240);
  form.show();
  EXPECT_TRUE(form.isVisible());
}

}  // namespace
