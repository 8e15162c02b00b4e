// The view's handover from the receiver thread and what it paints.
#include "qt/screen_view.h"

#include <gtest/gtest.h>

#include <QPaintEvent>
#include <QSignalSpy>
#include <QTest>
#include <thread>

#include "keypad/keypad.h"
#include "screen/status_counters.h"
#include "screen/surface.h"
#include "support/test_doubles.h"

namespace corvane {
namespace {

// A picture whose every pixel tells where it is, tagged with `tag`.
void Paint(Surface& surface, uint8_t tag) {
  Pixel* pixels = surface.MutablePixels();
  for (int y = 0; y < Surface::kHeight; ++y) {
    for (int x = 0; x < Surface::kWidth; ++x) {
      pixels[y * Surface::kWidth + x] =
          MakePixel(static_cast<uint8_t>(x), static_cast<uint8_t>(y), tag);
    }
  }
}

void FillBox(Surface& surface, QRect box, Pixel colour) {
  surface.SelectPen(colour);
  for (int y = box.top(); y <= box.bottom(); ++y)
    surface.FillRowSpan(y, box.left(), box.right() + 1);
}

// The parts of the picture area the view was asked to paint.
class PaintedPicture : public QObject {
 public:
  QRegion region;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      region += static_cast<QPaintEvent*>(event)->region() &
                QRect(kPictureX, kPictureY, Surface::kWidth, Surface::kHeight);
    }
    return QObject::eventFilter(watched, event);
  }
};

class ScreenViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    view_.resize(view_.sizeHint());
    view_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view_));
  }

  TransmitQueue queue_;
  Keypad keypad_{queue_};
  ScreenView view_{keypad_};
};

TEST_F(ScreenViewTest, APictureFromTheReceiverThreadIsPaintedUnscaledAt10_30) {
  QSignalSpy shown(&view_, &ScreenView::PictureShown);
  Surface surface;
  Paint(surface, 77);
  std::thread receiver([&] { testing::ShowWholePicture(view_.Display(), surface); });
  receiver.join();
  // The receiver's surface is its own again: changing it now must not
  // reach the screen.
  Paint(surface, 1);
  ASSERT_TRUE(shown.wait(5000));
  const QImage painted = view_.grab().toImage().convertToFormat(QImage::Format_RGB32);
  for (const QPoint p : {QPoint(0, 0), QPoint(799, 0), QPoint(0, 599), QPoint(799, 599),
                         QPoint(400, 300), QPoint(123, 456)}) {
    SCOPED_TRACE(p.x() * 1000 + p.y());
    const QRgb expected = MakePixel(static_cast<uint8_t>(p.x()), static_cast<uint8_t>(p.y()), 77);
    EXPECT_EQ(painted.pixel(p + QPoint(kPictureX, kPictureY)), expected);
    EXPECT_EQ(view_.Picture().pixel(p), expected);
  }
  EXPECT_EQ(view_.PicturesShown(), 1);
}

TEST_F(ScreenViewTest, PicturesThatArriveFasterThanTheUiAreShownOnceWithTheLatest) {
  QSignalSpy shown(&view_, &ScreenView::PictureShown);
  Surface surface;
  // Nothing runs the UI thread's events while these arrive.
  for (uint8_t tag = 1; tag <= 5; ++tag) {
    Paint(surface, tag);
    testing::ShowWholePicture(view_.Display(), surface);
  }
  ASSERT_TRUE(shown.wait(5000));
  QCoreApplication::processEvents();
  EXPECT_EQ(shown.count(), 1);
  EXPECT_EQ(view_.PicturesShown(), 1);
  EXPECT_EQ(qBlue(view_.Picture().pixel(5, 5)), 5);

  // The next picture after a handover goes through as well.
  Paint(surface, 6);
  testing::ShowWholePicture(view_.Display(), surface);
  ASSERT_TRUE(shown.wait(5000));
  EXPECT_EQ(qBlue(view_.Picture().pixel(5, 5)), 6);
}

