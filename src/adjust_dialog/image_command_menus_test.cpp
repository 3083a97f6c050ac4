// The image command menus as the user meets them: where the items are, what
// each kind of handler records with its parameter dialog answered or
// cancelled, and the marks the menus show when they open.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "adjust_dialog/adjust_dlg.h"
#include "adjust_dialog/color_res_dlg.h"
#include "adjust_dialog/gamma_dlg.h"
#include "adjust_dialog/image_command_menus.h"
#include "adjust_dialog/list_dlg.h"
#include "adjust_dialog/range_dlg.h"
#include "adjust_dialog/testing/test_owner.h"
#include "gui/testing/scripted_prompts.h"
#include "platform/imaging/imaging_library.h"
#include "preview/testing/test_sources.h"

using namespace q9;
using namespace q9::adjust;
using adjust_dialog::CAdjustDlg;

namespace {

const platform::SignGeometry kSign{16, 96, platform::Q9_RGB16MB};

// What the user does in a parameter dialog: type a number (unless empty),
// pick a choice or list row (unless -1), set "Enabled" (unless -1), then
// OK or Cancel. What the dialog showed on opening is kept.
struct Answer {
  QString typed;
  int choice = -1;
  int enabled = -1;
  bool ok = true;
};

struct Opened {
  QString title, value;
  int choice = -1;
  int choices = 0;
  bool enabled = false;
};

}  // namespace

Q_DECLARE_METATYPE(Answer)

namespace {

void Click(QDialog& dialog, int id) {
  QTest::mouseClick(gui::FindControl<QPushButton>(dialog, id), Qt::LeftButton);
}

}  // namespace

class ImageCommandMenusTest : public QObject {
  Q_OBJECT

  QTemporaryDir m_dir;
  QString m_photo;

  struct Session {
    adjust_dialog::testing::TestOwner owner;
    gui::ScriptedPrompts prompts;
    QPointer<CAdjustDlg> dlg;
    Opened opened;

    explicit Session(const QString& path) {
      QVERIFY(owner.OpenPreview(path, kSign));
      dlg = new CAdjustDlg(owner, prompts, &owner.window);
      dlg->show();
      dlg->AttachSource(&owner.media);
    }
    ~Session() { delete dlg; }
    adjust_dialog::ImageCommandMenus& Menus() const { return dlg->Commands(); }
    void Run(int id) const { Menus().Action(id)->trigger(); }
    CommandParam& Param(int n) { return owner.media.CommandParams[size_t(n)]; }

    // Answers the next parameter dialog, whichever kind it is.
    void Answer(const ::Answer& a) {
      prompts.dialogScripts.push_back([this, a](QDialog& d) {
        opened.title = d.windowTitle();
        auto* edit = gui::FindControl<QLineEdit>(d, 1100);
        auto* list = gui::FindControl<QListWidget>(d, 1100);
        auto* choice = gui::FindControl<QComboBox>(d, 1102);
        auto* enabled = gui::FindControl<QCheckBox>(d, 1103);
        opened.value = edit ? edit->text() : QString();
        opened.choice = list ? list->currentRow() : choice ? choice->currentIndex() : -1;
        opened.choices = list ? list->count() : choice ? choice->count() : 0;
        opened.enabled = enabled && enabled->isChecked();
        if (!a.typed.isEmpty()) {
          edit->selectAll();
          QTest::keyClicks(edit, a.typed);
        }
        if (a.choice >= 0 && list) list->setCurrentRow(a.choice);
        if (a.choice >= 0 && choice) choice->setCurrentIndex(a.choice);
        if (a.enabled >= 0) enabled->setChecked(a.enabled != 0);
        Click(d, a.ok ? 1 : 2);
      });
    }
  };

