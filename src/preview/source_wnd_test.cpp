// The source window as the user meets it: its size at each zoom, the frame
// under an outline that shows on any picture, and the capture rectangle that
// dragging, drawing and the arrow keys leave in the record, with the
// messages the owner hears and their order.

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "convert/source_media.h"
#include "preview/source_wnd.h"
#include "preview/testing/test_sources.h"

using namespace q9;
using preview::CSourceWnd;

Q_DECLARE_METATYPE(adjust::Rect)

namespace {

// The frame is 320 x 240; the sign 64 rows by 192 columns, so a new source
// captures {64, 88, 256, 152} (192 x 64, centred).
constexpr QSize kFrame(320, 240);
const platform::SignGeometry kSign{64, 192, platform::Q9_RGB16MB};

class Recorder : public preview::SourceWndOwner {
 public:
  QStringList calls;
  void AdjMsgSetHeightRange(int low, int high) override {
    calls << QStringLiteral("height %1..%2").arg(low).arg(high);
  }
  void AdjMsgSetWidthRange(int low, int high) override {
    calls << QStringLiteral("width %1..%2").arg(low).arg(high);
  }
  void AdjMsgSyncControls() override { calls << QStringLiteral("sync"); }
  void AdjMsgRefresh(bool push) override { calls << QStringLiteral("refresh %1").arg(push); }
  void AdjMsgReloadValues() override { calls << QStringLiteral("reload"); }
};

struct Capture {
  adjust::Rect rect;
  int width, height, xPos, yPos, sizeMode;
  bool operator==(const Capture&) const = default;
};

Capture CaptureOf(const convert::SourceMedia& m) {
  return {m.CaptureRect, m.Width, m.Height, m.XPos, m.YPos, m.SizeMode};
}

char* Describe(const Capture& c) {
  return QTest::toString(QStringLiteral("rect %1,%2,%3,%4 size %5x%6 at %7,%8 mode %9")
                             .arg(c.rect.left)
                             .arg(c.rect.top)
                             .arg(c.rect.right)
                             .arg(c.rect.bottom)
                             .arg(c.width)
                             .arg(c.height)
                             .arg(c.xPos)
                             .arg(c.yPos)
                             .arg(c.sizeMode));
}

}  // namespace

Q_DECLARE_METATYPE(Capture)
namespace QTest {
template <>
char* toString(const Capture& c) {
  return Describe(c);
}
}  // namespace QTest

class SourceWndTest : public QObject {
  Q_OBJECT

  QTemporaryDir m_dir;
  QString m_black, m_white;

  // A source window over a frame of one colour, shown and bound.
  struct Window {
    convert::SourceMedia media;
    Recorder owner;
    QWidget parent;
    CSourceWnd* wnd = new CSourceWnd(&owner);

    Window(const QString& path, int zoomSteps = 0) {
      QVERIFY(media.Open(path.toStdString(), kSign.rows, kSign.columns, kSign.colorType));
      for (int i = 0; i < zoomSteps; ++i) media.ZoomIn();
      QVERIFY(wnd->Create(&parent, QRect(10, 10, 100, 100)));
      wnd->SetSource(path, &media);
      wnd->show();
      QVERIFY(QTest::qWaitForWindowExposed(wnd));
    }
  };

  static QImage Grab(CSourceWnd& wnd) {
    return wnd.grab().toImage().convertToFormat(QImage::Format_RGB32);
  }
  // Pixels of the area that are not the picture's colour.
  static int Marked(const QImage& image, const QRect& area, QRgb picture) {
    int marked = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
      for (int x = area.left(); x <= area.right(); ++x)
        if ((image.pixel(x, y) & 0xffffff) != (picture & 0xffffff)) ++marked;
    return marked;
  }

 private slots:
  void initTestCase() {
    QVERIFY(m_dir.isValid());
    m_black = m_dir.filePath(QStringLiteral("black.bmp"));
    m_white = m_dir.filePath(QStringLiteral("white.bmp"));
    QVERIFY(
        preview::testing::WritePicture(m_black, kFrame, [](int, int) { return qRgb(0, 0, 0); }));
    QVERIFY(preview::testing::WritePicture(m_white, kFrame,
                                           [](int, int) { return qRgb(255, 255, 255); }));
  }

