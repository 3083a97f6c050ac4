// The Adjust dialog as the user meets it: what attaching a source shows,
// values going from slider to number to record, the Keep Aspect derivations
// in both size modes, the check boxes, Reset, the source window's drags
// reaching the dialog, the Window menu, and what OK and Cancel leave.

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "adjust/settings_persistence.h"
#include "adjust_dialog/image_command_menus.h"
#include "adjust_dialog/testing/adjust_session.h"
#include "gui/up_down.h"
#include "preview/testing/test_sources.h"

using namespace q9;
using Session = adjust_dialog::testing::AdjustSession;
using L = QList<int>;

namespace {

// A 640 x 480 frame for a sign of 64 rows by 192 columns: a new source
// captures 192 x 64 at (224, 208).
const platform::SignGeometry kSign{64, 192, platform::Q9_RGB16MB};
constexpr int kBrt = 1049, kRed = 1045, kWht = 1048, kBrtSlider = 1000, kRedSlider = 1037,
              kWhtSlider = 1043, kHeight = 1053, kWidth = 1054, kXPos = 1055, kYPos = 1056,
              kHeightSpin = 1012, kWidthSpin = 1013, kXPosSpin = 1018, kYPosSpin = 1019,
              kSizeMode = 1008, kKeepAspect = 1009, kDropImage = 1014, kConstrain = 2805,
              kAutoCenter = 2721;

L Capture(const Session& s) {
  return {s.media.Height, s.media.Width, s.media.XPos, s.media.YPos};
}
L Shown(const Session& s) {
  L shown;
  for (int id : {kHeight, kWidth, kXPos, kYPos}) shown << s.Control(id)->text().toInt();
  return shown;
}
// A typed capture value: SizeMode, KeepAspect, AutoCenter, Height and Width
// before; the edit and its text; Height, Width, XPos and YPos after.
struct Typed {
  const char* name;
  L start;
  int edit;
  QString typed;
  L expected;
};

void Click(const Session& s, int id) {
  s.Control<QAbstractButton>(id)->click();
}

}  // namespace

Q_DECLARE_METATYPE(Typed)

class AdjustDlgTest : public QObject {
  Q_OBJECT

  QTemporaryDir m_dir;
  std::unique_ptr<QTemporaryDir> m_store;
  QString m_photo;

 private slots:
  void init() {  // an empty settings store for each test
    m_store = std::make_unique<QTemporaryDir>();
    QVERIFY(adjust_dialog::testing::UseStoreIn(m_store->path()));
  }
  void initTestCase() {
    m_photo = m_dir.filePath(QStringLiteral("photo.bmp"));
    QVERIFY(preview::testing::WritePicture(m_photo, QSize(640, 480), [](int x, int y) {
      return qRgb(x * 255 / 640, y * 255 / 480, 128);
    }));
  }

  void attachingShowsTheSource() {
    Session s(m_photo, kSign);
    QCOMPARE(s.dlg->windowTitle(), QStringLiteral("Adjust : photo.bmp"));
    preview::CSourceWnd* source = s.dlg->SourceWindow();
    QCOMPARE(source->windowTitle(), QStringLiteral("Source : photo.bmp"));
    QCOMPARE(source->size(), QSize(640, 480));
    QTRY_VERIFY(source->isVisible());
    QCOMPARE(source->pos().x(), s.dlg->frameGeometry().left());
    QVERIFY(source->pos().y() > s.dlg->frameGeometry().bottom());
    QCOMPARE(Shown(s), (L{64, 192, 224, 208}));
    QCOMPARE(s.Control<QComboBox>(kSizeMode)->currentText(), QStringLiteral("Pixels"));
    QCOMPARE(s.media.CaptureInitialized, 1);
    L ranges;
    for (int id : {kHeightSpin, kWidthSpin, kXPosSpin, kYPosSpin})
      ranges << s.Control<gui::UpDown>(id)->Low() << s.Control<gui::UpDown>(id)->High();
    QCOMPARE(ranges, (L{1, 960, 1, 1280, -639, 639, -479, 479}));
    QCOMPARE(s.owner.stillImageOptions.back(), (std::pair<bool, std::string>{false, "photo.sq9"}));
  }

