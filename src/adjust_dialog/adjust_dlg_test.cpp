// The Adjust dialog as the user meets it: its controls, the source window
// and what OK and Cancel leave; the image commands with their parameter
// dialogs and marks; settings sets, Auto Save and the WAV folder in a store
// of the test's own; the option dialogs.

#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include "adjust/settings_persistence.h"
#include "adjust_dialog/color_res_dlg.h"
#include "adjust_dialog/image_command_menus.h"
#include "adjust_dialog/range_dlg.h"
#include "adjust_dialog/save_audio_dlg.h"
#include "adjust_dialog/settings_set_dlg.h"
#include "adjust_dialog/still_images_dlg.h"
#include "adjust_dialog/testing/adjust_session.h"
#include "gui/dialog_units.h"
#include "gui/up_down.h"
#include "platform/imaging/imaging_library.h"
#include "preview/testing/test_sources.h"

using namespace q9;
using namespace q9::adjust;
using namespace q9::adjust_dialog;
using adjust_dialog::testing::Script;
using Session = adjust_dialog::testing::AdjustSession;
using L = QList<int>;
using Sets = std::vector<std::string>;
using Told = std::pair<bool, std::string>;

namespace {

// A 640 x 480 picture for a sign of 64 rows by 192 columns: a new source
// captures 192 x 64 at (224, 208).
const platform::SignGeometry kSign{64, 192, platform::Q9_RGB16MB};
constexpr int kBrt = 1049, kRed = 1045, kWht = 1048, kBrtSlider = 1000, kRedSlider = 1037,
              kWhtSlider = 1043, kHeight = 1053, kWidth = 1054, kXPos = 1055, kYPos = 1056,
              kHeightSpin = 1012, kWidthSpin = 1013, kXPosSpin = 1018, kYPosSpin = 1019,
              kSizeMode = 1008, kKeepAspect = 1009, kDropImage = 1014, kConstrain = 2805,
              kAutoCenter = 2721;
const QString kSettings = QStringLiteral("Image Settings"), kOptions = QStringLiteral("Options");

L Capture(const Session& s) {
  return {s.media.Height, s.media.Width, s.media.XPos, s.media.YPos};
}
L Shown(const Session& s) {
  L shown;
  for (int id : {kHeight, kWidth, kXPos, kYPos}) shown << s.Control(id)->text().toInt();
  return shown;
}
void Check(const Session& s, int id) {
  s.Control<QAbstractButton>(id)->click();
}
template <class T = QWidget>
T* In(const QDialog& d, int id) {
  return gui::FindControl<T>(d, id);
}
void Click(QDialog& d, int id) {
  QTest::mouseClick(In<QPushButton>(d, id), Qt::LeftButton);
}
QStringList Listed(const QDialog& d) {
  QStringList names;
  auto* list = In<QListWidget>(d, CSettingsSetDlg::kSetListId);
  for (int i = 0; i < list->count(); ++i) names << list->item(i)->text();
  return names;
}
Script SaveAs(const QString& name) {
  return [name](QDialog& d) {
    In<QLineEdit>(d, CSettingsSetDlg::kNameId)->setText(name);
    Click(d, 1);
  };
}
Script Pick(const QString& name) {
  return [name](QDialog& d) {
    auto* list = In<QListWidget>(d, CSettingsSetDlg::kSetListId);
    list->findItems(name, Qt::MatchExactly)[0]->setSelected(true);
    Click(d, 1);
  };
}

// The user in a parameter dialog: types a number (unless empty), picks a
// choice or list row (unless -1), sets "Enabled" (unless -1), then OK or
// Cancel.
struct Answer {
  QString typed;
  int choice = -1;
  int enabled = -1;
  bool ok = true;
};

// A command run through its dialog: menu id, parameter number, CommandMask,
// Value and Choice before, the answer, what the dialog showed on opening
// (title, value, choice or row, entries, Enabled), and CommandMask, Value
// and Choice after.
struct Param {
  const char* name;
  int id, n;
  L stored;
  Answer answer;
  QStringList opened;
  L expected;
};

}  // namespace

Q_DECLARE_METATYPE(Param)

class AdjustDlgTest : public QObject {
  Q_OBJECT

  QTemporaryDir m_dir;
  QString m_photo = m_dir.filePath(QStringLiteral("photo.bmp"));
  QString m_seq = m_dir.filePath(QStringLiteral("old.seq"));  // no still image
  // What the last parameter dialog showed on opening.
  QStringList m_opened;