  void sizeFollowsTheZoom_data() {
    QTest::addColumn<int>("zoomSteps");
    QTest::addColumn<QSize>("client");
    QTest::newRow("zoom 2.0 after opening") << 0 << QSize(320, 240);
    QTest::newRow("zoom 3.0") << 1 << QSize(480, 360);
    QTest::newRow("zoom 4.0") << 2 << QSize(640, 480);
  }
  void sizeFollowsTheZoom() {
    QFETCH(int, zoomSteps);
    QFETCH(QSize, client);
    Window w(m_black);
    QCOMPARE(w.wnd->windowTitle(), QStringLiteral("Source : black.bmp"));
    for (int i = 0; i < zoomSteps; ++i) w.media.ZoomIn();
    w.wnd->FitSourceToZoom();
    QCOMPARE(w.wnd->size(), client);
    w.media.ZoomOut();
    w.media.ZoomOut();
    w.media.ZoomOut();
    w.wnd->FitSourceToZoom();
    QCOMPARE(w.wnd->size(), QSize(160, 120));
  }

  // The outline inverts what lies under it: white dots on black, black dots
  // on white, and nothing off the rectangle's edges.
  void outlineShowsOnAnyPicture_data() {
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QRgb>("colour");
    QTest::newRow("black") << m_black << qRgb(0, 0, 0);
    QTest::newRow("white") << m_white << qRgb(255, 255, 255);
  }
  void outlineShowsOnAnyPicture() {
    QFETCH(QString, picture);
    QFETCH(QRgb, colour);
    Window w(picture);
    const QImage image = Grab(*w.wnd);
    QCOMPARE(Marked(image, QRect(0, 0, 320, 240), colour),
             Marked(image, QRect(64, 88, 192, 64), colour));
    const int top = Marked(image, QRect(64, 88, 192, 2), colour);
    QVERIFY2(top > 40 && top < 300, qPrintable(QString::number(top)));
    for (int x : {64, 65, 254, 255}) QVERIFY(Marked(image, QRect(x, 88, 1, 64), colour) > 10);
    QCOMPARE(Marked(image, QRect(66, 90, 188, 60), colour), 0);
  }

  void outlineIsCutAtTheRightAndBottomOnly() {
    Window w(m_black, 2);  // zoom 4.0: 640 x 480, two screen pixels per frame pixel
    w.media.CaptureRect = {-10, -10, 400, 300};
    w.wnd->PaintSource();
    const QImage image = Grab(*w.wnd);
    const QRgb black = qRgb(0, 0, 0);
    // The right and bottom edges are drawn at the window's edges; the left
    // and top ones lie outside it.
    QVERIFY(Marked(image, QRect(638, 0, 2, 480), black) > 100);
    QVERIFY(Marked(image, QRect(0, 478, 640, 2), black) > 100);
    QCOMPARE(Marked(image, QRect(0, 0, 636, 2), black), 0);
    QCOMPARE(Marked(image, QRect(0, 0, 2, 476), black), 0);
  }

