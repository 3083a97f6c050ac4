// The image command menus as the user meets them: where the items are, what
// each kind of handler records with its parameter dialog answered or
// cancelled, the marks the menus show, and the preview following.

#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "adjust_dialog/color_res_dlg.h"
#include "adjust_dialog/image_command_menus.h"
#include "adjust_dialog/testing/adjust_session.h"
#include "platform/imaging/imaging_library.h"
#include "preview/testing/test_sources.h"

using namespace q9;
using namespace q9::adjust;
using Session = adjust_dialog::testing::AdjustSession;
using L = QList<int>;

namespace {

const platform::SignGeometry kSign{16, 96, platform::Q9_RGB16MB};

// The user in a parameter dialog: types a number (unless empty), picks a
// choice or list row (unless -1), sets "Enabled" (unless -1), then OK or
// Cancel.
struct Answer {
  QString typed;
  int choice = -1;
  int enabled = -1;
  bool ok = true;
};

// A command run through its dialog: menu id, bit number, the bit, Value
// and Choice before, the answer, what the dialog showed on opening (title,
// value, choice or row, entries, Enabled), and the bit, Value and Choice
// after.
struct Param {
  const char* name;
  int id, n;
  L stored;
  Answer answer;
  QStringList opened;
  L expected;
};

void Click(QDialog& d, int id) {
  QTest::mouseClick(gui::FindControl<QPushButton>(d, id), Qt::LeftButton);
}

}  // namespace

Q_DECLARE_METATYPE(Param)

class ImageCommandMenusTest : public QObject {
  Q_OBJECT

  QTemporaryDir m_dir;
  QString m_photo;
  // What the last parameter dialog showed on opening: title, value, choice
  // or row, entries, Enabled.
  QStringList m_opened;