  // A slider moved or a number typed: the number, the record and the
  // slider follow, the preview is rendered once, and only brightness,
  // contrast, hue and saturation ask for the adjustments anew.
  void valuesGoFromSliderToNumberToRecord_data() {
    QTest::addColumn<L>(
        "row");  // slider moved (0: typed), edit, value, slider after, AdjustChanged
    QTest::newRow("Brt slider") << L{kBrtSlider, kBrt, 100, 100, 1};
    QTest::newRow("Red slider: cheap") << L{kRedSlider, kRed, 20, 20, 0};
    QTest::newRow("200 typed: taken, the slider at its top") << L{0, kBrt, 200, 128, 1};
    QTest::newRow("Wht typed") << L{0, kWht, 30, 30, 0};
  }
  void valuesGoFromSliderToNumberToRecord() {
    QFETCH(L, row);
    const int slider = row[0], edit = row[1], value = row[2];
    Session s(m_photo, kSign);
    delete s.owner.preview;       // nothing renders: AdjustChanged stays as set
    s.Control(edit)->setFocus();  // leaving the edit that had the focus counts too
    s.media.AdjustChanged = 0;
    const int refreshes = s.owner.refreshes;
    if (slider) s.Control<QSlider>(slider)->setValue(value);
    if (!slider) QCOMPARE(s.Type(edit, QString::number(value)), 1);
    QCOMPARE(s.owner.refreshes, refreshes + 1);
    QCOMPARE(s.Control(edit)->text().toInt(), value);
    const int index = edit == kBrt ? 0 : edit == kRed ? 1 : 2;
    QCOMPARE((L{s.media.Brightness, s.media.Red, s.media.White}[index]), value);
    const int sliderId = L{kBrtSlider, kRedSlider, kWhtSlider}[index];
    QCOMPARE(s.Control<QSlider>(sliderId)->value(), row[3]);
    QCOMPARE(s.media.AdjustChanged, row[4]);
  }

  void cancelPutsTheRecordBackAndWritesNothing() {
    Session s(m_photo, kSign);
    const adjust::ImportSettings before = s.media;
    s.Control<QSlider>(kBrtSlider)->setValue(10);
    s.Type(kHeight, QStringLiteral("100"));
    s.dlg->Commands().ToggleCommand(adjust::kCmdInvert);
    s.media.SaveAudioFlag = 1;
    s.media.WavPath = "/tmp/wav";
    // Escape from the edit that has the focus: leaving it must not undo the
    // undoing.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    adjust::ImportSettings after = s.media;
    QCOMPARE(std::exchange(after.AdjustChanged, before.AdjustChanged), 1);
    QVERIFY(after == before);
    adjust::BaseSettings base;
    QVERIFY(!adjust::ReadBaseSettings(base));
    QCOMPARE(s.owner.closings, 1);
    QTRY_VERIFY(s.dlg.isNull());
  }

  // OK takes a number typed but not yet left, and saves the base settings
  // without asking for a set while Auto Save is off.
  void okTakesTypedValuesSavesAndCloses() {
    Session s(m_photo, kSign);
    s.media.WavPath = "/music/wav";
    s.Control(kBrt)->setText(QStringLiteral("77"));
    s.dlg->CloseWithOk();
    adjust::BaseSettings base;
    QVERIFY(adjust::ReadBaseSettings(base));
    QCOMPARE(
        (std::tuple{s.media.Brightness, base.autoSave, base.wavPath, s.owner.closings}),
        (std::tuple{77, std::optional<uint32_t>(0), std::optional<std::string>("/music/wav"), 1}));
    QVERIFY(s.prompts.dialogTitles.empty());
    QTRY_VERIFY(s.dlg.isNull());
  }