  Script Answering(const Answer& a) {
    return [this, a](QDialog& d) {
      auto* edit = In<QLineEdit>(d, 1100);
      auto* list = In<QListWidget>(d, 1100);
      auto* choice = In<QComboBox>(d, 1102);
      auto* enabled = In<QCheckBox>(d, 1103);
      const int row = list ? list->currentRow() : choice ? choice->currentIndex() : -1;
      const int entries = list ? list->count() : choice ? choice->count() : 0;
      m_opened = QStringList{d.windowTitle(), edit ? edit->text() : QString()};
      for (int n : {row, entries, int(enabled->isChecked())}) m_opened << QString::number(n);
      if (!a.typed.isEmpty()) {
        edit->selectAll();
        QTest::keyClicks(edit, a.typed);
      }
      if (a.choice >= 0 && list) list->setCurrentRow(a.choice);
      if (a.choice >= 0 && choice) choice->setCurrentIndex(a.choice);
      if (a.enabled >= 0) enabled->setChecked(a.enabled != 0);
      Click(d, a.ok ? 1 : 2);
    };
  }

 private slots:
  void initTestCase() {
    QVERIFY(preview::testing::WritePicture(m_photo, QSize(640, 480), [](int x, int y) {
      return qRgb(x * 255 / 640, y * 255 / 480, 128);
    }));
    QVERIFY(preview::testing::WriteOldSequence(m_seq, kSign, 0x30));
  }
  void init() { QVERIFY(adjust_dialog::testing::UseEmptyStore()); }

