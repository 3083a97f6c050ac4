// The source window as the user meets it: the frame under an outline that
// shows on any picture, and the capture rectangle that dragging, drawing and
// the arrow keys leave in the record, with the owner's messages in order.

#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include "convert/source_media.h"
#include "preview/capture_geometry.h"
#include "preview/source_wnd.h"
#include "preview/testing/test_sources.h"

using namespace q9;
using L = QList<int>;

namespace {

// A 320 x 240 frame and a sign of 64 rows by 192 columns: a new source
// captures {64, 88, 256, 152} (192 x 64, centred).
const platform::SignGeometry kSign{64, 192, platform::Q9_RGB16MB};
const QRgb kBlack = qRgb(0, 0, 0), kWhite = qRgb(255, 255, 255);

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

// A drag: zoom steps from 2.0, the record's KeepAspect, AutoCenter and (when
// not 0) Percent-mode size, whether the press lies inside the capture, the
// client points (press, moves, release) and what the record holds after it:
// CaptureRect, Width, Height, XPos, YPos, SizeMode.
struct Drag {
  const char* name;
  int zoomSteps, keepAspect, autoCenter, percent;
  bool moving;
  QList<QPoint> path;
  L expected;
};

// A key: key, modifiers, the record's XPos, YPos, Width, Height, KeepAspect
// and SizeMode before, and XPos, YPos, Width, Height after.
struct Key {
  const char* name;
  int key;
  Qt::KeyboardModifiers modifiers;
  L before, after;
};

QImage Rgb32(const QPixmap& pixmap) {
  return pixmap.toImage().convertToFormat(QImage::Format_RGB32);
}

// The pixels of the area that differ from the picture's one colour.
int Marked(const QImage& image, const QRect& area, QRgb picture) {
  int marked = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      marked += ((image.pixel(x, y) ^ picture) & 0xffffff) != 0;
  return marked;
}

// A shown source window on the file at zoom 2.0 plus the steps.
struct Window {
  convert::SourceMedia media;
  Recorder owner;
  QWidget parent;
  preview::CSourceWnd* wnd = new preview::CSourceWnd(&owner);

  explicit Window(const QString& path, int zoomSteps = 0) {
    QVERIFY(media.Open(path.toStdString(), kSign.rows, kSign.columns, kSign.colorType));
    for (int i = 0; i < zoomSteps; ++i) media.ZoomIn();
    if (zoomSteps < 0) media.ZoomOut();
    QVERIFY(wnd->Create(&parent, QRect(10, 10, 100, 100)));
    wnd->SetSource(path, &media);
    wnd->show();
    QVERIFY(QTest::qWaitForWindowExposed(wnd));
  }
  QImage Grab() const { return Rgb32(wnd->grab()); }
  QImage Screen() const { return Rgb32(wnd->screen()->grabWindow(wnd->winId())); }
  L Capture() const {
    const adjust::Rect& r = media.CaptureRect;
    return {r.left,       r.top,      r.right,    r.bottom,      media.Width,
            media.Height, media.XPos, media.YPos, media.SizeMode};
  }
};

}  // namespace

Q_DECLARE_METATYPE(Drag)
Q_DECLARE_METATYPE(Key)

class SourceWndTest : public QObject {
  Q_OBJECT

  QTemporaryDir m_dir;
  QString m_black = m_dir.filePath(QStringLiteral("black.bmp"));
  QString m_white = m_dir.filePath(QStringLiteral("white.bmp"));

 private slots:
  void initTestCase() {
    for (const auto& [path, level] : {std::pair{m_black, 0}, std::pair{m_white, 255}})
      QVERIFY(preview::testing::WritePicture(
          path, QSize(320, 240), [level = level](int, int) { return qRgb(level, level, level); }));
  }

  // What reaches the screen (the window's own store, into which the frame is
  // stretched in place, its lower half by the helper thread from zoom 2.0)
  // is what the window draws anywhere else, at each zoom, also after a
  // repaint of a part of it that shows a new outline.
  void screenShowsTheStretchedFrame() {
    const QString path = m_dir.filePath(QStringLiteral("pattern.bmp"));
    QVERIFY(preview::testing::WritePicture(path, QSize(331, 241),
                                           [](int x, int y) { return qRgb(x, y, (x * y) & 255); }));
    for (const int steps : {-1, 0, 1, 2}) {
      Window w(path, steps);
      const QImage drawn = w.Grab();
      QCOMPARE(drawn.size(), w.wnd->size());
      QTRY_COMPARE(w.Screen(), drawn);
      const QRect part(3, 5, 40, 29);
      w.media.CaptureRect = {5, 7, 30, 20};
      w.wnd->repaint(part);
      QTRY_COMPARE(w.Screen().copy(part), w.Grab().copy(part));
    }
  }

