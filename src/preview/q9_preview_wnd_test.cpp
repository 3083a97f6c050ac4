// The preview window as the user meets it: exactly the bulbs the renderer
// made at each zoom, old-sequence frames without bulbs, and that only an
// explicit refresh renders; the stretch and the packed pictures under it.

#include <QPainter>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>

#include "convert/source_media.h"
#include "preview/q9_preview_wnd.h"
#include "preview/stretch_bitmap.h"
#include "preview/testing/test_sources.h"

using namespace q9;
using preview::CQ9PreviewWnd;

namespace {

const platform::SignGeometry kSign{64, 192, platform::Q9_RGB16MB};

// Pixel (x, y from the top) of the render's own picture: 24-bit rows,
// bottom-up.
QRgb PreviewPixel(const convert::SourceMedia& media, int x, int y) {
  platform::BitmapInfoHeader h;
  std::memcpy(&h, media.PreviewHeader().data(), sizeof h);
  const size_t stride = size_t(h.biWidth * 3 + 3) / 4 * 4;
  const uint8_t* p = media.PreviewBits().data() + size_t(h.biHeight - 1 - y) * stride + 3 * x;
  return qRgb(p[2], p[1], p[0]);
}

int Darker(const QImage& image, const QRect& area, int below) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) n += qGray(image.pixel(x, y)) < below;
  return n;
}

}  // namespace

class PreviewWndTest : public QObject, public preview::PreviewOwner {
  Q_OBJECT

  QTemporaryDir m_dir;
  QString m_picture;
  QWidget m_mainDialog;
  convert::SourceMedia m_media;
  QPointer<CQ9PreviewWnd> m_wnd;
  int m_destroyed = 0;

  void OnPreviewWindowDestroyed() override { ++m_destroyed; }
  // The file shown for the sign at zoom 2.0 plus the steps.
  void Show(const QString& path, platform::SignGeometry sign = kSign, int zoomSteps = 0) {
    QVERIFY(m_media.Open(path.toStdString(), sign.rows, sign.columns, sign.colorType));
    m_media.AdjustChanged = 1;
    m_wnd->ShowSource(QStringLiteral("64x192.RGB16MB"), &m_media);
    QVERIFY(QTest::qWaitForWindowExposed(m_wnd));
    for (int i = 0; i < zoomSteps; ++i) m_media.ZoomIn();
    if (zoomSteps < 0) m_media.ZoomOut();
    if (zoomSteps != 0) m_wnd->FitToZoom();
  }
  QImage Grab() const { return m_wnd->grab().toImage().convertToFormat(QImage::Format_RGB32); }

 private slots:
  void initTestCase() {
    // The sign's size, so that every bulb shows a pixel of its own.
    m_picture = m_dir.filePath(QStringLiteral("pattern.bmp"));
    QVERIFY(preview::testing::WritePicture(m_picture, QSize(192, 64), [](int x, int y) {
      return qRgb(x * 5 % 256, y * 4, (x * 3 + y * 7) % 256);
    }));
  }
  void init() {
    m_wnd = new CQ9PreviewWnd(this);
    QVERIFY(!m_wnd->Create(&m_mainDialog, {}) && !m_wnd->Create(nullptr, QRect(0, 0, 9, 9)));
    QVERIFY(m_wnd->Create(&m_mainDialog, QRect(40, 30, 192, 64)));
  }
  // Closed, it deletes itself and tells its owner.
  void cleanup() {
    m_wnd->close();
    QTRY_VERIFY(m_wnd.isNull());
    QCOMPARE(std::exchange(m_destroyed, 0), 1);
  }