  void attachingShowsTheSourceInItsWindow() {
    Session s(m_photo, kSign);
    QCOMPARE(s.dlg->windowTitle(), QStringLiteral("Adjust : photo.bmp"));
    QPointer<preview::CSourceWnd> source = s.dlg->SourceWindow();
    QCOMPARE(source->windowTitle(), QStringLiteral("Source : photo.bmp"));
    QCOMPARE(source->size(), QSize(640, 480));
    QTRY_VERIFY(source->isVisible());
    QCOMPARE(source->pos(), s.dlg->frameGeometry().bottomLeft() + QPoint(0, 2));
    QCOMPARE(Shown(s), (L{64, 192, 224, 208}));
    QCOMPARE(s.Control<QComboBox>(kSizeMode)->currentText(), QStringLiteral("Pixels"));
    QCOMPARE(s.media.CaptureInitialized, 1);
    L ranges;
    for (int id : {kHeightSpin, kWidthSpin, kXPosSpin, kYPosSpin})
      ranges << s.Control<gui::UpDown>(id)->Low() << s.Control<gui::UpDown>(id)->High();
    QCOMPARE(ranges, (L{1, 960, 1, 1280, -639, 639, -479, 479}));
    {
      // An old sequence has no frame: its width and height count as 0.
      Session old(m_seq, kSign);
      ranges.clear();
      for (int id : {kHeightSpin, kWidthSpin, kXPosSpin, kYPosSpin})
        ranges << old.Control<gui::UpDown>(id)->Low() << old.Control<gui::UpDown>(id)->High();
      QCOMPARE(ranges, (L{1, 0, 1, 0, 1, -1, 1, -1}));
    }
    QCOMPARE(s.owner.stillImageOptions.back(), (Told{false, "photo.sq9"}));
    // The Window menu hides and shows the source window, and makes it anew.
    QAction* item = s.Item(QStringLiteral("Window"), QStringLiteral("Source Window"));
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

  // A slider moved or a number typed: the number, the record and the
  // slider follow, the preview is rendered once, and only brightness,
  // contrast, hue and saturation ask for the adjustments anew.
  void valuesGoFromSliderToNumberToRecord_data() {
    // slider moved (0: typed), edit, value, slider after, AdjustChanged
    QTest::addColumn<L>("row");
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
    QCOMPARE(s.Control<QSlider>(L{kBrtSlider, kRedSlider, kWhtSlider}[index])->value(), row[3]);
    QCOMPARE(s.media.AdjustChanged, row[4]);
  }

  void cancelPutsTheRecordBackAndWritesNothing() {
    Session s(m_photo, kSign);
    const ImportSettings before = s.media;
    s.Control<QSlider>(kBrtSlider)->setValue(10);
    s.Type(kHeight, QStringLiteral("100"));
    s.dlg->Commands().ToggleCommand(kCmdInvert);
    s.media.SaveAudioFlag = 1;
    s.media.WavPath = "/tmp/wav";
    s.media.CommandParams[14].Value = 50;
    s.Item(kSettings, "&Auto Save")->trigger();  // on: still nothing is written
    // Escape from the edit that has the focus: leaving it must not undo the
    // undoing.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    ImportSettings after = s.media;
    QCOMPARE(std::exchange(after.AdjustChanged, before.AdjustChanged), 1);
    QVERIFY(after == before);
    BaseSettings base;
    QVERIFY(!ReadBaseSettings(base) && s.prompts.dialogTitles.empty());
    QCOMPARE(s.owner.closings, 1);
    QTRY_VERIFY(s.dlg.isNull());
  }

  // A capture value typed, or a spin stepped: the derived value follows
  // with Keep Aspect on, the position stays in the frame, and the preview is
  // rendered once.
  void captureValues_data() {
    // SizeMode, KeepAspect, AutoCenter, Height and Width before; the edit or
    // spin and the number typed or the step; Height, Width, XPos and YPos.
    QTest::addColumn<L>("row");
    const std::pair<const char*, L> rows[] = {
        {"Pixels: Height 32 gives Width 96", {1, 1, 0, 64, 192, kHeight, 32, 32, 96, 224, 208}},
        {"Pixels: Width 96 gives Height 32", {1, 1, 0, 64, 192, kWidth, 96, 32, 96, 224, 208}},
        {"Height left unchanged derives nothing",
         {1, 1, 0, 64, 100, kHeight, 64, 64, 100, 224, 208}},
        {"X Pos derives nothing", {1, 1, 0, 64, 100, kXPos, 10, 64, 100, 10, 208}},
        {"Keep Aspect off", {1, 0, 0, 64, 192, kHeight, 32, 32, 192, 224, 208}},
        {"Percent: Height 50 gives Width 112", {0, 1, 0, 10, 30, kHeight, 50, 50, 112, 224, 208}},
        {"Percent: Width 60 gives Height 26", {0, 1, 0, 10, 30, kWidth, 60, 26, 60, 224, 208}},
        {"X Pos 700 on a 640 frame becomes 639", {1, 1, 0, 64, 192, kXPos, 700, 64, 192, 639, 208}},
        {"X Pos 640 stays", {1, 1, 0, 64, 192, kXPos, 640, 64, 192, 640, 208}},
        {"Y Pos 481 becomes 479", {1, 1, 0, 64, 192, kYPos, 481, 64, 192, 224, 479}},
        {"Auto Center: the new size centred", {1, 1, 1, 64, 192, kHeight, 32, 32, 96, 272, 224}},
        {"Height spin: Width follows", {1, 1, 0, 64, 192, kHeightSpin, +1, 65, 195, 224, 208}},
        {"Width spin: Height follows", {1, 1, 0, 64, 192, kWidthSpin, -1, 63, 191, 224, 208}},
        {"X Pos spin", {1, 1, 0, 64, 192, kXPosSpin, -1, 64, 192, 223, 208}},
    };
    for (const auto& [name, row] : rows) QTest::newRow(name) << row;
  }
  void captureValues() {
    QFETCH(L, row);
    Session s(m_photo, kSign);
    s.media.SizeMode = row[0], s.media.KeepAspect = row[1], s.media.AutoCenter = row[2];
    s.media.Height = row[3], s.media.Width = row[4];
    s.dlg->AdjMsgReloadValues();
    auto* spin = s.Control<gui::UpDown>(row[5]);
    const int refreshes = s.owner.refreshes;
    if (spin) spin->Step(row[6]);
    QCOMPARE(spin ? s.owner.refreshes - refreshes : s.Type(row[5], QString::number(row[6])), 1);
    QCOMPARE(Capture(s), row.mid(7));
    QCOMPARE(Shown(s), row.mid(7));
  }

  // Size Mode turns the sizes into percent and back without a render; Keep
  // Aspect turned on gives the sign's size in Pixels mode at the same
  // corner; Auto Center centres and locks the position; Reset keeps the
  // image commands.
  void sizeModeCheckBoxesAndReset() {
    Session s(m_photo, kSign);
    Check(s, kKeepAspect);
    s.Type(kWidth, QStringLiteral("320"));
    QCOMPARE(s.media.CaptureRect.Width(), 320);  // as the render computed it
    const int refreshes = s.owner.refreshes;
    auto* mode = s.Control<QComboBox>(kSizeMode);
    mode->setCurrentIndex(kSizePercent);
    QCOMPARE(Shown(s), (L{13, 50, 224, 208}));
    QCOMPARE(s.Control<gui::UpDown>(kWidthSpin)->High(), 200);
    QCOMPARE(s.media.SizeMode, int(kSizePercent));
    QCOMPARE(s.owner.refreshes, refreshes);
    mode->setCurrentIndex(kSizePixels);
    QCOMPARE(Shown(s), (L{64, 320, 224, 208}));
    QCOMPARE(s.Control<gui::UpDown>(kWidthSpin)->High(), 1280);
    mode->setCurrentIndex(kSizePercent);
    Check(s, kKeepAspect);
    QCOMPARE(Capture(s), (L{64, 192, 224, 208}));
    QCOMPARE(s.media.SizeMode, int(kSizePixels));
    QCOMPARE(s.media.CaptureRect.right - s.media.CaptureRect.left, 192);

    s.Type(kXPos, QStringLiteral("5"));
    Check(s, kAutoCenter);
    QCOMPARE(Shown(s), (L{64, 192, 224, 208}));
    QVERIFY(!s.Control(kXPos)->isEnabled() && !s.Control<gui::UpDown>(kYPosSpin)->isEnabled());
    Check(s, kAutoCenter);
    QVERIFY(s.Control(kXPos)->isEnabled());
    const int before = s.owner.refreshes;
    Check(s, kDropImage);
    Check(s, kConstrain);
    QCOMPARE((L{s.media.AutoCenter, s.media.DropImage, s.media.ConstrainRect}), (L{0, 1, 0}));
    QCOMPARE(s.owner.refreshes, before + 2);

    s.Control<QSlider>(kBrtSlider)->setValue(3);
    s.Type(kXPos, QStringLiteral("9"));
    Check(s, kAutoCenter);
    s.dlg->Commands().ToggleCommand(kCmdFlip);
    s.Item(kSettings, QStringLiteral("&Reset"))->trigger();
    QCOMPARE(Shown(s), (L{64, 192, 224, 208}));
    QCOMPARE((L{s.media.Brightness, s.Control<QSlider>(kBrtSlider)->value(), s.media.AutoCenter}),
             (L{64, 64, 0}));
    QVERIFY(s.Control(kXPos)->isEnabled());
    QCOMPARE(s.media.CommandMask, uint32_t(kCmdFlip));
  }

  // A rectangle drawn in the source window reaches the dialog's fields and
  // the preview before the release of the button returns.
  void sourceWindowDragsReachTheDialog() {
    Session s(m_photo, kSign);
    Check(s, kKeepAspect);
    preview::CSourceWnd* source = s.dlg->SourceWindow();
    s.Control<QComboBox>(kSizeMode)->setCurrentIndex(kSizePercent);
    const int refreshes = s.owner.refreshes;
    QTest::mousePress(source, Qt::LeftButton, {}, QPoint(300, 100));
    QTest::mouseMove(source, QPoint(200, 80));
    QTest::mouseRelease(source, Qt::LeftButton, {}, QPoint(100, 50));
    QCOMPARE(Shown(s), (L{50, 200, 100, 50}));
    QCOMPARE(s.owner.refreshes, refreshes + 1);
    QCOMPARE(s.media.CaptureRect, (Rect{100, 50, 300, 100}));
    // Drawn in pixels: the size spins count pixels again.
    QCOMPARE(s.Control<QComboBox>(kSizeMode)->currentText(), QStringLiteral("Pixels"));
    QCOMPARE((L{s.Control<gui::UpDown>(kHeightSpin)->High(),
                s.Control<gui::UpDown>(kWidthSpin)->High()}),
             (L{960, 1280}));
    s.Control(kYPos)->setText(QStringLiteral("60"));  // typed: the keys take it first
    QTest::keyClick(source, Qt::Key_Left, Qt::ControlModifier);
    QCOMPARE(Shown(s), (L{50, 200, 96, 60}));
  }

  void togglesAndFixedRotations_data() {
    QTest::addColumn<uint32_t>("mask");
    QTest::addColumn<L>("ids");
    QTest::addColumn<uint32_t>("expected");
    QTest::newRow("Flip twice") << 0u << L{32771, 32771} << 0u;
    QTest::newRow("GrayScale, Invert") << 0u << L{32842, 32845} << (kCmdGrayScale | kCmdInvert);
    QTest::newRow("90 twice: no rotation") << 0u << L{32776, 32776} << 0u;
    QTest::newRow("90 then 180: only 180") << 0u << L{32776, 32816} << uint32_t(kCmdRotate180);
    QTest::newRow("270 replaces any angle")
        << (kCmdRotateAny | kCmdFlip) << L{32817} << (kCmdRotate270 | kCmdFlip);
  }
  void togglesAndFixedRotations() {
    QFETCH(uint32_t, mask);
    QFETCH(L, ids);
    QFETCH(uint32_t, expected);
    Session s(m_photo, kSign);
    s.media.CommandMask = mask;
    const int refreshes = s.owner.refreshes;
    for (int id : ids) s.Command(id)->trigger();
    QCOMPARE(s.media.CommandMask, expected);
    QCOMPARE(s.owner.refreshes, refreshes + int(ids.size()));
    QCOMPARE(s.media.CommandParams[3].Value, ids.contains(32816) ? 180 : 0);
  }

  void parameterDialogs_data() {
    QTest::addColumn<Param>("row");
    using S = QStringList;
    const int rotate90 = int(kCmdRotate90), flip = int(kCmdFlip);
    // clang-format off
    const Param rows[] = {
        {"Sharpen -15 opens at -1; 5 stores 50", 32784, 14, {0, -15, 0}, {"5"},
         S{"Sharpen", "-1", "-1", "0", "0"}, {int(kCmdSharpen), 50, 0}},
        {"Halftone 45, View: 4500", 32831, 23, {0, 0, 0}, {"45", 1},
         S{"Halftone", "0", "0", "2", "0"}, {int(kCmdHalftone), 4500, 1}},
        {"Add Noise: four channels", 32835, 15, {int(kCmdAddNoise), 300, 3}, {{}, 2},
         S{"Add Noise", "30", "3", "4", "1"}, {int(kCmdAddNoise), 300, 2}},
        {"Average takes odd sizes", 32833, 12, {0, 3, 0}, {"6"},
         S{"Average", "3", "-1", "0", "0"}, {int(kCmdAverage), 7, 0}},
        {"Posterize stops at 64", 32780, 10, {0, 0, 0}, {"99"},
         S{"Posterize", "2", "-1", "0", "0"}, {int(kCmdPosterize), 64, 0}},
        {"Enabled cleared: off", 32827, 11, {int(kCmdMosaic), 8, 0}, {{}, -1, 0},
         S{"Mosaic", "8", "-1", "0", "1"}, {0, 8, 0}},
        {"Cancel keeps everything", 32825, 26, {int(kCmdHistoContrast), 300, 0}, {"5", -1, -1, false},
         S{"Histo-Contrast", "30", "-1", "0", "1"}, {int(kCmdHistoContrast), 300, 0}},
        {"Sobel row 0", 32792, 19, {0, 1, 0}, {{}, 0},
         S{"Sobel", "", "1", "2", "0"}, {int(kCmdSobel), 0, 0}},
        {"Laplacian: six filters", 32791, 18, {int(kCmdLaplacian), 4, 0}, {{}, -1, -1, false},
         S{"Laplacian", "", "4", "6", "1"}, {int(kCmdLaplacian), 4, 0}},
        {"Any Angle within -360 to 360", 32818, 5, {0, 0, 0}, {"-400"},
         S{"Rotate", "0", "-1", "0", "0"}, {int(kCmdRotateAny), -360, 0}},
        {"Any Angle cancelled still clears the fixed rotations", 32818, 5, {rotate90 | flip, 0, 0},
         {"30", -1, -1, false}, S{"Rotate", "0", "-1", "0", "0"}, {flip, 0, 0}},
    };
    // clang-format on
    for (const Param& row : rows) QTest::newRow(row.name) << row;
  }
  void parameterDialogs() {
    QFETCH(Param, row);
    Session s(m_photo, kSign);
    CommandParam& param = s.media.CommandParams[size_t(row.n)];
    s.media.CommandMask = uint32_t(row.stored[0]);
    param = {row.stored[1], row.stored[2]};
    const int refreshes = s.owner.refreshes;
    s.Run(s.Command(row.id), Answering(row.answer));
    QVERIFY(s.prompts.unanswered.isEmpty());
    QCOMPARE(m_opened, row.opened);
    QCOMPARE((L{int(s.media.CommandMask), param.Value, param.Choice}), row.expected);
    QCOMPARE(s.owner.refreshes, refreshes + 1);
  }

  // Each range dialog stops where the command's own range does (what the
  // run without a window takes with --set), at both ends.
  void rangeDialogsStopWhereTheCommandDoes() {
    const std::pair<int, int> commands[] = {{32818, 5},  {32780, 10}, {32827, 11}, {32833, 12},
                                            {32834, 13}, {32784, 14}, {32835, 15}, {32787, 16},
                                            {32831, 23}, {32825, 26}};
    Session s(m_photo, kSign);
    for (const auto& [id, n] : commands) {
      const ParamRange& range = kImageCommands[size_t(n)].value;
      L stored;
      for (const QString& typed : QStringList{"99999", range.min < 0 ? "-99999" : "0"}) {
        s.Run(s.Command(id), Answering({typed}));
        stored << s.media.CommandParams[size_t(n)].Value;
      }
      QCOMPARE(stored, (L{range.max, range.min}));
    }
  }

  // Color Resolution keeps its three numbers.
  void colourResolutionAndGamma() {
    Session s(m_photo, kSign);
    CommandParam& dither = s.media.CommandParams[9];
    s.media.ColorResBits = 8;
    dither = {0, int32_t(platform::kColourResOptimisedPalette)};
    s.Run(s.Command(32844), [](QDialog& d) {
      auto* bits = In<QComboBox>(d, CColorResDlg::kBitsId);
      auto* dithering = In<QComboBox>(d, CColorResDlg::kDitheringId);
      QCOMPARE(bits->currentData().toInt(), 8);
      QCOMPARE(In<QComboBox>(d, CColorResDlg::kPaletteId)->currentText(),
               QStringLiteral("Optimised for the picture"));
      bits->setCurrentIndex(bits->findData(4));
      dithering->setCurrentIndex(dithering->findData(int(platform::kColourResDither)));
      Click(d, 1);
    });
    QCOMPARE((L{s.media.ColorResBits, dither.Value, dither.Choice, int(s.media.CommandMask)}),
             (L{4, int(platform::kColourResDither), int(platform::kColourResOptimisedPalette), 0}));
    dither.Choice = 0x40;  // none of the choices: kept by OK
    s.Run(s.Command(32844), [](QDialog& d) { Click(d, 1); });
    QCOMPARE(dither.Choice, 0x40);
    // Gamma Correct offers 1 until a gamma is chosen.
    s.Run(s.Command(33069), Answering({"2.2"}));
    QCOMPARE(m_opened.mid(0, 2), (QStringList{"Gamma Correct", "1"}));
    QCOMPARE(s.media.Gamma, 2.2f);
    QCOMPARE(s.media.CommandMask, uint32_t(kCmdGammaCorrect));
    s.Run(s.Command(33069), Answering({"0.5", -1, -1, false}));
    QCOMPARE(m_opened[1], QStringLiteral("2.2"));
    QCOMPARE(s.media.Gamma, 2.2f);
    // Offered with six significant digits.
    s.media.Gamma = 1.2345678f;
    s.Run(s.Command(33069), Answering({"1", -1, -1, false}));
    QCOMPARE(m_opened[1], QStringLiteral("1.23457"));
  }

  // The small dialogs are laid out as their templates draw them: margins
  // as wide on the right as on the left, labels at the same height beside
  // each of their lists, a slider ending where the buttons below it end.
  void smallDialogsLineUp() {
    // Positions and sizes back in dialog units, as the templates give them.
    const auto units = [](QDialog& d, const QRect& px) {
      const gui::DialogUnits du(d.font());
      const auto x = [&du](int v) { return gui::DialogUnits::MulDiv(v, 4, du.AverageCharWidth()); };
      const auto y = [&du](int v) { return gui::DialogUnits::MulDiv(v, 8, du.CharHeight()); };
      return QRect(x(px.x()), y(px.y()), x(px.width()), y(px.height()));
    };
    const auto margins = [&units](QDialog& d) {
      const int width = units(d, d.rect()).width();
      int left = width, right = width;
      for (QWidget* w : d.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!w->isVisibleTo(&d)) continue;
        const QRect r = units(d, w->geometry());
        left = std::min(left, r.x());
        right = std::min(right, width - r.x() - r.width());
      }
      return std::pair(left, right);
    };
    Session s(m_photo, kSign);
    L checked;
    s.Run(s.Command(32818), [&](QDialog& d) {  // a range dialog
      const auto [left, right] = margins(d);
      QCOMPARE(right, left);
      const QRect slider = units(d, In<QSlider>(d, CRangeDlg::kValueSliderId)->geometry());
      const QRect cancel = units(d, In(d, kIdCancel)->geometry());
      QCOMPARE(slider.x() + slider.width(), cancel.x() + cancel.width());
      checked << 1;
      Click(d, 2);
    });
    s.Run(s.Command(32844), [&](QDialog& d) {  // Color Resolution
      const auto [left, right] = margins(d);
      QCOMPARE(right, left);
      const QList<QLabel*> labels = d.findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
      L gaps;
      for (int id : {CColorResDlg::kBitsId, CColorResDlg::kPaletteId, CColorResDlg::kDitheringId}) {
        gaps << units(d, labels.at(gaps.size())->geometry()).y() -
                    units(d, In(d, id)->geometry()).y();
      }
      QCOMPARE(gaps, L(3, gaps.at(0)));
      checked << 2;
      Click(d, 2);
    });
    for (const char* item : {"&Save...", "&Load..."})
      s.Run(s.Item(kSettings, item), [&](QDialog& d) {
        const auto [left, right] = margins(d);
        QCOMPARE(right, left);
        checked << 3;
        Click(d, 2);
      });
    QCOMPARE(checked, (L{1, 2, 3, 3}));
  }

