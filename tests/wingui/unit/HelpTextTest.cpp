// The help document as the help window's text: what a reader sees, and where each section starts.
#include "wingui/app/HelpText.h"

#include <gtest/gtest.h>

namespace {

struct TCase {
  const char16_t* html;
  const char16_t* text;
};

TEST(HelpText, ReadsLikeTheRenderedDocument) {
  const TCase cases[] = {
      // The head's title is not text; white space collapses.
      {u"<html><head><title>T</title></head><body><p>a\n  b</p></body>", u"a b"},
      {u"<h1>Kopf</h1><p>eins</p><h2>Abc</h2><h3>x</h3>",
       u"Kopf\r\n====\r\n\r\neins\r\n\r\nAbc\r\n---\r\n\r\nx"},
      {u"<p>a &gt; b &amp; &lt;c&gt; &#252;&#xFC; &bogus;</p>",
       u"a > b & <c> \u00FC\u00FC &bogus;"},
      {u"<ul><li>x</li><li>y</li></ul>", u"\u2022 x\r\n\u2022 y"},
      {u"<ol><li>x</li><li>y</li></ol>", u"1. x\r\n2. y"},
      {u"<table><tr><th>A</th><th>B</th></tr><tr><td>1</td><td>2</td></tr></table>",
       u"A\tB\r\n1\t2"},
      {u"<pre>a  b\n c</pre>", u"a  b\r\n c"},
      {u"<!-- x --><p>a<br>b</p>", u"a\r\nb"},
  };
  for (const TCase& c : cases) EXPECT_EQ(HelpTextFromHtml(c.html).Text, c.text);
}

TEST(HelpText, AnchorsPointAtTheLineOfTheirSection) {
  const THelpText help = HelpTextFromHtml(
      u"<h1><a name=\"overview\">\u00DCberblick</a></h1><p>Text</p>"
      u"<h2 id='ctx6'>Haupt<a name=ctx9>fenster</a></h2>");
  ASSERT_EQ(help.Anchors.size(), 3u);
  EXPECT_EQ(help.Anchors.at("overview"), 0u);
  const size_t main = help.Text.find(u"Hauptfenster");
  EXPECT_EQ(help.Anchors.at("ctx6"), main);
  // An anchor inside a line shows the whole line.
  EXPECT_EQ(help.Anchors.at("ctx9"), main);
}

}  // namespace