 private slots:
  void initTestCase() {
    QVERIFY(m_dir.isValid());
    qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("config")).toUtf8());
    m_photo = m_dir.filePath(QStringLiteral("photo.bmp"));
    QVERIFY(preview::testing::WritePicture(
        m_photo, QSize(96, 16), [](int x, int y) { return qRgb(x * 2, y * 15, 200 - x); }));
  }

  void menusInTheirPlaces() {
    Session s(m_photo);
    QStringList titles, images;
    for (QAction* a : s.dlg->MenuBar()->actions()) titles << a->text();
    QCOMPARE(titles, (QStringList{"Image Settings", "Image", "Effects", "Spatial Filters", "Color",
                                  "Options", "Window"}));
    QMenu* image = s.dlg->MenuBar()->actions()[1]->menu();
    for (QAction* a : image->actions()) images << a->text();
    QCOMPARE(images, (QStringList{"&Flip", "&Reverse", "R&otate"}));
    QCOMPARE(image->actions()[2]->menu()->actions()[0], s.Menus().Action(32776));
    QCOMPARE(s.Menus().Action(32776)->text(), QString::fromUtf8("&90\u00b0 clockwise"));
    QCOMPARE(s.dlg->MenuBar()->actions()[2]->menu()->actions().size(), 8);  // Effects
    QCOMPARE(s.dlg->MenuBar()->actions()[3]->menu()->actions().size(), 6);  // Spatial Filters
    QCOMPARE(s.dlg->MenuBar()->actions()[4]->menu()->actions().size(), 9);  // Color
    QCOMPARE(s.Menus().Action(32837)->statusTip(), QStringLiteral("Enhance image edges"));
    QVERIFY(!s.Menus().Action(32844)->isCheckable());
  }

  // Fixed rotations and toggles, each followed by a new preview.
  void togglesAndRotations_data() {
    QTest::addColumn<uint32_t>("mask");
    QTest::addColumn<QList<int>>("ids");
    QTest::addColumn<uint32_t>("expected");
    QTest::newRow("Flip twice") << 0u << QList<int>{32771, 32771} << 0u;
    QTest::newRow("GrayScale and Invert")
        << 0u << QList<int>{32842, 32845} << uint32_t(kCmdGrayScale | kCmdInvert);
    QTest::newRow("90 twice: no rotation") << 0u << QList<int>{32776, 32776} << 0u;
    QTest::newRow("90 then 180: only 180")
        << 0u << QList<int>{32776, 32816} << uint32_t(kCmdRotate180);
    QTest::newRow("270 replaces any angle")
        << uint32_t(kCmdRotateAny | kCmdFlip) << QList<int>{32817}
        << uint32_t(kCmdRotate270 | kCmdFlip);
  }
  void togglesAndRotations() {
    QFETCH(uint32_t, mask);
    QFETCH(QList<int>, ids);
    QFETCH(uint32_t, expected);
    Session s(m_photo);
    s.owner.media.CommandMask = mask;
    const int refreshes = s.owner.refreshes;
    for (int id : ids) s.Run(id);
    QCOMPARE(s.owner.media.CommandMask, expected);
    QCOMPARE(s.owner.refreshes, refreshes + int(ids.size()));
    if (expected & kCmdRotate180) QCOMPARE(s.Param(3).Value, 180);
  }

  void parameterDialogs_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("n");              // the command's entry and bit number
    QTest::addColumn<QList<int>>("stored");  // bit set, Value, Choice
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("shownValue");
    QTest::addColumn<QList<int>>("shownChoice");  // index, entries
    QTest::addColumn<QList<int>>("expected");     // bit set, Value, Choice
    using L = QList<int>;
    QTest::newRow("Sharpen -15 opens at -1; 5 stores 50")
        << 32784 << 14 << L{0, -15, 0} << Answer{"5"} << "Sharpen"
        << "-1" << L{-1, 0} << L{1, 50, 0};
    QTest::newRow("Halftone 45 View stores 4500")
        << 32831 << 23 << L{0, 0, 0} << Answer{"45", 1} << "Halftone"
        << "0" << L{0, 2} << L{1, 4500, 1};
    QTest::newRow("Add Noise offers four channels")
        << 32835 << 15 << L{1, 300, 3} << Answer{{}, 2} << "Add Noise"
        << "30" << L{3, 4} << L{1, 300, 2};
    QTest::newRow("Average takes odd sizes")
        << 32833 << 12 << L{0, 3, 0} << Answer{"6"} << "Average"
        << "3" << L{-1, 0} << L{1, 7, 0};
    QTest::newRow("Posterize stops at 64")
        << 32780 << 10 << L{0, 0, 0} << Answer{"99"} << "Posterize"
        << "2" << L{-1, 0} << L{1, 64, 0};
    QTest::newRow("Enabled cleared switches it off")
        << 32827 << 11 << L{1, 8, 0} << Answer{{}, -1, 0} << "Mosaic"
        << "8" << L{-1, 0} << L{0, 8, 0};
    QTest::newRow("Cancel keeps everything")
        << 32825 << 26 << L{1, 300, 0} << Answer{"5", -1, -1, false} << "Histo-Contrast"
        << "30" << L{-1, 0} << L{1, 300, 0};
    QTest::newRow("Sobel row 0") << 32792 << 19 << L{0, 1, 0} << Answer{{}, 0} << "Sobel"
                                 << "" << L{1, 2} << L{1, 0, 0};
    QTest::newRow("Laplacian lists six filters")
        << 32791 << 18 << L{1, 4, 0} << Answer{{}, -1, -1, false} << "Laplacian"
        << "" << L{4, 6} << L{1, 4, 0};
    QTest::newRow("Any Angle within -360 to 360")
        << 32818 << 5 << L{0, 0, 0} << Answer{"-400"} << "Rotate"
        << "0" << L{-1, 0} << L{1, -360, 0};
  }
  void parameterDialogs() {
    QFETCH(int, id);
    QFETCH(int, n);
    QFETCH(QList<int>, stored);
    QFETCH(Answer, answer);
    QFETCH(QString, title);
    QFETCH(QString, shownValue);
    QFETCH(QList<int>, shownChoice);
    QFETCH(QList<int>, expected);
    Session s(m_photo);
    const uint32_t bit = CommandBit(n);
    auto& m = s.owner.media;
    m.CommandMask = stored[0] ? bit : 0;
    s.Param(n) = {stored[1], stored[2]};
    const int refreshes = s.owner.refreshes;
    s.Answer(answer);
    s.Run(id);
    QVERIFY(s.prompts.unanswered.isEmpty());
    QCOMPARE(s.opened.title, title);
    QCOMPARE(s.opened.value, shownValue);
    QCOMPARE((QList<int>{s.opened.choice, s.opened.choices}), shownChoice);
    QCOMPARE(s.opened.enabled, stored[0] != 0);
    QCOMPARE((QList<int>{(m.CommandMask & bit) != 0, s.Param(n).Value, s.Param(n).Choice}),
             expected);
    QCOMPARE(m.CommandMask & ~bit, 0u);
    QCOMPARE(s.owner.refreshes, refreshes + 1);
  }

  void anyAngleCancelledStillClearsTheFixedRotations() {
    Session s(m_photo);
    s.owner.media.CommandMask = kCmdRotate90 | kCmdFlip;
    s.Answer({"30", -1, -1, false});
    s.Run(32818);
    QCOMPARE(s.owner.media.CommandMask, uint32_t(kCmdFlip));
  }

  void colourResolutionKeepsItsThreeNumbers() {
    Session s(m_photo);
    auto& m = s.owner.media;
    m.ColorResBits = 8;
    s.Param(9) = {0, int32_t(platform::kColourResOptimisedPalette)};
    s.prompts.dialogScripts.push_back([](QDialog& d) {
      using D = adjust_dialog::CColorResDlg;
      auto* bits = gui::FindControl<QComboBox>(d, D::kBitsId);
      QCOMPARE(bits->currentData().toInt(), 8);
      QCOMPARE(gui::FindControl<QComboBox>(d, D::kPaletteId)->currentText(),
               QStringLiteral("Optimised for the picture"));
      bits->setCurrentIndex(bits->findData(4));
      auto* dithering = gui::FindControl<QComboBox>(d, D::kDitheringId);
      dithering->setCurrentIndex(dithering->findData(int(platform::kColourResDither)));
      Click(d, 1);
    });
    s.Run(32844);
    QCOMPARE(m.ColorResBits, 4);
    QCOMPARE(s.Param(9), (CommandParam{int32_t(platform::kColourResDither),
                                       int32_t(platform::kColourResOptimisedPalette)}));
    QCOMPARE(m.CommandMask, 0u);
    // A word that is none of the choices survives an OK.
    s.Param(9).Choice = 0x40;
    s.prompts.dialogScripts.push_back([](QDialog& d) { Click(d, 1); });
    s.Run(32844);
    QCOMPARE(s.Param(9).Choice, 0x40);
    QVERIFY(s.prompts.unanswered.isEmpty());
  }

  void gammaOffersOneUntilAGammaIsChosen() {
    Session s(m_photo);
    s.Answer({"2.2"});
    s.Run(33069);
    QCOMPARE(s.opened.value, QStringLiteral("1"));
    QCOMPARE(s.owner.media.Gamma, 2.2f);
    QCOMPARE(s.owner.media.CommandMask, uint32_t(kCmdGammaCorrect));
    s.Answer({"0.5", -1, -1, false});
    s.Run(33069);
    QCOMPARE(s.opened.value, QStringLiteral("2.2"));
    QCOMPARE(s.owner.media.Gamma, 2.2f);
  }

  void marksFollowTheRecordWhenAMenuOpens() {
    Session s(m_photo);
    s.owner.media.CommandMask = kCmdRotate180 | kCmdDither | kCmdEdgeEnhance;
    s.Menus().UpdateMarks();
    for (int id : {32816, 33068, 32837}) QVERIFY(s.Menus().Action(id)->isChecked());
    for (int id : {32776, 32817, 32771}) QVERIFY(!s.Menus().Action(id)->isChecked());
    QVERIFY(s.Menus().Action(32837)->isEnabled());
    QVERIFY(s.Menus().Action(32816)->actionGroup());

    // Frames load at 24 bits per pixel, where Edge Enhance applies.
    QCOMPARE(s.owner.media.DecodedBitmap().BitsPerPixel(), 24);
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

  void thePreviewFollowsACommand() {
    Session s(m_photo);
    const QImage before = s.owner.preview->grab().toImage();
    s.Run(32845);  // Invert
    const QImage after = s.owner.preview->grab().toImage();
    const QRgb a = before.pixel(10, 5), b = after.pixel(10, 5);
    QCOMPARE(qRed(b), 255 - qRed(a));
    QCOMPARE(qBlue(b), 255 - qBlue(a));
  }
};

QTEST_MAIN(ImageCommandMenusTest)
#include "image_command_menus_test.moc"
