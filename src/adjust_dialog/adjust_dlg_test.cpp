// The Adjust dialog as the user meets it: what attaching a source shows,
// values going from slider to number to record and back, the Keep Aspect
// derivations in both size modes, the check boxes, Reset, the source
// window's drags reaching the dialog, the Window menu, and how OK, Cancel
// and Auto Save treat the record and the settings store.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "adjust/settings_persistence.h"
#include "adjust_dialog/adjust_dlg.h"
#include "adjust_dialog/image_command_menus.h"
#include "adjust_dialog/testing/test_owner.h"
#include "gui/dialog_builder.h"
#include "gui/testing/scripted_prompts.h"
#include "gui/up_down.h"
#include "platform/registry/cq9_registry.h"
#include "preview/testing/test_sources.h"

using namespace q9;
using adjust_dialog::CAdjustDlg;

namespace {

// A 640 x 480 frame for a sign of 64 rows by 192 columns: a new source
// captures 192 x 64 at (224, 208).
const platform::SignGeometry kSign{64, 192, platform::Q9_RGB16MB};
enum Id { kBrt = 1049, kRed = 1045, kWht = 1048, kBrtSlider = 1000, kRedSlider = 1037 };
enum Capture { kHeight = 1053, kWidth = 1054, kXPos = 1055, kYPos = 1056 };
enum Spin { kHeightSpin = 1012, kWidthSpin = 1013, kXPosSpin = 1018, kYPosSpin = 1019 };
constexpr int kSizeMode = 1008, kKeepAspect = 1009, kDropImage = 1014, kConstrain = 2805,
              kAutoCenter = 2721;

QAction* MenuItem(const CAdjustDlg& dlg, const QString& menu, const QString& item) {
  for (QAction* title : dlg.MenuBar()->actions())
    if (title->text() == menu)
      for (QAction* action : title->menu()->actions())
        if (action->text() == item) return action;
  return nullptr;
}

}  // namespace

class AdjustDlgTest : public QObject {
  Q_OBJECT

  QTemporaryDir m_files;
  std::unique_ptr<QTemporaryDir> m_store;
  QString m_photo;

  // The main dialog's part, the prompts and an Adjust dialog attached to a
  // source, shown and active.
  struct Session {
    adjust_dialog::testing::TestOwner owner;
    gui::ScriptedPrompts prompts;
    QPointer<CAdjustDlg> dlg;

    explicit Session(const QString& path) {
      owner.window.show();
      QVERIFY(owner.OpenPreview(path, kSign));
      dlg = new CAdjustDlg(owner, prompts, &owner.window);
      dlg->show();
      dlg->AttachSource(&owner.media);
      dlg->activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(dlg));
    }
    ~Session() { delete dlg; }