  void marksFollowTheRecordWhenAMenuOpens() {
    Session s(m_photo, kSign);
    s.media.CommandMask = kCmdRotate180 | kCmdDither | kCmdEdgeEnhance;
    emit s.dlg->MenuBar()->actions()[4]->menu()->aboutToShow();
    for (int id : {32816, 33068, 32837}) QVERIFY(s.Command(id)->isChecked());
    for (int id : {32776, 32817, 32771}) QVERIFY(!s.Command(id)->isChecked());
    QVERIFY(s.Command(32816)->actionGroup()->isExclusive());
    // Frames load at 24 bits per pixel, where Edge Enhance applies.
    QCOMPARE(s.media.DecodedBitmap().BitsPerPixel(), 24);
    QVERIFY(s.Command(32837)->isEnabled());
  }

  void commandsNeedASource() {
    adjust_dialog::testing::TestOwner owner;
    gui::ScriptedPrompts prompts;
    CAdjustDlg dlg(owner, prompts, &owner.window);
    dlg.setAttribute(Qt::WA_DeleteOnClose, false);
    for (int id : {32771, 32776, 32784, 32792, 32844, 33069}) dlg.Commands().Action(id)->trigger();
    QVERIFY(prompts.dialogTitles.empty());
    QCOMPARE(owner.refreshes, 0);
  }

