#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include "gui/QtText.h"
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
  EXPECT_EQ(form.windowTitle(), FromCp1252(PrgOptionsCaption));
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

// The window definition agrees with the design both GUIs build.
TEST_F(PrgOptionsTest, FieldsAndListsAreThoseOfTheSharedDesign) {
  int notes = 0;
  for (const TFieldDesign& f : PrgOptionsFields) {
    auto* edit = Child<QLineEdit>(f.Name);
    EXPECT_EQ(edit->text(), FromCp1252(f.Initial)) << f.Name;
    auto* label = Child<QLabel>(f.LabelName);
    EXPECT_EQ(label->text(), FromCp1252(f.Label)) << f.Name;
    EXPECT_EQ(label->buddy(), edit) << f.Name;
    if (f.Note != nullptr) ++notes;
  }
  int shown = 0;
  for (auto* l : form.findChildren<QLabel*>())
    if (l->text() == FromCp1252(CharCodeNote)) ++shown;
  EXPECT_EQ(shown, notes);
  EXPECT_EQ(Child<QLabel>("lblGood")->text(), U("Zulässig"));

  EXPECT_EQ(Child<QGroupBox>(RecognitionGroupName)->title(), FromCp1252(RecognitionGroupCaption));
  for (const TListGroupDesign& list : PrgOptionsListGroups) {
    const TComboDesign& design = list.Combo;
    QStringList items;
    for (const char* item : design.Items) items << FromCp1252(item);
    EXPECT_EQ(Items(design.Name), items);
    EXPECT_EQ(Child<QComboBox>(design.Name)->currentText(), FromCp1252(design.Initial));
    EXPECT_EQ(Child<QComboBox>(design.Name)->maxVisibleItems(), list.Rows);
    EXPECT_EQ(Child<QGroupBox>(list.GroupName)->title(), FromCp1252(list.Group));
    EXPECT_EQ(Child<QLabel>(list.LabelName)->text(), FromCp1252(list.Label));
    EXPECT_EQ(Child<QLabel>(list.LabelName)->buddy(), Child<QComboBox>(design.Name));
  }
  EXPECT_FALSE(Child<QComboBox>("comboCursMove")->isEditable());
  EXPECT_EQ(Child<QPushButton>("btnClose")->text(), FromCp1252(PrgOptionsCloseCaption));
  // The places the Win32 dialog is built from.
  for (const TControlPlace& p : PrgOptionsPlaces) {
    auto* w = Child<QWidget>(p.Name);
    EXPECT_EQ(w->geometry(), QRect(p.Left, p.Top, p.Width, p.Height)) << p.Name;
    EXPECT_EQ(w->parentWidget(), p.Parent ? Child<QWidget>(p.Parent) : &form) << p.Name;
  }
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