  // The outline inverts what lies under it: dots on the rectangle's edges
  // and nothing else, on black as on white.
  void outlineShowsOnAnyPicture() {
    for (const auto& [path, colour] : {std::pair{m_black, kBlack}, std::pair{m_white, kWhite}}) {
      Window w(path);
      const QImage image = w.Grab();
      const int top = Marked(image, QRect(64, 88, 192, 2), colour);
      QVERIFY2(top > 40 && top < 300, qPrintable(QString::number(top)));
      for (int x : {64, 65, 254, 255}) QVERIFY(Marked(image, QRect(x, 88, 1, 64), colour) > 10);
      QCOMPARE(Marked(image, image.rect(), colour), Marked(image, QRect(64, 88, 192, 64), colour));
      QCOMPARE(Marked(image, QRect(66, 90, 188, 60), colour), 0);
    }
    // At zoom 4.0 a capture past every edge is drawn at the right and bottom
    // edges of the window; its left and top edges lie outside.
    Window w(m_black, 2);
    w.media.CaptureRect = {-10, -10, 400, 300};
    w.wnd->PaintSource();
    const QImage image = w.Grab();
    QVERIFY(Marked(image, QRect(638, 0, 2, 480), kBlack) > 100);
    QVERIFY(Marked(image, QRect(0, 478, 640, 2), kBlack) > 100);
    QCOMPARE(
        Marked(image, QRect(0, 0, 636, 2), kBlack) + Marked(image, QRect(0, 0, 2, 476), kBlack), 0);
  }

  void dragAndDraw_data() {
    QTest::addColumn<Drag>("drag");
    // clang-format off
    const Drag drags[] = {
        {"draw: shown as it goes, sorted on release", 0, 0, 0, 0, false,
         {{300, 200}, {200, 100}, {100, 50}}, {100, 50, 300, 200, 200, 150, 100, 50, 1}},
        {"draw with Keep Aspect: the bottom from the sign's shape", 0, 1, 0, 0, false,
         {{300, 200}, {100, 50}}, {100, 50, 300, 116, 200, 66, 100, 50, 1}},
        {"draw at zoom 4.0: client points halved", 2, 0, 0, 0, false,
         {{100, 50}, {20, 11}}, {10, 5, 50, 25, 40, 20, 10, 5, 1}},
        {"draw past the frame: clipped to its last pixel", 0, 0, 0, 0, false,
         {{100, 50}, {400, 300}}, {100, 50, 319, 239, 219, 189, 100, 50, 1}},
        {"draw with Auto Center: the new size centred", 0, 0, 1, 0, false,
         {{300, 200}, {100, 50}}, {100, 50, 300, 200, 200, 150, 60, 45, 1}},
        {"drag left past the edge: left stops at 0, width kept", 0, 1, 0, 0, true,
         {{100, 100}, {20, 100}, {20, 100}}, {0, 88, 192, 152, 192, 64, 0, 88, 1}},
        {"drag up past the edge: top stops at 0, height kept", 0, 1, 0, 0, true,
         {{100, 100}, {100, 0}, {100, 0}}, {64, 0, 256, 64, 192, 64, 64, 0, 1}},
        {"drag at zoom 4.0", 2, 0, 0, 0, true,
         {{200, 200}, {220, 210}, {240, 220}}, {84, 98, 276, 162, 192, 64, 84, 98, 1}},
        {"click inside in Percent mode: pixels once", 0, 0, 0, 50, true,
         {{100, 100}, {100, 100}}, {64, 88, 224, 208, 160, 120, 64, 88, 1}},
        {"drag in Percent mode: converted on the first move only", 0, 0, 0, 50, true,
         {{100, 100}, {110, 100}, {120, 100}, {120, 100}}, {84, 88, 244, 208, 160, 120, 84, 88, 1}},
    };
    // clang-format on
    for (const Drag& drag : drags) QTest::newRow(drag.name) << drag;
  }
  void dragAndDraw() {
    QFETCH(Drag, drag);
    Window w(m_black, drag.zoomSteps);
    w.media.KeepAspect = drag.keepAspect;
    w.media.AutoCenter = drag.autoCenter;
    if (drag.percent) {
      w.media.SizeMode = adjust::kSizePercent;
      w.media.Width = w.media.Height = drag.percent;
    }
    const QPoint press = drag.path.first();
    QTest::mousePress(w.wnd, Qt::LeftButton, {}, press);
    QCOMPARE((L{w.wnd->IsMoving(), w.wnd->IsDrawing()}), (L{drag.moving, !drag.moving}));
    for (qsizetype i = 1; i + 1 < drag.path.size(); ++i) {
      const QPoint p = drag.path[i];
      QTest::mouseMove(w.wnd, p);
      if (drag.moving || drag.zoomSteps != 0) continue;
      // A drawing shows its rectangle unsorted, and tells nothing until the
      // release.
      QCOMPARE(w.Capture(), (L{p.x(), p.y(), press.x(), press.y(), 192, 64, 64, 88, 1}));
      QVERIFY(w.owner.calls.isEmpty());
      QTRY_VERIFY(Marked(w.Grab(), QRect(p.x(), p.y(), press.x() - p.x(), 2), kBlack) > 0);
    }
    QTest::mouseRelease(w.wnd, Qt::LeftButton, {}, drag.path.last());
    QCOMPARE(w.Capture(), drag.expected);
    QVERIFY(!w.wnd->IsDrawing() && !w.wnd->IsMoving());
    // Each move of a moving drag reloads the dialog's values; the end of any
    // drag tells the ranges, reloads and refreshes, in this order.
    QStringList calls(drag.moving ? drag.path.size() - 2 : 0, QStringLiteral("reload"));
    calls << "height 1..480"
          << "width 1..640"
          << "reload"
          << "refresh 1";
    QCOMPARE(w.owner.calls, calls);
  }

