#include "report/PreviewLogic.h"

#include <gtest/gtest.h>

TEST(PreviewLogic, RoundingTakesHalvesToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(35, 10), 4);
  EXPECT_EQ(RoundHalfEven(45, 10), 4);
  EXPECT_EQ(RoundHalfEven(46, 10), 5);
  EXPECT_EQ(RoundHalfEven(44, 10), 4);
  EXPECT_EQ(RoundHalfEven(-35, 10), -4);
  EXPECT_EQ(RoundHalfEven(-45, 10), -4);
}

TEST(PreviewLogic, PageViewFollowsPageSizeAndZoom) {
  // A4 portrait at 96 pixels per inch.
  TPageViewGeometry g = PageViewGeometry(794, 1123, 100);
  EXPECT_EQ(g.Width, 794);
  EXPECT_EQ(g.Height, 1123);
  EXPECT_EQ(g.HorzRange, 824);
  EXPECT_EQ(g.VertRange, 1153);

  // 794 * 0.75 = 595.5 and 1123 * 0.5 = 561.5 both round to the even neighbour.
  g = PageViewGeometry(794, 1123, 75);
  EXPECT_EQ(g.Width, 596);
  g = PageViewGeometry(794, 1123, 50);
  EXPECT_EQ(g.Height, 562);
  g = PageViewGeometry(795, 1125, 50);
  EXPECT_EQ(g.Width, 398);
  EXPECT_EQ(g.Height, 562);
  EXPECT_EQ(g.VertRange, 592);
}

TEST(PreviewLogic, ZoomTextIsADecimalIntegerOrOneHundred) {
  EXPECT_EQ(ZoomFromText("120"), 120);
  EXPECT_EQ(ZoomFromText("20"), 20);
  EXPECT_EQ(ZoomFromText(" 75"), 75);
  EXPECT_EQ(ZoomFromText("-5"), -5);
  EXPECT_EQ(ZoomFromText(""), 100);
  EXPECT_EQ(ZoomFromText("abc"), 100);
  EXPECT_EQ(ZoomFromText("12a"), 100);
  EXPECT_EQ(ZoomFromText("$64"), 100);
  EXPECT_EQ(ZoomFromText("0x64"), 100);
  EXPECT_EQ(ZoomFromText("99999999999"), 100);
}

TEST(PreviewLogic, MouseLadderStepsAndStopsAtItsEnds) {
  const int ladder[] = {50, 75, 100, 150, 200};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(MouseZoomStep(ladder[i], TMouseButton::mbLeft), ladder[i + 1]);
    EXPECT_EQ(MouseZoomStep(ladder[i + 1], TMouseButton::mbRight), ladder[i]);
  }
  EXPECT_EQ(MouseZoomStep(200, TMouseButton::mbLeft), 200);
  EXPECT_EQ(MouseZoomStep(50, TMouseButton::mbRight), 50);
  EXPECT_EQ(MouseZoomStep(120, TMouseButton::mbLeft), 120);
  EXPECT_EQ(MouseZoomStep(120, TMouseButton::mbRight), 120);
  EXPECT_EQ(MouseZoomStep(25, TMouseButton::mbLeft), 25);
  EXPECT_EQ(MouseZoomStep(100, TMouseButton::mbMiddle), 100);
}

TEST(PreviewLogic, KeyboardTable) {
  EXPECT_EQ(PreviewKeyAction(0x1B), TPreviewKeyAction::Close);
  EXPECT_EQ(PreviewKeyAction(0x21), TPreviewKeyAction::PrevPage);
  EXPECT_EQ(PreviewKeyAction(0x22), TPreviewKeyAction::NextPage);
  EXPECT_EQ(PreviewKeyAction(0x24), TPreviewKeyAction::FirstPage);
  EXPECT_EQ(PreviewKeyAction(0x23), TPreviewKeyAction::LastPage);
  EXPECT_EQ(PreviewKeyAction(0x25), TPreviewKeyAction::ScrollLeft);
  EXPECT_EQ(PreviewKeyAction(0x26), TPreviewKeyAction::ScrollUp);
  EXPECT_EQ(PreviewKeyAction(0x27), TPreviewKeyAction::ScrollRight);
  EXPECT_EQ(PreviewKeyAction(0x28), TPreviewKeyAction::ScrollDown);
  EXPECT_EQ(PreviewKeyAction(0x0D), TPreviewKeyAction::None);  // Return
  EXPECT_EQ(PreviewKeyAction('A'), TPreviewKeyAction::None);
}

TEST(PreviewLogic, ArrowScrollingStopsAtTheEdges) {
  EXPECT_EQ(ScrollBack(7), 0);
  EXPECT_EQ(ScrollBack(10), 0);
  EXPECT_EQ(ScrollBack(11), 1);
  EXPECT_EQ(ScrollBack(0), 0);
  EXPECT_EQ(ScrollForward(819, 824), 824);
  EXPECT_EQ(ScrollForward(814, 824), 824);
  EXPECT_EQ(ScrollForward(813, 824), 823);
  EXPECT_EQ(ScrollForward(0, 824), 10);
  EXPECT_EQ(ScrollForward(824, 824), 824);
}

TEST(PreviewPosition, NavigationStaysWithinThePages) {
  TPreviewPosition p;
  EXPECT_EQ(p.Page(), 1);
  EXPECT_EQ(p.Indicator(3), "1/3");

  EXPECT_FALSE(p.PrevPage());
  EXPECT_EQ(p.Indicator(3), "1/3");
  EXPECT_TRUE(p.NextPage(3));
  EXPECT_EQ(p.Indicator(3), "2/3");
  EXPECT_TRUE(p.LastPage(3));
  EXPECT_FALSE(p.NextPage(3));
  EXPECT_EQ(p.Indicator(3), "3/3");
  EXPECT_TRUE(p.PrevPage());
  EXPECT_EQ(p.Page(), 2);
  EXPECT_TRUE(p.FirstPage(3));
  EXPECT_EQ(p.Page(), 1);

  EXPECT_FALSE(p.ShowPage(0, 3));
  EXPECT_FALSE(p.ShowPage(4, 3));
  EXPECT_EQ(p.Page(), 1);
  EXPECT_TRUE(p.ShowPage(3, 3));
  EXPECT_EQ(p.Page(), 3);
}

TEST(PreviewPosition, WithoutPagesNothingMoves) {
  TPreviewPosition p;
  EXPECT_FALSE(p.FirstPage(0));
  EXPECT_FALSE(p.LastPage(0));
  EXPECT_FALSE(p.NextPage(0));
  EXPECT_FALSE(p.PrevPage());
  EXPECT_EQ(p.Indicator(0), "1/0");
}

TEST(PreviewPosition, ZoomAcceptsOnlyChangesWithinRange) {
  TPreviewPosition p;
  EXPECT_EQ(p.Zoom(), 100);
  EXPECT_FALSE(p.SetZoom(100));
  EXPECT_FALSE(p.SetZoom(24));
  EXPECT_FALSE(p.SetZoom(201));
  EXPECT_EQ(p.Zoom(), 100);
  EXPECT_TRUE(p.SetZoom(25));
  EXPECT_TRUE(p.SetZoom(200));
  EXPECT_EQ(p.Zoom(), 200);
}
