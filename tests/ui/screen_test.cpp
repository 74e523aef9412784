// What the main frame draws on a real screen (Xvfb): the Japanese menu texts
// as glyphs of a Japanese face, the toolbar's pictures. These tests run only
// with a display (the test "test_ui_screen" runs them under Xvfb).
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QRawFont>
#include <QScreen>
#include <QToolBar>

#include "support/app_fixture.h"

namespace {

using qvtest::ui::Pump;
using qvtest::ui::WidgetOf;

class OnScreenTest : public qvtest::AppTest {
 protected:
  void SetUp() override {
    qv::ui::EnsureApp();
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
      // Run as test_ui_screen, a missing display is a failure, not a skip.
      if (std::getenv("QUARVEX_REQUIRE_SCREEN")) FAIL() << "no display: " << qPrintable(QGuiApplication::platformName());
      GTEST_SKIP() << "needs a display";
    }
    qvtest::AppTest::SetUp();
  }
  // The screen's pixels of a widget, as a person sees them.
  static QImage Seen(QWidget* w) {
    QWidget* top = w->window();
    top->raise();
    Pump(10);
    const QPoint at = w->mapToGlobal(QPoint(0, 0));
    return QGuiApplication::primaryScreen()->grabWindow(0, at.x(), at.y(), w->width(), w->height()).toImage();
  }
  static int DarkPixels(const QImage& img, const QRect& area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom() && y < img.height(); ++y) {
      for (int x = area.left(); x <= area.right() && x < img.width(); ++x) n += qGray(img.pixel(x, y)) < 96;
    }
    return n;
  }
};

TEST_F(OnScreenTest, MenuTextsAreJapaneseGlyphsAndTheToolbarShowsItsPictures) {
  ASSERT_TRUE(Start());
  auto* mw = qobject_cast<QMainWindow*>(WidgetOf(Frame()));
  ASSERT_NE(mw, nullptr);
  QMenuBar* bar = mw->menuBar();
  const QImage menu = Seen(bar);
  // Every menu title is drawn in a face that has its characters: no boxes.
  const QRawFont raw = QRawFont::fromFont(bar->font());
  for (QAction* a : bar->actions()) {
    for (QChar c : a->text()) {
      if (c == QLatin1Char('&') || c == QLatin1Char('(') || c == QLatin1Char(')')) continue;
      EXPECT_TRUE(raw.supportsCharacter(c)) << qPrintable(QString(c)) << " in " << qPrintable(raw.familyName());
    }
    // And something is drawn where each title stands.
    const QRect where = bar->actionGeometry(a).adjusted(2, 2, -2, -2);
    EXPECT_GT(DarkPixels(menu, where), 20) << qPrintable(a->text());
  }
  // The glyph of "フ" drawn in that face is no empty box: its ink differs
  // from a missing character's.
  QImage probe(40, 40, QImage::Format_RGB32);
  auto ink = [&](const QString& s) {
    probe.fill(Qt::white);
    QPainter p(&probe);
    p.setFont(bar->font());
    p.setPen(Qt::black);
    p.drawText(probe.rect(), Qt::AlignCenter, s);
    p.end();
    return probe.copy();
  };
  EXPECT_NE(ink(QString::fromUtf8("フ")), ink(QString(QChar(0xE000))));

  // The toolbar: the about button's blue picture is on the screen.
  QToolBar* tools = mw->findChild<QToolBar*>();
  ASSERT_NE(tools, nullptr);
  const QImage seen = Seen(tools);
  int blue = 0;
  for (int y = 0; y < seen.height(); ++y) {
    for (int x = 0; x < seen.width(); ++x) {
      const QColor c = seen.pixelColor(x, y);
      blue += c.blue() > 180 && c.red() < 60 && c.green() < 120;
    }
  }
  EXPECT_GT(blue, 10);
  // Light grey of the pictures is not drawn: it shows the bar.
  EXPECT_EQ(seen.pixelColor(seen.width() - 2, seen.height() / 2).red(),
            seen.pixelColor(seen.width() - 3, seen.height() / 2).red());
}

}  // namespace