  // Sets are saved, listed, refused under a name the store cannot hold,
  // deleted and loaded.
  void namedSets() {
    QVERIFY(WriteSettingsSet("Old", {}));
    Session s(m_photo, kSign);
    Check(s, kKeepAspect);  // off
    s.Control<QSlider>(kBrtSlider)->setValue(90);
    s.prompts.answers.push_back(gui::MessageAnswer::Yes);
    s.Run(s.Item(kSettings, "&Save..."), [&s](QDialog& d) {
      QCOMPARE(d.windowTitle(), QStringLiteral("Save Settings"));
      SaveAs("a/b")(d);
      QCOMPARE(d.result(), -1);  // still open
      QCOMPARE(s.prompts.messages.at(0).caption, QStringLiteral("Save Settings"));
      QCOMPARE(s.prompts.messages.at(0).icon, gui::MessageIcon::Exclamation);
      In<QListWidget>(d, CSettingsSetDlg::kSetListId)->item(0)->setSelected(true);
      Click(d, CSettingsSetDlg::kDeleteId);
      QVERIFY(Listed(d).isEmpty());
      SaveAs("Night")(d);
    });
    QCOMPARE(s.prompts.messages.back().text, QStringLiteral("Delete the settings \"Old\"?"));
    s.Run(s.Item(kSettings, "&Save..."), [](QDialog& d) {
      QCOMPARE(Listed(d), QStringList{"Night"});
      SaveAs("Day")(d);
    });
    QCOMPARE(SettingsSetNames(), (Sets{"Day", "Night"}));

    s.Control<QSlider>(kBrtSlider)->setValue(20);
    s.media.XPos = 3;
    s.media.ConstrainRect = 0;
    s.Run(s.Item(kSettings, "&Load..."), [](QDialog& d) {
      QCOMPARE(d.windowTitle(), QStringLiteral("LoadSettings"));
      QCOMPARE(Listed(d), (QStringList{"Day", "Night"}));
      QVERIFY(!In(d, CSettingsSetDlg::kNameId));
      Pick("Night")(d);
    });
    QCOMPARE((L{s.media.Brightness, s.Control<QSlider>(kBrtSlider)->value(),
                s.Control(kBrt)->text().toInt(), s.media.XPos, s.media.KeepAspect,
                s.media.ConstrainRect}),
             (L{90, 90, 90, 224, 0, 0}));  // ConstrainRect is not part of a set
    QVERIFY(s.prompts.unanswered.isEmpty());
  }