  adjust_dialog::testing::Script Answering(const Answer& a) {
    return [this, a](QDialog& d) {
      auto* edit = gui::FindControl<QLineEdit>(d, 1100);
      auto* list = gui::FindControl<QListWidget>(d, 1100);
      auto* choice = gui::FindControl<QComboBox>(d, 1102);
      auto* enabled = gui::FindControl<QCheckBox>(d, 1103);
      m_opened = QStringList{d.windowTitle(), edit ? edit->text() : QString()}
                 << QString::number(list     ? list->currentRow()
                                    : choice ? choice->currentIndex()
                                             : -1)
                 << QString::number(list     ? list->count()
                                    : choice ? choice->count()
                                             : 0)
                 << QString::number(enabled->isChecked());
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
    QVERIFY(adjust_dialog::testing::UseStoreIn(m_dir.path()));
    m_photo = m_dir.filePath(QStringLiteral("photo.bmp"));
    QVERIFY(preview::testing::WritePicture(
        m_photo, QSize(96, 16), [](int x, int y) { return qRgb(x * 2, y * 15, 200 - x); }));
  }

  void menusInTheirPlaces() {
    Session s(m_photo, kSign);
    QStringList titles, image;
    L sizes;
    for (QAction* a : s.dlg->MenuBar()->actions()) {
      titles << a->text();
      sizes << int(a->menu()->actions().size());
    }
    QCOMPARE(titles, (QStringList{"Image Settings", "Image", "Effects", "Spatial Filters", "Color",
                                  "Options", "Window"}));
    QCOMPARE(sizes, (L{4, 3, 8, 6, 9, 2, 1}));
    QMenu* imageMenu = s.dlg->MenuBar()->actions()[1]->menu();
    for (QAction* a : imageMenu->actions()) image << a->text();
    QCOMPARE(image, (QStringList{"&Flip", "&Reverse", "R&otate"}));
    QCOMPARE(imageMenu->actions()[2]->menu()->actions()[0], s.Command(32776));
    QCOMPARE(s.Command(32776)->text(), QString::fromUtf8("&90\u00b0 clockwise"));
    QCOMPARE(s.Command(32837)->statusTip(), QStringLiteral("Enhance image edges"));
  }

  void togglesAndFixedRotations_data() {
    QTest::addColumn<uint32_t>("mask");
    QTest::addColumn<L>("ids");
    QTest::addColumn<uint32_t>("expected");
    QTest::newRow("Flip twice") << 0u << L{32771, 32771} << 0u;
    QTest::newRow("GrayScale, Invert")
        << 0u << L{32842, 32845} << uint32_t(kCmdGrayScale | kCmdInvert);
    QTest::newRow("90 twice: no rotation") << 0u << L{32776, 32776} << 0u;
    QTest::newRow("90 then 180: only 180") << 0u << L{32776, 32816} << uint32_t(kCmdRotate180);
    QTest::newRow("270 replaces any angle")
        << uint32_t(kCmdRotateAny | kCmdFlip) << L{32817} << uint32_t(kCmdRotate270 | kCmdFlip);
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
    // clang-format off
    const Param rows[] = {
        {"Sharpen -15 opens at -1; 5 stores 50", 32784, 14, {0, -15, 0}, {"5"},
         S{"Sharpen", "-1", "-1", "0", "0"}, {1, 50, 0}},
        {"Halftone 45, View: 4500", 32831, 23, {0, 0, 0}, {"45", 1},
         S{"Halftone", "0", "0", "2", "0"}, {1, 4500, 1}},
        {"Add Noise: four channels", 32835, 15, {1, 300, 3}, {{}, 2},
         S{"Add Noise", "30", "3", "4", "1"}, {1, 300, 2}},
        {"Average takes odd sizes", 32833, 12, {0, 3, 0}, {"6"},
         S{"Average", "3", "-1", "0", "0"}, {1, 7, 0}},
        {"Posterize stops at 64", 32780, 10, {0, 0, 0}, {"99"},
         S{"Posterize", "2", "-1", "0", "0"}, {1, 64, 0}},
        {"Enabled cleared: off", 32827, 11, {1, 8, 0}, {{}, -1, 0},
         S{"Mosaic", "8", "-1", "0", "1"}, {0, 8, 0}},
        {"Cancel keeps everything", 32825, 26, {1, 300, 0}, {"5", -1, -1, false},
         S{"Histo-Contrast", "30", "-1", "0", "1"}, {1, 300, 0}},
        {"Sobel row 0", 32792, 19, {0, 1, 0}, {{}, 0},
         S{"Sobel", "", "1", "2", "0"}, {1, 0, 0}},
        {"Laplacian: six filters", 32791, 18, {1, 4, 0}, {{}, -1, -1, false},
         S{"Laplacian", "", "4", "6", "1"}, {1, 4, 0}},
        {"Any Angle within -360 to 360", 32818, 5, {0, 0, 0}, {"-400"},
         S{"Rotate", "0", "-1", "0", "0"}, {1, -360, 0}},
    };
    // clang-format on
    for (const Param& row : rows) QTest::newRow(row.name) << row;
  }
  void parameterDialogs() {
    QFETCH(Param, row);
    Session s(m_photo, kSign);
    const uint32_t bit = CommandBit(row.n);
    CommandParam& param = s.media.CommandParams[size_t(row.n)];
    s.media.CommandMask = row.stored[0] ? bit : 0;
    param = {row.stored[1], row.stored[2]};
    const int refreshes = s.owner.refreshes;
    s.Run(s.Command(row.id), Answering(row.answer));
    QVERIFY(s.prompts.unanswered.isEmpty());
    QCOMPARE(m_opened, row.opened);
    QCOMPARE((L{(s.media.CommandMask & bit) != 0, param.Value, param.Choice}), row.expected);
    QCOMPARE(s.media.CommandMask & ~bit, 0u);
    QCOMPARE(s.owner.refreshes, refreshes + 1);
  }

  void anyAngleCancelledStillClearsTheFixedRotations() {
    Session s(m_photo, kSign);
    s.media.CommandMask = kCmdRotate90 | kCmdFlip;
    s.Run(s.Command(32818), Answering({"30", -1, -1, false}));
    QCOMPARE(s.media.CommandMask, uint32_t(kCmdFlip));
  }

  void colourResolutionKeepsItsThreeNumbers() {
    Session s(m_photo, kSign);
    using D = adjust_dialog::CColorResDlg;
    CommandParam& dither = s.media.CommandParams[9];
    s.media.ColorResBits = 8;
    dither = {0, int32_t(platform::kColourResOptimisedPalette)};
    s.Run(s.Command(32844), [](QDialog& d) {
      auto* bits = gui::FindControl<QComboBox>(d, D::kBitsId);
      auto* dithering = gui::FindControl<QComboBox>(d, D::kDitheringId);
      QCOMPARE(bits->currentData().toInt(), 8);
      QCOMPARE(gui::FindControl<QComboBox>(d, D::kPaletteId)->currentText(),
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
  }

  void gammaOffersOneUntilAGammaIsChosen() {
    Session s(m_photo, kSign);
    s.Run(s.Command(33069), Answering({"2.2"}));
    QCOMPARE(m_opened.mid(0, 2), (QStringList{"Gamma Correct", "1"}));
    QCOMPARE(s.media.Gamma, 2.2f);
    QCOMPARE(s.media.CommandMask, uint32_t(kCmdGammaCorrect));
    s.Run(s.Command(33069), Answering({"0.5", -1, -1, false}));
    QCOMPARE(m_opened[1], QStringLiteral("2.2"));
    QCOMPARE(s.media.Gamma, 2.2f);
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
    adjust_dialog::CAdjustDlg dlg(owner, prompts, &owner.window);
    dlg.setAttribute(Qt::WA_DeleteOnClose, false);
    for (int id : {32771, 32776, 32784, 32792, 32844, 33069}) dlg.Commands().Action(id)->trigger();
    QVERIFY(prompts.dialogTitles.empty());
    QCOMPARE(owner.refreshes, 0);
  }

  void thePreviewFollowsACommand() {
    Session s(m_photo, kSign);
    const QRgb before = s.owner.preview->grab().toImage().pixel(10, 5);
    s.Command(32845)->trigger();  // Invert
    const QRgb after = s.owner.preview->grab().toImage().pixel(10, 5);
    QCOMPARE((L{qRed(after), qBlue(after)}), (L{255 - qRed(before), 255 - qBlue(before)}));
  }
};

QTEST_MAIN(ImageCommandMenusTest)
#include "image_command_menus_test.moc"