  void keepAspectInBothModes_data() {
    QTest::addColumn<Typed>("row");
    // clang-format off
    const Typed rows[] = {
        {"Pixels: Height 32 gives Width 96", {1, 1, 0, 64, 192}, kHeight, "32", {32, 96, 224, 208}},
        {"Pixels: Width 96 gives Height 32", {1, 1, 0, 64, 192}, kWidth, "96", {32, 96, 224, 208}},
        {"Height left unchanged derives nothing", {1, 1, 0, 64, 100}, kHeight, "64", {64, 100, 224, 208}},
        {"X Pos derives nothing", {1, 1, 0, 64, 100}, kXPos, "10", {64, 100, 10, 208}},
        {"Keep Aspect off", {1, 0, 0, 64, 192}, kHeight, "32", {32, 192, 224, 208}},
        {"Percent: Height 50 gives Width 112", {0, 1, 0, 10, 30}, kHeight, "50", {50, 112, 224, 208}},
        {"Percent: Width 60 gives Height 26", {0, 1, 0, 10, 30}, kWidth, "60", {26, 60, 224, 208}},
        {"X Pos 700 on a 640 frame becomes 639", {1, 1, 0, 64, 192}, kXPos, "700", {64, 192, 639, 208}},
        {"X Pos 640 stays", {1, 1, 0, 64, 192}, kXPos, "640", {64, 192, 640, 208}},
        {"Y Pos 481 becomes 479", {1, 1, 0, 64, 192}, kYPos, "481", {64, 192, 224, 479}},
        {"Auto Center: the new size centred", {1, 1, 1, 64, 192}, kHeight, "32", {32, 96, 272, 224}},
    };
    // clang-format on
    for (const Typed& row : rows) QTest::newRow(row.name) << row;
  }
  void keepAspectInBothModes() {
    QFETCH(Typed, row);
    Session s(m_photo, kSign);
    s.media.SizeMode = row.start[0], s.media.KeepAspect = row.start[1];
    s.media.AutoCenter = row.start[2], s.media.Height = row.start[3], s.media.Width = row.start[4];
    s.dlg->AdjMsgReloadValues();
    QCOMPARE(s.Type(row.edit, row.typed), 1);
    QCOMPARE(Capture(s), row.expected);
    QCOMPARE(Shown(s), row.expected);
  }

  void spinsDeriveWithoutAskingWhetherTheValueChanged() {
    Session s(m_photo, kSign);
    s.Control<gui::UpDown>(kHeightSpin)->Step(+1);
    QCOMPARE(Capture(s), (L{65, 195, 224, 208}));
    s.Control<gui::UpDown>(kWidthSpin)->Step(-1);
    QCOMPARE(Capture(s), (L{64, 194, 224, 208}));
    s.Control<gui::UpDown>(kXPosSpin)->Step(-1);
    QCOMPARE(Capture(s), (L{64, 194, 223, 208}));
  }

  void sizeModeTurnsPixelsIntoPercentAndBack() {
    Session s(m_photo, kSign);
    Click(s, kKeepAspect);
    s.Type(kWidth, QStringLiteral("320"));
    QCOMPARE(s.media.CaptureRect.Width(), 320);  // as the render computed it
    const int refreshes = s.owner.refreshes;
    auto* mode = s.Control<QComboBox>(kSizeMode);
    mode->setCurrentIndex(adjust::kSizePercent);
    QCOMPARE(Shown(s), (L{13, 50, 224, 208}));
    QCOMPARE(s.Control<gui::UpDown>(kWidthSpin)->High(), 200);
    QCOMPARE(s.media.SizeMode, int(adjust::kSizePercent));
    QCOMPARE(s.owner.refreshes, refreshes);
    mode->setCurrentIndex(adjust::kSizePixels);
    QCOMPARE(Shown(s), (L{64, 320, 224, 208}));
    QCOMPARE(s.Control<gui::UpDown>(kWidthSpin)->High(), 1280);
  }