  // With Auto Save on, OK asks for a set that the next attaching loads;
  // with it off, OK takes a number typed but not yet left and saves the
  // base settings without asking.
  void okSavesAndAutoSaveLoadsOnAttach() {
    {
      Session s(m_photo, kSign);
      QAction* autoSave = s.Item(kSettings, "&Auto Save");
      autoSave->trigger();
      emit s.dlg->MenuBar()->actions()[0]->menu()->aboutToShow();
      QVERIFY(autoSave->isChecked());
      s.Control<QSlider>(kRedSlider)->setValue(100);
      s.prompts.dialogScripts.push_back(SaveAs("Auto"));
      s.dlg->CloseWithOk();
      QCOMPARE(s.prompts.dialogTitles, std::vector<QString>{"Save Settings"});
    }
    BaseSettings base;
    QVERIFY(ReadBaseSettings(base));
    QCOMPARE(base.autoSave, 1u);
    QCOMPARE(SettingsSetNames(), Sets{"Auto"});

    Session s(m_photo, kSign, {Pick("Auto")});
    QCOMPARE(s.prompts.dialogTitles, std::vector<QString>{"LoadSettings"});
    QCOMPARE(s.media.Red, 100);
    QVERIFY(s.dlg->AutoSave());
    s.Item(kSettings, "&Auto Save")->trigger();
    s.media.WavPath = "/music/wav";
    s.Control(kBrt)->setText(QStringLiteral("77"));
    s.dlg->CloseWithOk();
    QVERIFY(ReadBaseSettings(base));
    QCOMPARE((std::tuple{s.media.Brightness, base.autoSave, base.wavPath, s.owner.closings,
                         s.prompts.dialogTitles.size()}),
             (std::tuple{77, std::optional<uint32_t>(0), std::optional<std::string>("/music/wav"),
                         1, size_t(1)}));
    QTRY_VERIFY(s.dlg.isNull());
  }