  // The client area is the sign times zoom x 0.5, and each screen pixel
  // shows the bulb under its centre, unsmoothed. Covering and uncovering
  // draws the last picture; only a refresh renders.
  void showsTheRenderedBulbsAtEachZoom_data() {
    QTest::addColumn<int>("steps");  // zoom steps from 2.0
    QTest::addColumn<QSize>("client");
    QTest::newRow("1.0") << -1 << QSize(96, 32);
    QTest::newRow("2.0") << 0 << QSize(192, 64);
    QTest::newRow("3.0") << 1 << QSize(288, 96);
    QTest::newRow("4.0") << 2 << QSize(384, 128);
  }
  void showsTheRenderedBulbsAtEachZoom() {
    QFETCH(int, steps);
    QFETCH(QSize, client);
    Show(m_picture, kSign, steps);
    QCOMPARE(m_wnd->windowTitle(), QStringLiteral("Preview : 64x192.RGB16MB"));
    QCOMPARE(m_wnd->size(), client);
    const QImage shown = Grab();
    int mismatches = 0;
    for (int y = 0; y < client.height(); ++y)
      for (int x = 0; x < client.width(); ++x)
        mismatches +=
            shown.pixel(x, y) != PreviewPixel(m_media, int((x + 0.5) * 192 / client.width()),
                                              int((y + 0.5) * 64 / client.height()));
    QCOMPARE(mismatches, 0);
    QVERIFY(PreviewPixel(m_media, 10, 10) != PreviewPixel(m_media, 11, 10));
    m_media.AdjustChanged = 1;  // a render would clear it
    m_wnd->hide();
    m_wnd->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_wnd));
    m_wnd->RenderPreview(false);
    QCOMPARE(Grab(), shown);
    QCOMPARE(m_media.AdjustChanged, 1);
    m_wnd->RenderPreview(true);
    QCOMPARE(m_media.AdjustChanged, 0);
  }

  // An include frame shows white with its kind from (1, 1); the graphics
  // frame after it shows its bulbs again.
  void oldSequenceFramesWithoutBulbsShowTheirKind() {
    const QString seq = m_dir.filePath(QStringLiteral("old.seq"));
    const platform::SignGeometry sign{16, 96, platform::Q9_RGB16MB};
    QVERIFY(preview::testing::WriteOldSequence(seq, sign, 0x30));
    Show(seq, sign, 2);  // 192 x 32: room for the text
    QImage shown = Grab();
    QVERIFY(Darker(shown, QRect(1, 1, 100, 20), 128) > 20);
    // The text in the window's font, black on white, from (1, 1).
    QImage text(shown.size(), shown.format());
    text.fill(Qt::white);
    QPainter painter(&text);
    painter.setFont(m_wnd->font());
    painter.drawText(text.rect().adjusted(1, 1, 0, 0),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     QString::fromStdString(m_media.LabelText()));
    painter.end();
    QCOMPARE(shown, text);
    m_media.GoToFrame(2);
    m_wnd->RenderPreview(true);
    shown = Grab();
    QCOMPARE(shown.pixel(100, 20), PreviewPixel(m_media, 50, 10));
    QCOMPARE(Darker(shown, shown.rect(), 255), 192 * 32);
  }

  // Bands of a frame and pictures of any depth, also where a screen pixel's
  // centre falls between picture pixels.
  void stretchTakesThePixelUnderEachCentre_data() {
    QTest::addColumn<int>("bits");
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QRect>("area");
    QTest::newRow("24 bits, half") << 24 << QSize(3, 2) << QRect(0, 0, 3, 2);
    QTest::newRow("32 bits, twice, a band") << 32 << QSize(12, 8) << QRect(0, 3, 12, 2);
    QTest::newRow("8-bit palette, off the edges") << 8 << QSize(18, 12) << QRect(4, 5, 7, 6);
  }
  void stretchTakesThePixelUnderEachCentre() {
    QFETCH(int, bits);
    QFETCH(QSize, screen);
    QFETCH(QRect, area);
    platform::Bitmap bitmap = platform::Bitmap::Create(6, 4, bits);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 6; ++x)
        bitmap.SetPixelValue(x, y, bits == 8 ? uint32_t(x * 40 + y) : uint32_t(x << 16 | y << 8));
    QImage canvas;
    preview::StretchBitmap(bitmap, screen, area, canvas);
    QCOMPARE(canvas.size(), area.size());
    for (int y = 0; y < area.height(); ++y)
      for (int x = 0; x < area.width(); ++x) {
        const platform::RgbQuad want =
            bitmap.PixelColour(int((area.left() + x + 0.5) * 6 / screen.width()),
                               int((area.top() + y + 0.5) * 4 / screen.height()));
        QCOMPARE(canvas.pixel(x, y), qRgb(want.red, want.green, want.blue));
      }
  }

  // A positive height puts the bottom row first, a negative one the top
  // row; a header that promises more rows than the bits hold gives nothing.
  void packedPicturesOfEitherRowOrder() {
    std::vector<uint8_t> header(platform::kDibHeaderBlockSize, 0);
    platform::BitmapInfoHeader h;
    h.biWidth = 2, h.biBitCount = 24;
    const std::vector<uint8_t> bits = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    for (int height : {2, -2, 3}) {
      h.biHeight = height;
      std::memcpy(header.data(), &h, sizeof h);
      const platform::Bitmap b = preview::BitmapOfPackedDib(header, bits);
      QCOMPARE(b.HasData(), height != 3);
      if (height != 3) QCOMPARE(b.PixelValue(0, height > 0 ? 1 : 0), 0x030201u);
    }
  }
};

QTEST_MAIN(PreviewWndTest)
#include "q9_preview_wnd_test.moc"
