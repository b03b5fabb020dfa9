// The port selection list and the number its items stand for, without a window.
#include "serial/AdSelCom.h"

#include <gtest/gtest.h>

#include <set>

#include "serial/AdErrCodes.h"

namespace {

TEST(ComSelect, ListsThePresentPortsOneToFiftyInOrderWithTheirAdapters) {
  std::set<int> present{0, 3, 12, 7, 50, 51, 100};
  std::vector<int> asked;
  TComPortList list;
  list.PortExists = [&](int n) {
    asked.push_back(n);
    return present.contains(n);
  };
  list.Describe = [](int n) { return "COM" + std::to_string(n) + " = /dev/ttyUSB\xB5"; };
  list.Name = [](int n) {
    return n == 12 ? std::string("FTDI FT232R (M\xFCller)") : std::string();
  };

  const std::vector<TComSelectItem> items = ComSelectItems(list);
  std::vector<std::string> texts;
  for (const TComSelectItem& item : items) texts.push_back(item.Text);
  EXPECT_EQ(texts,
            (std::vector<std::string>{"COM3", "COM7", "COM12: FTDI FT232R (M\xFCller)", "COM50"}));
  EXPECT_EQ(items[1].Tooltip, "COM7 = /dev/ttyUSB\xB5");
  ASSERT_EQ(asked.size(), 50u);
  EXPECT_EQ(asked.front(), 1);
  EXPECT_EQ(asked.back(), 50);

  EXPECT_TRUE(ComSelectItems(TComPortList{}).empty()) << "no device layer, no ports";
}

TEST(ComSelect, AnItemGivesItsPortNumberAndOnlyOkChoosesOne) {
  struct Case {
    bool accepted;
    std::string item;
    int number;  // of the item
    int result;  // of the dialog
  };
  const Case cases[] = {
      {true, "COM7", 7, 7},
      {true, "COM12", 12, 12},
      {true, "COM12: FTDI FT232R (M\xFCller)", 12, 12},
      {false, "COM12", 12, ecNoPortSelected},
      {true, "", 0, ecNoPortSelected},  // OK on an empty list
      {true, "COM", 0, ecNoPortSelected},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ComNumberOfItem(c.item), c.number) << c.item;
    EXPECT_EQ(ComSelectResult(c.accepted, c.item), c.result) << c.item << c.accepted;
  }
}

}  // namespace