  // No key: the folder kept; the key without the value: emptied; with the
  // value: taken.
  void theWavFolderComesFromTheStore() {
    const std::string folder = "/home/u/Sonquill/Sounds";
    const std::vector<std::pair<const std::string*, std::string>> steps = {
        {nullptr, "/kept"}, {&folder, ""}, {nullptr, folder}};
    for (const auto& [nextWrite, expected] : steps) {
      Session s(m_seq, kSign);
      s.media.WavPath = "/kept";
      s.dlg->AttachSource(&s.media);
      QCOMPARE(s.media.WavPath, expected);
      QVERIFY(WriteBaseSettings(false, nextWrite));
    }
  }

  void stillImagesProposesANameAndTellsTheOwner() {
    Session s(m_seq, kSign);
    QCOMPARE(s.owner.stillImageOptions.back(), (Told{false, ""}));
    s.Run(s.Item(kOptions, "Still Images..."), [](QDialog& d) {
      QCOMPARE(d.windowTitle(), QStringLiteral("Still Images"));
      auto* name = In<QLineEdit>(d, CStillImagesDlg::kNameId);
      QCOMPARE(name->text(), QStringLiteral("STILL_IMAGES.SQ9"));
      QVERIFY(!name->isEnabled());
      In<QCheckBox>(d, CStillImagesDlg::kSingleSequenceId)->click();
      QVERIFY(name->isEnabled());
      name->setText(QStringLiteral("ALL.SQ9"));
      Click(d, 1);
    });
    QCOMPARE(s.owner.stillImageOptions.back(), (Told{true, "ALL.SQ9"}));
    QVERIFY(s.Item(kOptions, "Still Images...")->isChecked());

    QVERIFY(s.owner.OpenPreview(m_photo, kSign));
    s.dlg->AttachSource(&s.media);
    QCOMPARE(s.owner.stillImageOptions.back(), (Told{true, "photo.sq9"}));
    const size_t told = s.owner.stillImageOptions.size();
    s.Run(s.Item(kOptions, "Still Images..."), [](QDialog& d) {
      QCOMPARE(In<QLineEdit>(d, CStillImagesDlg::kNameId)->text(), QStringLiteral("photo.sq9"));
      Click(d, 2);
    });
    QCOMPARE(s.owner.stillImageOptions.size(), told);
  }