  void dragAndDraw_data() {
    QTest::addColumn<int>("zoomSteps");
    QTest::addColumn<int>("keepAspect");
    QTest::addColumn<int>("autoCenter");
    QTest::addColumn<int>("percentSize");     // > 0: Percent mode with this Width and Height
    QTest::addColumn<QList<QPoint>>("path");  // press, moves, release (client points)
    QTest::addColumn<bool>("moving");         // the press lies inside the capture
    QTest::addColumn<Capture>("expected");
    using P = QList<QPoint>;
    QTest::newRow("draw: sorted on release")
        << 0 << 0 << 0 << 0 << P{{300, 200}, {200, 100}, {100, 50}} << false
        << Capture{{100, 50, 300, 200}, 200, 150, 100, 50, 1};
    QTest::newRow("draw with Keep Aspect: bottom from the sign's shape")
        << 0 << 1 << 0 << 0 << P{{300, 200}, {100, 50}} << false
        << Capture{{100, 50, 300, 116}, 200, 66, 100, 50, 1};
    QTest::newRow("draw at zoom 4.0: client points halved")
        << 2 << 0 << 0 << 0 << P{{100, 50}, {20, 11}} << false
        << Capture{{10, 5, 50, 25}, 40, 20, 10, 5, 1};
    QTest::newRow("draw past the frame: clipped to its last pixel")
        << 0 << 0 << 0 << 0 << P{{100, 50}, {400, 300}} << false
        << Capture{{100, 50, 319, 239}, 219, 189, 100, 50, 1};
    QTest::newRow("draw with Auto Center: the position centres the new size")
        << 0 << 0 << 1 << 0 << P{{300, 200}, {100, 50}} << false
        << Capture{{100, 50, 300, 200}, 200, 150, 60, 45, 1};
    QTest::newRow("drag left past the edge: left stops at 0, width kept")
        << 0 << 1 << 0 << 0 << P{{100, 100}, {20, 100}, {20, 100}} << true
        << Capture{{0, 88, 192, 152}, 192, 64, 0, 88, 1};
    QTest::newRow("drag at zoom 4.0") << 2 << 0 << 0 << 0 << P{{200, 200}, {220, 210}, {240, 220}}
                                      << true << Capture{{84, 98, 276, 162}, 192, 64, 84, 98, 1};
    QTest::newRow("click inside in Percent mode: pixels once")
        << 0 << 0 << 0 << 50 << P{{100, 100}, {100, 100}} << true
        << Capture{{64, 88, 224, 208}, 160, 120, 64, 88, 1};
    QTest::newRow("drag in Percent mode: converted on the first move only")
        << 0 << 0 << 0 << 50 << P{{100, 100}, {110, 100}, {120, 100}, {120, 100}} << true
        << Capture{{84, 88, 244, 208}, 160, 120, 84, 88, 1};
  }
  void dragAndDraw() {
    QFETCH(int, zoomSteps);
    QFETCH(int, keepAspect);
    QFETCH(int, autoCenter);
    QFETCH(int, percentSize);
    QFETCH(QList<QPoint>, path);
    QFETCH(Capture, expected);
    Window w(m_black, zoomSteps);
    w.media.KeepAspect = keepAspect;
    w.media.AutoCenter = autoCenter;
    if (percentSize > 0) {
      w.media.SizeMode = adjust::kSizePercent;
      w.media.Width = w.media.Height = percentSize;
    }
    QFETCH(bool, moving);
    const bool drawing = !moving;
    QTest::mousePress(w.wnd, Qt::LeftButton, {}, path.first());
    QCOMPARE(w.wnd->IsDrawing(), drawing);
    QCOMPARE(w.wnd->IsMoving(), !drawing);
    for (qsizetype i = 1; i + 1 < path.size(); ++i) QTest::mouseMove(w.wnd, path[i]);
    QTest::mouseRelease(w.wnd, Qt::LeftButton, {}, path.last());
    QCOMPARE(CaptureOf(w.media), expected);
    QVERIFY(!w.wnd->IsDrawing() && !w.wnd->IsMoving());

    // Moves of a drag reload the dialog's values; the end of a drag tells
    // the new ranges, reloads and refreshes, in this order.
    QStringList calls;
    if (!drawing)
      for (qsizetype i = 1; i + 1 < path.size(); ++i) calls << QStringLiteral("reload");
    calls << QStringLiteral("height 1..480") << QStringLiteral("width 1..640")
          << QStringLiteral("reload") << QStringLiteral("refresh 1");
    QCOMPARE(w.owner.calls, calls);
  }

  void drawingShowsTheRectangleAsItGoes() {
    Window w(m_black);
    QTest::mousePress(w.wnd, Qt::LeftButton, {}, QPoint(300, 200));
    QTest::mouseMove(w.wnd, QPoint(250, 150));
    // Unsorted and not yet in Pixels mode: only the rectangle follows.
    QCOMPARE(w.media.CaptureRect, (adjust::Rect{250, 150, 300, 200}));
    QCOMPARE(w.media.Width, 192);
    QVERIFY(w.owner.calls.isEmpty());
    QTRY_VERIFY(Marked(Grab(*w.wnd), QRect(250, 150, 50, 2), qRgb(0, 0, 0)) > 0);
    QTest::mouseRelease(w.wnd, Qt::LeftButton, {}, QPoint(250, 150));
  }