    template <class T = QLineEdit>
    T* Control(int id) const {
      return gui::FindControl<T>(*dlg, id);
    }
    QString Text(int id) const { return Control(id)->text(); }
    // Types into an edit and leaves it with Tab; the refreshes that
    // leaving it made.
    int Type(int id, const QString& text) {
      QLineEdit* edit = Control(id);
      edit->setFocus();
      edit->selectAll();
      QTest::keyClicks(edit, text);
      const int before = owner.refreshes;
      QTest::keyClick(edit, Qt::Key_Tab);
      return owner.refreshes - before;
    }
    QList<int> Capture() const {
      return {owner.media.Height, owner.media.Width, owner.media.XPos, owner.media.YPos};
    }
    QList<int> Shown() const {
      return {Text(kHeight).toInt(), Text(kWidth).toInt(), Text(kXPos).toInt(),
              Text(kYPos).toInt()};
    }
  };

  QByteArray StoreBytes() const {
    QFile file(QString::fromStdString(platform::CQ9Registry::StorePath()));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

 private slots:
  void initTestCase() {
    QVERIFY(m_files.isValid());
    qputenv("XDG_CONFIG_HOME", m_files.filePath(QStringLiteral("config")).toUtf8());
    m_photo = m_files.filePath(QStringLiteral("photo.bmp"));
    QVERIFY(preview::testing::WritePicture(m_photo, QSize(640, 480), [](int x, int y) {
      return qRgb(x * 255 / 640, y * 255 / 480, 128);
    }));
  }
  // Every test starts with an empty settings store of its own.
  void init() {
    m_store = std::make_unique<QTemporaryDir>();
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_store->path());
    QVERIFY(QString::fromStdString(platform::CQ9Registry::StorePath()).startsWith(m_store->path()));
  }

  void attachingShowsTheSource() {
    Session s(m_photo);
    QCOMPARE(s.dlg->windowTitle(), QStringLiteral("Adjust : photo.bmp"));
    preview::CSourceWnd* source = s.dlg->SourceWindow();
    QCOMPARE(source->windowTitle(), QStringLiteral("Source : photo.bmp"));
    QCOMPARE(source->size(), QSize(640, 480));
    QTRY_VERIFY(source->isVisible());
    QCOMPARE(source->pos().x(), s.dlg->frameGeometry().left());
    QVERIFY(source->pos().y() > s.dlg->frameGeometry().bottom());
    QCOMPARE(s.Shown(), (QList<int>{64, 192, 224, 208}));
    QCOMPARE(s.Control<QComboBox>(kSizeMode)->currentText(), QStringLiteral("Pixels"));
    QVERIFY(s.Control<QCheckBox>(kKeepAspect)->isChecked());
    QVERIFY(s.Control<QCheckBox>(kConstrain)->isChecked());
    QCOMPARE(s.Text(kBrt), QStringLiteral("64"));
    QCOMPARE(s.Control<QSlider>(kBrtSlider)->value(), 64);
    QCOMPARE(s.owner.media.CaptureInitialized, 1);
    const QList<QPair<int, QPair<int, int>>> ranges = {{kHeightSpin, {1, 960}},
                                                       {kWidthSpin, {1, 1280}},
                                                       {kXPosSpin, {-639, 639}},
                                                       {kYPosSpin, {-479, 479}}};
    for (const auto& [id, range] : ranges) {
      auto* spin = s.Control<gui::UpDown>(id);
      QCOMPARE((QPair<int, int>{spin->Low(), spin->High()}), range);
    }
    QCOMPARE(s.owner.stillImageOptions.back(), (std::pair<bool, std::string>{false, "photo.sq9"}));
    QVERIFY(s.prompts.unanswered.isEmpty());
  }

  void attachingWithAutoCenterCentresAndLocksThePosition() {
    Session s(m_photo);
    s.owner.media.AutoCenter = 1;
    s.owner.media.XPos = 3;
    s.dlg->AttachSource(&s.owner.media);
    QCOMPARE(s.Shown(), (QList<int>{64, 192, 224, 208}));
    QVERIFY(!s.Control(kXPos)->isEnabled() && !s.Control(kYPos)->isEnabled());
  }

  void valuesGoFromSliderToNumberToRecord_data() {
    QTest::addColumn<int>("slider");  // move this slider to value, or
    QTest::addColumn<int>("edit");    // type value into this edit
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("shownOnSlider");
    QTest::addColumn<int>("adjustChanged");
    QTest::newRow("Brt slider") << int(kBrtSlider) << int(kBrt) << 100 << 100 << 1;
    QTest::newRow("Red slider (cheap)") << int(kRedSlider) << int(kRed) << 20 << 20 << 0;
    QTest::newRow("200 typed: taken as typed, slider at its top")
        << 0 << int(kBrt) << 200 << 128 << 1;
    QTest::newRow("Wht typed") << 0 << int(kWht) << 30 << 30 << 0;
  }
  void valuesGoFromSliderToNumberToRecord() {
    QFETCH(int, slider);
    QFETCH(int, edit);
    QFETCH(int, value);
    QFETCH(int, shownOnSlider);
    QFETCH(int, adjustChanged);
    Session s(m_photo);
    delete s.owner.preview;       // nothing renders, so AdjustChanged stays as set
    s.Control(edit)->setFocus();  // leaving the edit that had the focus counts too
    s.owner.media.AdjustChanged = 0;
    const int refreshes = s.owner.refreshes;
    if (slider) {
      s.Control<QSlider>(slider)->setValue(value);
      QCOMPARE(s.owner.refreshes, refreshes + 1);
    } else {
      QCOMPARE(s.Type(edit, QString::number(value)), 1);
    }
    QCOMPARE(s.Text(edit).toInt(), value);
    const int32_t recorded = edit == kBrt   ? s.owner.media.Brightness
                             : edit == kRed ? s.owner.media.Red
                                            : s.owner.media.White;
    QCOMPARE(recorded, value);
    const int sliderId = edit == kBrt ? kBrtSlider : edit == kRed ? kRedSlider : 1043;
    QCOMPARE(s.Control<QSlider>(sliderId)->value(), shownOnSlider);
    QCOMPARE(s.owner.media.AdjustChanged, adjustChanged);
  }

  void sliderKeysStepTheValue() {
    Session s(m_photo);
    auto* slider = s.Control<QSlider>(kRedSlider);
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Up);
    QCOMPARE(s.owner.media.Red, 65);
    QTest::keyClick(slider, Qt::Key_PageDown);
    QCOMPARE(s.owner.media.Red, 57);
    QCOMPARE(s.Text(kRed), QStringLiteral("57"));
  }

  void cancelPutsTheRecordBackAndWritesNothing() {
    Session s(m_photo);
    const adjust::ImportSettings before = s.owner.media;
    const QByteArray store = StoreBytes();
    s.Control<QSlider>(kBrtSlider)->setValue(10);
    s.Type(kHeight, QStringLiteral("100"));
    s.dlg->Commands().ToggleCommand(adjust::kCmdInvert);
    s.owner.media.SaveAudioFlag = 1;
    s.owner.media.WavPath = "/tmp/wav";
    QVERIFY(!(s.owner.media == before));
    QTest::mouseClick(s.Control<QPushButton>(2), Qt::LeftButton);
    adjust::ImportSettings after = s.owner.media;
    QCOMPARE(after.AdjustChanged, 1);
    after.AdjustChanged = before.AdjustChanged;
    after.CaptureInitialized = before.CaptureInitialized;
    QVERIFY(after == before);
    QCOMPARE(StoreBytes(), store);
    QCOMPARE(s.owner.closings, 1);
    QTRY_VERIFY(s.dlg.isNull());
  }

  void okSavesTheBaseSettingsAndCloses() {
    Session s(m_photo);
    s.owner.media.WavPath = "/music/wav";
    s.Control(kBrt)->setText(QStringLiteral("77"));  // typed, not yet left
    s.dlg->CloseWithOk();
    QCOMPARE(s.owner.media.Brightness, 77);
    adjust::BaseSettings base;
    QVERIFY(adjust::ReadBaseSettings(base));
    QCOMPARE(base.autoSave, 0u);
    QCOMPARE(base.wavPath, std::string("/music/wav"));
    QVERIFY(adjust::SettingsSetNames().empty());
    QCOMPARE(s.owner.closings, 1);
    QVERIFY(s.prompts.dialogTitles.empty());
    QTRY_VERIFY(s.dlg.isNull());
  }

  void keepAspectInBothModes_data() {
    QTest::addColumn<QList<int>>("start");  // SizeMode, KeepAspect, AutoCenter, Height, Width
    QTest::addColumn<int>("edit");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QList<int>>("expected");  // Height, Width, XPos, YPos
    using L = QList<int>;
    QTest::newRow("Pixels: Height 32 gives Width 96")
        << L{1, 1, 0, 64, 192} << int(kHeight) << "32" << L{32, 96, 224, 208};
    QTest::newRow("Pixels: Width 96 gives Height 32")
        << L{1, 1, 0, 64, 192} << int(kWidth) << "96" << L{32, 96, 224, 208};
    QTest::newRow("Height left unchanged derives nothing")
        << L{1, 1, 0, 64, 100} << int(kHeight) << "64" << L{64, 100, 224, 208};
    QTest::newRow("X Pos derives nothing")
        << L{1, 1, 0, 64, 100} << int(kXPos) << "10" << L{64, 100, 10, 208};
    QTest::newRow("Keep Aspect off")
        << L{1, 0, 0, 64, 192} << int(kHeight) << "32" << L{32, 192, 224, 208};
    QTest::newRow("Percent: Height 50 gives Width 112")
        << L{0, 1, 0, 10, 30} << int(kHeight) << "50" << L{50, 112, 224, 208};
    QTest::newRow("Percent: Width 60 gives Height 26")
        << L{0, 1, 0, 10, 30} << int(kWidth) << "60" << L{26, 60, 224, 208};
    QTest::newRow("X Pos 700 on a 640 frame becomes 639")
        << L{1, 1, 0, 64, 192} << int(kXPos) << "700" << L{64, 192, 639, 208};
    QTest::newRow("X Pos 640 stays")
        << L{1, 1, 0, 64, 192} << int(kXPos) << "640" << L{64, 192, 640, 208};
    QTest::newRow("Y Pos 481 becomes 479")
        << L{1, 1, 0, 64, 192} << int(kYPos) << "481" << L{64, 192, 224, 479};
    QTest::newRow("Auto Center: the new size is centred")
        << L{1, 1, 1, 64, 192} << int(kHeight) << "32" << L{32, 96, 272, 224};
  }
  void keepAspectInBothModes() {
    QFETCH(QList<int>, start);
    QFETCH(int, edit);
    QFETCH(QString, typed);
    QFETCH(QList<int>, expected);
    Session s(m_photo);
    auto& m = s.owner.media;
    m.SizeMode = start[0], m.KeepAspect = start[1], m.AutoCenter = start[2];
    m.Height = start[3], m.Width = start[4];
    s.dlg->AdjMsgReloadValues();
    QCOMPARE(s.Type(edit, typed), 1);
    QCOMPARE(s.Capture(), expected);
    QCOMPARE(s.Shown(), expected);
  }

  void spinsDeriveWithoutAskingWhetherTheValueChanged() {
    Session s(m_photo);
    auto* height = s.Control<gui::UpDown>(kHeightSpin);
    height->Step(+1);
    QCOMPARE(s.Capture(), (QList<int>{65, 195, 224, 208}));
    s.Control<gui::UpDown>(kWidthSpin)->Step(-1);
    QCOMPARE(s.Capture(), (QList<int>{64, 194, 224, 208}));
    s.Control<gui::UpDown>(kXPosSpin)->Step(-1);
    QCOMPARE(s.Capture(), (QList<int>{64, 194, 223, 208}));
  }

  void sizeModeTurnsPixelsIntoPercentAndBack() {
    Session s(m_photo);
    s.Control<QCheckBox>(kKeepAspect)->click();
    s.Type(kWidth, QStringLiteral("320"));
    QCOMPARE(s.owner.media.CaptureRect.Width(), 320);  // the render computed it
    const int refreshes = s.owner.refreshes;
    auto* mode = s.Control<QComboBox>(kSizeMode);
    mode->setCurrentIndex(adjust::kSizePercent);
    QCOMPARE(s.Text(kWidth), QStringLiteral("50"));
    QCOMPARE(s.Text(kHeight), QStringLiteral("13"));
    QCOMPARE(s.Control<gui::UpDown>(kWidthSpin)->High(), 200);
    QCOMPARE(s.owner.media.SizeMode, int(adjust::kSizePercent));
    QCOMPARE(s.owner.refreshes, refreshes);
    mode->setCurrentIndex(adjust::kSizePixels);
    QCOMPARE(s.Text(kWidth), QStringLiteral("320"));
    QCOMPARE(s.Text(kHeight), QStringLiteral("64"));
    QCOMPARE(s.Control<gui::UpDown>(kWidthSpin)->High(), 1280);
  }

  void checkBoxes() {
    Session s(m_photo);
    auto& m = s.owner.media;
    s.Control<QCheckBox>(kKeepAspect)->click();
    s.Type(kWidth, QStringLiteral("300"));
    s.Control<QComboBox>(kSizeMode)->setCurrentIndex(adjust::kSizePercent);
    // Keep Aspect on: the sign's size in Pixels mode at the same corner.
    s.Control<QCheckBox>(kKeepAspect)->click();
    QCOMPARE(s.Capture(), (QList<int>{64, 192, 224, 208}));
    QCOMPARE(m.SizeMode, int(adjust::kSizePixels));
    QCOMPARE(m.CaptureRect.right - m.CaptureRect.left, 192);

    s.Type(kXPos, QStringLiteral("5"));
    s.Control<QCheckBox>(kAutoCenter)->click();
    QCOMPARE(m.AutoCenter, 1);
    QCOMPARE(s.Shown(), (QList<int>{64, 192, 224, 208}));
    QVERIFY(!s.Control(kXPos)->isEnabled() && !s.Control<gui::UpDown>(kYPosSpin)->isEnabled());
    s.Control<QCheckBox>(kAutoCenter)->click();
    QVERIFY(s.Control(kXPos)->isEnabled());

    const int refreshes = s.owner.refreshes;
    s.Control<QCheckBox>(kDropImage)->click();
    s.Control<QCheckBox>(kConstrain)->click();
    QCOMPARE(m.DropImage, 1);
    QCOMPARE(m.ConstrainRect, 0);
    QCOMPARE(s.owner.refreshes, refreshes + 2);
  }

  void resetKeepsTheImageCommands() {
    Session s(m_photo);
    auto& m = s.owner.media;
    s.Control<QSlider>(kBrtSlider)->setValue(3);
    s.Type(kXPos, QStringLiteral("9"));
    s.Control<QCheckBox>(kAutoCenter)->click();
    s.dlg->Commands().ToggleCommand(adjust::kCmdFlip);
    MenuItem(*s.dlg, QStringLiteral("Image Settings"), QStringLiteral("&Reset"))->trigger();
    QCOMPARE(s.Shown(), (QList<int>{64, 192, 224, 208}));
    QCOMPARE(m.Brightness, 64);
    QCOMPARE(s.Control<QSlider>(kBrtSlider)->value(), 64);
    QCOMPARE(m.AutoCenter, 0);
    QVERIFY(s.Control(kXPos)->isEnabled());
    QCOMPARE(m.CommandMask, uint32_t(adjust::kCmdFlip));
  }

  // A rectangle drawn in the source window reaches the dialog's fields,
  // ranges and the preview before the mouse button's release returns.
  void sourceWindowDragsReachTheDialog() {
    Session s(m_photo);
    s.Control<QCheckBox>(kKeepAspect)->click();
    preview::CSourceWnd* source = s.dlg->SourceWindow();
    QVERIFY(QTest::qWaitForWindowExposed(source));
    const int refreshes = s.owner.refreshes;
    QTest::mousePress(source, Qt::LeftButton, {}, QPoint(300, 100));
    QTest::mouseMove(source, QPoint(200, 80));
    QTest::mouseRelease(source, Qt::LeftButton, {}, QPoint(100, 50));
    QCOMPARE(s.Shown(), (QList<int>{50, 200, 100, 50}));
    QCOMPARE(s.Control<QComboBox>(kSizeMode)->currentText(), QStringLiteral("Pixels"));
    QCOMPARE(s.owner.refreshes, refreshes + 1);
    QCOMPARE(s.owner.media.CaptureRect, (adjust::Rect{100, 50, 300, 100}));
    // Typed and not yet left: the keys take it first.
    s.Control(kYPos)->setText(QStringLiteral("60"));
    QTest::keyClick(source, Qt::Key_Left, Qt::ControlModifier);
    QCOMPARE(s.Shown(), (QList<int>{50, 200, 96, 60}));
  }

  void windowMenuHidesShowsAndRemakesTheSourceWindow() {
    Session s(m_photo);
    QAction* item = MenuItem(*s.dlg, QStringLiteral("Window"), QStringLiteral("Source Window"));
    QPointer<preview::CSourceWnd> source = s.dlg->SourceWindow();
    QTRY_VERIFY(source->isVisible());
    item->trigger();
    QVERIFY(!source->isVisible() && !source->isEnabled());
    QVERIFY(!item->isChecked());
    item->trigger();
    QVERIFY(source->isVisible() && source->isEnabled());
    QVERIFY(item->isChecked());
    source->close();
    QTRY_VERIFY(source.isNull());
    item->trigger();
    QVERIFY(s.dlg->SourceWindow());
    QCOMPARE(s.dlg->SourceWindow()->windowTitle(), QStringLiteral("Source : photo.bmp"));
    QCOMPARE(s.dlg->SourceWindow()->size(), QSize(640, 480));
  }
};

QTEST_MAIN(AdjustDlgTest)
#include "adjust_dlg_test.moc"