  void saveAudioEnablesBrowsesAndStores_data() {
    QTest::addColumn<bool>("txd");
    QTest::addColumn<std::optional<QString>>("picked");
    QTest::addColumn<QString>("folder");
    QTest::newRow("TXD on: reminder, then the picker, cancelled: folder kept")
        << true << std::optional<QString>() << "/old";
    QTest::newRow("TXD turned off: the picker at once")
        << false << std::optional<QString>("/wav") << "/wav";
  }
  void saveAudioEnablesBrowsesAndStores() {
    QFETCH(bool, txd);
    QFETCH(std::optional<QString>, picked);
    QFETCH(QString, folder);
    Session s(m_seq, kSign);
    s.media.WavPath = "/old";
    s.media.AddTxdFlag = 1;
    s.prompts.folders.push_back(picked);
    s.Run(s.Item(kOptions, "Save AVI Audio..."), [txd](QDialog& d) {
      QCOMPARE(d.windowTitle(), QStringLiteral("Save AVI Audio"));
      for (int id : {CSaveAudioDlg::kAddTxdId, CSaveAudioDlg::kWavPathId, CSaveAudioDlg::kBrowseId})
        QVERIFY(!In(d, id)->isEnabled());
      QCOMPARE(In<QLineEdit>(d, CSaveAudioDlg::kWavPathId)->text(), QStringLiteral("/old"));
      In<QCheckBox>(d, CSaveAudioDlg::kSaveAudioId)->click();
      if (!txd) In<QCheckBox>(d, CSaveAudioDlg::kAddTxdId)->click();
      Click(d, CSaveAudioDlg::kBrowseId);
      Click(d, 1);
    });
    QCOMPARE(s.prompts.folderTitles, std::vector<QString>{"Select WAV Path"});
    QCOMPARE(s.prompts.messages.size(), size_t(txd));
    if (txd) {
      const auto& reminder = s.prompts.messages[0];
      QCOMPARE(reminder.text,
               QStringLiteral("Since you have chosen to add a TXD frame to use with Sonquill,\nyou "
                              "must save this WAV file in a \\Sonquill\\Sounds directory."));
      QCOMPARE((std::pair{reminder.caption, reminder.icon}),
               (std::pair{QStringLiteral("Reminder"), gui::MessageIcon::Information}));
    }
    QCOMPARE((L{s.media.SaveAudioFlag, s.media.AddTxdFlag}), (L{1, txd}));
    QCOMPARE(QString::fromStdString(s.media.WavPath), folder);
    QVERIFY(s.Item(kOptions, "Save AVI Audio...")->isChecked());

    s.Run(s.Item(kOptions, "Save AVI Audio..."), [](QDialog& d) {
      In<QCheckBox>(d, CSaveAudioDlg::kSaveAudioId)->click();
      In<QLineEdit>(d, CSaveAudioDlg::kWavPathId)->setText(QStringLiteral("/new"));
      Click(d, 2);
    });
    QCOMPARE(s.media.SaveAudioFlag, 1);  // Cancel: as it was
    QCOMPARE(QString::fromStdString(s.media.WavPath), folder);
  }
};

QTEST_MAIN(AdjustDlgTest)
#include "adjust_dlg_test.moc"