TEST_F(ScreenViewTest, ManyPicturesFromAThreadEndWithTheLastOneShown) {
  QSignalSpy shown(&view_, &ScreenView::PictureShown);
  constexpr int kPictures = 200;
  std::jthread receiver([&] {  // joined too when an assertion ends the test
    Surface surface;
    for (int i = 1; i <= kPictures; ++i) {
      Paint(surface, static_cast<uint8_t>(i));
      testing::ShowWholePicture(view_.Display(), surface);
    }
  });
  // Keep the UI running while the receiver hands pictures over.
  while (qBlue(view_.Picture().isNull() ? 0 : view_.Picture().pixel(0, 0)) != kPictures) {
    ASSERT_TRUE(shown.wait(5000));
  }
  receiver.join();
  EXPECT_GE(view_.PicturesShown(), 1);
  EXPECT_LE(view_.PicturesShown(), kPictures);
  // Every shown picture is whole: one tag across it.
  const QImage last = view_.Picture();
  EXPECT_EQ(qBlue(last.pixel(799, 599)), kPictures);
}

TEST_F(ScreenViewTest, WhileTheUiIsBehindTheChangesOfEveryReplacedPictureAreRepainted) {
  QSignalSpy shown(&view_, &ScreenView::PictureShown);
  PaintedPicture painted;
  view_.installEventFilter(&painted);
  Surface surface;
  Paint(surface, 1);
  testing::ShowWholePicture(view_.Display(), surface);
  ASSERT_TRUE(shown.wait(5000));
  // The first picture is painted whole.
  const QRect area(kPictureX, kPictureY, Surface::kWidth, Surface::kHeight);
  ASSERT_TRUE(QTest::qWaitFor([&] { return painted.region == QRegion(area); }, 5000));
  EXPECT_EQ(view_.PicturePixelsRepainted(), 800 * 600);
  painted.region = QRegion();
  const int64_t repainted_before = view_.PicturePixelsRepainted();

  // Two pictures arrive before the UI runs: the first changes a box that
  // the second leaves alone, so only the first knows it changed.
  const QRect first(100, 100, 10, 10);
  const QRect second(500, 400, 20, 5);
  FillBox(surface, first, kBlack);
  testing::ShowWholePicture(view_.Display(), surface);
  FillBox(surface, second, kBlack);
  testing::ShowWholePicture(view_.Display(), surface);
  ASSERT_TRUE(shown.wait(5000));
  EXPECT_EQ(shown.count(), 2);
  EXPECT_EQ(view_.PicturePixelsRepainted() - repainted_before, 100 + 100);
  const QRegion expected =
      QRegion(first.translated(kPictureX, kPictureY)) + second.translated(kPictureX, kPictureY);
  EXPECT_TRUE(QTest::qWaitFor([&] { return painted.region == expected; }, 5000))
      << painted.region.boundingRect().x() << "," << painted.region.boundingRect().y() << " "
      << painted.region.boundingRect().width() << "x" << painted.region.boundingRect().height()
      << " in " << painted.region.rectCount();
  EXPECT_EQ(view_.Picture().pixel(first.topLeft()), kBlack);
  EXPECT_EQ(view_.Picture().pixel(second.bottomRight()), kBlack);

  // The same picture again is shown but paints nothing of the picture.
  painted.region = QRegion();
  testing::ShowWholePicture(view_.Display(), surface);
  ASSERT_TRUE(shown.wait(5000));
  EXPECT_EQ(view_.PicturePixelsRepainted() - repainted_before, 200);
  view_.update(0, 0, 5, 5);  // a paint to wait for, outside the picture
  ASSERT_TRUE(QTest::qWaitFor([&] { return view_.PicturesShown() == 3; }, 5000));
  QCoreApplication::processEvents();
  EXPECT_TRUE(painted.region.isEmpty());
}

TEST_F(ScreenViewTest, TheLatestStatusTextIsKeptAndDrawnAt10_10) {
  QSignalSpy shown(&view_, &ScreenView::PictureShown);
  std::thread receiver([&] {
    view_.Display().ShowStatusText(FormatImagesStatus(0));
    view_.Display().ShowStatusText(FormatImagesStatus(1));
  });
  receiver.join();
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return view_.StatusText().trimmed() == QString("Images: 1"); }, 5000));
  EXPECT_EQ(view_.StatusText().toStdString(), FormatImagesStatus(1));

  const QImage painted = view_.grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QRgb background = painted.pixel(5, 5);
  int ink_in_line = 0;
  int ink_above = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 200; ++x) {
      if (painted.pixel(x, y) == background) continue;
      (y >= kStatusY && x >= kStatusX ? ink_in_line : ink_above)++;
    }
  }
  EXPECT_GT(ink_in_line, 20);
  EXPECT_EQ(ink_above, 0);
}

}  // namespace
}  // namespace corvane