  // Only the left button draws or drags: the others, inside the capture or
  // outside it, leave the record as it was and tell the owner nothing.
  void otherButtonsTrackNothing() {
    for (const Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton})
      for (const QPoint press : {QPoint(100, 100), QPoint(300, 20)}) {
        Window w(m_black);
        const L before = w.Capture();
        QTest::mousePress(w.wnd, button, {}, press);
        QCOMPARE((L{w.wnd->IsMoving(), w.wnd->IsDrawing()}), (L{false, false}));
        QTest::mouseMove(w.wnd, press + QPoint(-40, 30));
        QTest::mouseRelease(w.wnd, button, {}, press + QPoint(-40, 30));
        QCOMPARE(w.Capture(), before);
        QVERIFY(w.owner.calls.isEmpty());
      }
  }

  void keysMoveAndResize_data() {
    QTest::addColumn<Key>("key");
    const Qt::KeyboardModifiers none, ctrl(Qt::ControlModifier), shift(Qt::ShiftModifier);
    // clang-format off
    const Key keys[] = {
        {"Left: one pixel", Qt::Key_Left, none, {10, 5, 50, 40, 0, 1}, {9, 5, 50, 40}},
        {"Ctrl+Left: four, not below 0", Qt::Key_Left, ctrl, {2, 5, 50, 40, 0, 1}, {0, 5, 50, 40}},
        {"Ctrl+Down", Qt::Key_Down, ctrl, {2, 5, 50, 40, 0, 1}, {2, 9, 50, 40}},
        {"Right stops at the frame's width", Qt::Key_Right, ctrl, {318, 5, 50, 40, 0, 1}, {320, 5, 50, 40}},
        {"Shift+Up at Height 0 stays 0", Qt::Key_Up, shift, {0, 0, 50, 0, 0, 1}, {0, 0, 50, 0}},
        {"Shift+Right stops at the frame's width", Qt::Key_Right, shift, {0, 0, 320, 10, 0, 1}, {0, 0, 320, 10}},
        {"Ctrl+Shift+Right, Keep Aspect: Height follows in pixels", Qt::Key_Right, ctrl | shift,
         {0, 0, 192, 64, 1, 1}, {0, 0, 196, 65}},
        {"Shift+Down, Keep Aspect: Height still follows Width", Qt::Key_Down, shift,
         {0, 0, 192, 10, 1, 1}, {0, 0, 192, 64}},
        {"Shift+Left, Keep Aspect in Percent mode", Qt::Key_Left, shift, {0, 0, 50, 50, 1, 0}, {0, 0, 49, 21}},
    };
    // clang-format on
    for (const Key& key : keys) QTest::newRow(key.name) << key;
  }
  void keysMoveAndResize() {
    QFETCH(Key, key);
    Window w(m_black);
    auto& m = w.media;
    m.XPos = key.before[0], m.YPos = key.before[1], m.Width = key.before[2];
    m.Height = key.before[3], m.KeepAspect = key.before[4], m.SizeMode = key.before[5];
    QTest::keyClick(w.wnd, Qt::Key(key.key), key.modifiers);
    QCOMPARE((L{m.XPos, m.YPos, m.Width, m.Height}), key.after);
    QCOMPARE(w.owner.calls, (QStringList{"sync", "reload", "refresh 0"}));
  }

  // Keep Aspect's bottom edge follows the sign's shape, also for a sign one
  // bulb wide; a sign of no width leaves the drawn bottom.
  void keepAspectBottomFollowsTheSign() {
    const std::tuple<int, int, int> signs[] = {
        // width, height in bulbs; the bottom of {10, 20, 110, 30}
        {192, 64, 53}, {1, 2, 220}, {3, 1, 53}, {0, 5, 30}};
    for (const auto& [width, height, bottom] : signs) {
      preview::CaptureGeometry g;
      g.signWidth = width, g.signHeight = height;
      QCOMPARE(g.AspectBottom({10, 20, 110, 30}), bottom);
    }
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