  void keysMoveAndResize_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QList<int>>("start");     // XPos, YPos, Width, Height, KeepAspect, SizeMode
    QTest::addColumn<QList<int>>("expected");  // XPos, YPos, Width, Height
    using L = QList<int>;
    const Qt::KeyboardModifiers none, ctrl(Qt::ControlModifier), shift(Qt::ShiftModifier);
    QTest::newRow("Left moves one pixel")
        << int(Qt::Key_Left) << none << L{10, 5, 50, 40, 0, 1} << L{9, 5, 50, 40};
    QTest::newRow("Ctrl+Left moves four, not below 0")
        << int(Qt::Key_Left) << ctrl << L{2, 5, 50, 40, 0, 1} << L{0, 5, 50, 40};
    QTest::newRow("Ctrl+Down") << int(Qt::Key_Down) << ctrl << L{2, 5, 50, 40, 0, 1}
                               << L{2, 9, 50, 40};
    QTest::newRow("Right stops at the frame's width")
        << int(Qt::Key_Right) << ctrl << L{318, 5, 50, 40, 0, 1} << L{320, 5, 50, 40};
    QTest::newRow("Shift+Up at Height 0 stays 0")
        << int(Qt::Key_Up) << shift << L{0, 0, 50, 0, 0, 1} << L{0, 0, 50, 0};
    QTest::newRow("Shift+Right stops at the frame's width")
        << int(Qt::Key_Right) << shift << L{0, 0, 320, 10, 0, 1} << L{0, 0, 320, 10};
    QTest::newRow("Ctrl+Shift+Right with Keep Aspect: Height follows in pixels")
        << int(Qt::Key_Right) << (ctrl | shift) << L{0, 0, 192, 64, 1, 1} << L{0, 0, 196, 65};
    QTest::newRow("Shift+Down with Keep Aspect: Height still follows Width")
        << int(Qt::Key_Down) << shift << L{0, 0, 192, 10, 1, 1} << L{0, 0, 192, 64};
    QTest::newRow("Shift+Left with Keep Aspect in Percent mode")
        << int(Qt::Key_Left) << shift << L{0, 0, 50, 50, 1, 0} << L{0, 0, 49, 21};
  }
  void keysMoveAndResize() {
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QList<int>, start);
    QFETCH(QList<int>, expected);
    Window w(m_black);
    auto& m = w.media;
    m.XPos = start[0], m.YPos = start[1], m.Width = start[2], m.Height = start[3];
    m.KeepAspect = start[4], m.SizeMode = start[5];
    QTest::keyClick(w.wnd, Qt::Key(key), modifiers);
    QCOMPARE((QList<int>{m.XPos, m.YPos, m.Width, m.Height}), expected);
    QCOMPARE(w.owner.calls, (QStringList{"sync", "reload", "refresh 0"}));
  }

  void otherKeysAndButtonsChangeNothing() {
    Window w(m_black);
    const Capture before = CaptureOf(w.media);
    QTest::keyClick(w.wnd, Qt::Key_A);
    QTest::mouseClick(w.wnd, Qt::RightButton, {}, QPoint(10, 10));
    QCOMPARE(CaptureOf(w.media), before);
    QVERIFY(w.owner.calls.isEmpty());
  }

  void cursorShowsWhereADragWouldMove() {
    Window w(m_black);
    QTest::mouseMove(w.wnd, QPoint(100, 100));
    QTRY_COMPARE(w.wnd->cursor().shape(), Qt::SizeAllCursor);
    QTest::mouseMove(w.wnd, QPoint(10, 10));
    QTRY_COMPARE(w.wnd->cursor().shape(), Qt::ArrowCursor);
  }
};

QTEST_MAIN(SourceWndTest)
#include "source_wnd_test.moc"