  void checkBoxes() {
    Session s(m_photo, kSign);
    Click(s, kKeepAspect);
    s.Type(kWidth, QStringLiteral("300"));
    s.Control<QComboBox>(kSizeMode)->setCurrentIndex(adjust::kSizePercent);
    Click(s, kKeepAspect);  // on: the sign's size in Pixels mode at the same corner
    QCOMPARE(Capture(s), (L{64, 192, 224, 208}));
    QCOMPARE(s.media.SizeMode, int(adjust::kSizePixels));
    QCOMPARE(s.media.CaptureRect.right - s.media.CaptureRect.left, 192);

    s.Type(kXPos, QStringLiteral("5"));
    Click(s, kAutoCenter);
    QCOMPARE(Shown(s), (L{64, 192, 224, 208}));
    QVERIFY(!s.Control(kXPos)->isEnabled() && !s.Control<gui::UpDown>(kYPosSpin)->isEnabled());
    Click(s, kAutoCenter);
    QVERIFY(s.Control(kXPos)->isEnabled());

    const int refreshes = s.owner.refreshes;
    Click(s, kDropImage);
    Click(s, kConstrain);
    QCOMPARE((L{s.media.AutoCenter, s.media.DropImage, s.media.ConstrainRect}), (L{0, 1, 0}));
    QCOMPARE(s.owner.refreshes, refreshes + 2);
  }

  void resetKeepsTheImageCommands() {
    Session s(m_photo, kSign);
    s.Control<QSlider>(kBrtSlider)->setValue(3);
    s.Type(kXPos, QStringLiteral("9"));
    Click(s, kAutoCenter);
    s.dlg->Commands().ToggleCommand(adjust::kCmdFlip);
    s.Item(QStringLiteral("Image Settings"), QStringLiteral("&Reset"))->trigger();
    QCOMPARE(Shown(s), (L{64, 192, 224, 208}));
    QCOMPARE((L{s.media.Brightness, s.Control<QSlider>(kBrtSlider)->value(), s.media.AutoCenter}),
             (L{64, 64, 0}));
    QVERIFY(s.Control(kXPos)->isEnabled());
    QCOMPARE(s.media.CommandMask, uint32_t(adjust::kCmdFlip));
  }

  // A rectangle drawn in the source window reaches the dialog's fields and
  // the preview before the release of the button returns.
  void sourceWindowDragsReachTheDialog() {
    Session s(m_photo, kSign);
    Click(s, kKeepAspect);
    preview::CSourceWnd* source = s.dlg->SourceWindow();
    const int refreshes = s.owner.refreshes;
    QTest::mousePress(source, Qt::LeftButton, {}, QPoint(300, 100));
    QTest::mouseMove(source, QPoint(200, 80));
    QTest::mouseRelease(source, Qt::LeftButton, {}, QPoint(100, 50));
    QCOMPARE(Shown(s), (L{50, 200, 100, 50}));
    QCOMPARE(s.owner.refreshes, refreshes + 1);
    QCOMPARE(s.media.CaptureRect, (adjust::Rect{100, 50, 300, 100}));
    s.Control(kYPos)->setText(QStringLiteral("60"));  // typed: the keys take it first
    QTest::keyClick(source, Qt::Key_Left, Qt::ControlModifier);
    QCOMPARE(Shown(s), (L{50, 200, 96, 60}));
  }

  void windowMenuHidesShowsAndRemakesTheSourceWindow() {
    Session s(m_photo, kSign);
    QAction* item = s.Item(QStringLiteral("Window"), QStringLiteral("Source Window"));
    QPointer<preview::CSourceWnd> source = s.dlg->SourceWindow();
    QTRY_VERIFY(source->isVisible());
    item->trigger();
    QVERIFY(!source->isVisible() && !source->isEnabled() && !item->isChecked());
    item->trigger();
    QVERIFY(source->isVisible() && source->isEnabled() && item->isChecked());
    source->close();
    QTRY_VERIFY(source.isNull());
    item->trigger();
    QCOMPARE(s.dlg->SourceWindow()->windowTitle(), QStringLiteral("Source : photo.bmp"));
    QCOMPARE(s.dlg->SourceWindow()->size(), QSize(640, 480));
  }
};

QTEST_MAIN(AdjustDlgTest)
#include "adjust_dlg_test.moc"
