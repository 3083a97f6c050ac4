// The Adjust dialog's menus as the user meets them: what each kind of image
// command records with its parameter dialog answered or cancelled and the
// marks the menus show; named settings sets saved, listed, loaded and
// deleted in a store of the test's own, Auto Save on OK and on attaching,
// the WAV folder, and the "Still Images" and "Save AVI Audio" option
// dialogs.

#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "adjust/settings_persistence.h"
#include "adjust_dialog/color_res_dlg.h"
#include "adjust_dialog/image_command_menus.h"
#include "adjust_dialog/save_audio_dlg.h"
#include "adjust_dialog/settings_set_dlg.h"
#include "adjust_dialog/still_images_dlg.h"
#include "adjust_dialog/testing/adjust_session.h"
#include "platform/imaging/imaging_library.h"
#include "preview/testing/test_sources.h"

using namespace q9;
using namespace q9::adjust;
using adjust_dialog::CSaveAudioDlg;
using adjust_dialog::CSettingsSetDlg;
using adjust_dialog::CStillImagesDlg;
using adjust_dialog::testing::Script;
using Session = adjust_dialog::testing::AdjustSession;
using L = QList<int>;
using Sets = std::vector<std::string>;

namespace {

const platform::SignGeometry kSign{64, 192, platform::Q9_RGB16MB};
const QString kSettings = QStringLiteral("Image Settings");

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
    In<QListWidget>(d, CSettingsSetDlg::kSetListId)
        ->findItems(name, Qt::MatchExactly)
        .value(0)
        ->setSelected(true);
    Click(d, 1);
  };
}

}  // namespace

Q_DECLARE_METATYPE(Param)

class AdjustMenusTest : public QObject {
  Q_OBJECT

  QTemporaryDir m_files;
  std::unique_ptr<QTemporaryDir> m_store;
  QString m_photo, m_video;
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
    m_photo = m_files.filePath(QStringLiteral("logo.bmp"));
    m_video = m_files.filePath(QStringLiteral("clip.avi"));
    QVERIFY(preview::testing::WritePicture(m_photo, QSize(640, 480),
                                           [](int x, int y) { return qRgb(x % 256, y % 256, 9); }));
    QVERIFY(preview::testing::WriteColourVideo(m_video, QSize(64, 48), 3));
  }
  void init() {  // an empty settings store for each test
    m_store = std::make_unique<QTemporaryDir>();
    QVERIFY(adjust_dialog::testing::UseStoreIn(m_store->path()));
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

  void namedSetsAreSavedListedAndLoaded() {
    Session s(m_photo, kSign);
    s.Control<QCheckBox>(1009)->click();  // Keep Aspect off
    s.Control<QSlider>(1000)->setValue(90);
    s.Run(s.Item(kSettings, "&Save..."), [](QDialog& d) {
      QCOMPARE(d.windowTitle(), QStringLiteral("Save Settings"));
      QVERIFY(Listed(d).isEmpty());
      SaveAs("Night")(d);
    });
    s.Run(s.Item(kSettings, "&Save..."), [](QDialog& d) {
      QCOMPARE(Listed(d), QStringList{"Night"});
      SaveAs("Day")(d);
    });
    QCOMPARE(adjust::SettingsSetNames(), (Sets{"Day", "Night"}));

    s.Control<QSlider>(1000)->setValue(20);
    s.media.XPos = 3;
    s.media.ConstrainRect = 0;
    s.Run(s.Item(kSettings, "&Load..."), [](QDialog& d) {
      QCOMPARE(d.windowTitle(), QStringLiteral("LoadSettings"));
      QCOMPARE(Listed(d), (QStringList{"Day", "Night"}));
      QVERIFY(!In(d, CSettingsSetDlg::kNameId));
      Pick("Night")(d);
    });
    QCOMPARE((QList<int>{s.media.Brightness, s.Control<QSlider>(1000)->value(),
                         s.Control(1049)->text().toInt(), s.media.XPos, s.media.KeepAspect,
                         s.media.ConstrainRect}),
             (QList<int>{90, 90, 90, 224, 0, 0}));  // ConstrainRect is not part of a set
    QVERIFY(s.prompts.unanswered.isEmpty());
  }

  void badNamesAreRefusedAndSetsCanBeDeleted() {
    QVERIFY(adjust::WriteSettingsSet("Old", {}));
    Session s(m_photo, kSign);
    s.prompts.answers.push_back(gui::MessageAnswer::Yes);
    s.Run(s.Item(kSettings, "&Save..."), [&s](QDialog& d) {
      SaveAs("a/b")(d);
      QCOMPARE(d.result(), -1);  // still open
      QCOMPARE(s.prompts.messages.at(0).caption, QStringLiteral("Save Settings"));
      QCOMPARE(s.prompts.messages.at(0).icon, gui::MessageIcon::Exclamation);
      In<QListWidget>(d, CSettingsSetDlg::kSetListId)->item(0)->setSelected(true);
      Click(d, CSettingsSetDlg::kDeleteId);
      QVERIFY(Listed(d).isEmpty());
      SaveAs("Fine name")(d);
    });
    QCOMPARE(s.prompts.messages.back().text, QStringLiteral("Delete the settings \"Old\"?"));
    QCOMPARE(adjust::SettingsSetNames(), Sets{"Fine name"});
  }

  void autoSaveAsksForANameOnOkAndLoadsOnAttach() {
    {
      Session s(m_photo, kSign);
      QAction* autoSave = s.Item(kSettings, "&Auto Save");
      autoSave->trigger();
      emit s.dlg->MenuBar()->actions()[0]->menu()->aboutToShow();
      QVERIFY(autoSave->isChecked());
      s.Control<QSlider>(1037)->setValue(100);
      s.prompts.dialogScripts.push_back(SaveAs("Auto"));
      s.dlg->CloseWithOk();
      QCOMPARE(s.prompts.dialogTitles, std::vector<QString>{"Save Settings"});
    }
    adjust::BaseSettings base;
    QVERIFY(adjust::ReadBaseSettings(base));
    QCOMPARE(base.autoSave, 1u);
    QCOMPARE(adjust::SettingsSetNames(), Sets{"Auto"});

    Session s(m_photo, kSign, {Pick("Auto")});
    QCOMPARE(s.prompts.dialogTitles, std::vector<QString>{"LoadSettings"});
    QCOMPARE(s.media.Red, 100);
    QVERIFY(s.dlg->AutoSave());
    // Cancel writes nothing, whatever Auto Save says.
    s.Control<QPushButton>(2)->click();
    QCOMPARE(s.prompts.dialogTitles.size(), size_t(1));
    QCOMPARE(adjust::SettingsSetNames(), Sets{"Auto"});
  }

  // No key: the folder kept; the key without the value: emptied; with the
  // value: taken.
  void theWavFolderComesFromTheStore() {
    const std::string folder = "/home/u/Sonquill/Sounds";
    const std::vector<std::pair<const std::string*, std::string>> steps = {
        {nullptr, "/kept"}, {&folder, ""}, {nullptr, folder}};
    for (const auto& [nextWrite, expected] : steps) {
      Session s(m_video, kSign);
      s.media.WavPath = "/kept";
      s.dlg->AttachSource(&s.media);
      QCOMPARE(s.media.WavPath, expected);
      QVERIFY(adjust::WriteBaseSettings(false, nextWrite));
    }
  }

  void stillImagesProposesANameAndTellsTheOwner() {
    Session s(m_video, kSign);
    using Told = std::pair<bool, std::string>;
    QCOMPARE(s.owner.stillImageOptions.back(), (Told{false, ""}));
    s.Run(s.Item("Options", "Still Images..."), [](QDialog& d) {
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
    QVERIFY(s.Item("Options", "Still Images...")->isChecked());

    QVERIFY(s.owner.OpenPreview(m_photo, kSign));
    s.dlg->AttachSource(&s.media);
    QCOMPARE(s.owner.stillImageOptions.back(), (Told{true, "logo.sq9"}));
    const size_t told = s.owner.stillImageOptions.size();
    s.Run(s.Item("Options", "Still Images..."), [](QDialog& d) {
      QCOMPARE(In<QLineEdit>(d, CStillImagesDlg::kNameId)->text(), QStringLiteral("logo.sq9"));
      Click(d, 2);
    });
    QCOMPARE(s.owner.stillImageOptions.size(), told);
  }

  void saveAudioEnablesBrowsesAndStores_data() {
    QTest::addColumn<bool>("txd");
    QTest::addColumn<std::optional<QString>>("picked");
    QTest::addColumn<QString>("folder");
    QTest::newRow("TXD on: reminder, then the picker")
        << true << std::optional<QString>("/snd/Sonquill/Sounds") << "/snd/Sonquill/Sounds";
    QTest::newRow("TXD off: the picker at once")
        << false << std::optional<QString>("/wav") << "/wav";
    QTest::newRow("picker cancelled: folder kept") << false << std::optional<QString>() << "/old";
  }
  void saveAudioEnablesBrowsesAndStores() {
    QFETCH(bool, txd);
    QFETCH(std::optional<QString>, picked);
    QFETCH(QString, folder);
    Session s(m_video, kSign);
    s.media.WavPath = "/old";
    s.media.AddTxdFlag = txd;
    s.prompts.folders.push_back(picked);
    s.Run(s.Item("Options", "Save AVI Audio..."), [](QDialog& d) {
      QCOMPARE(d.windowTitle(), QStringLiteral("Save AVI Audio"));
      for (int id : {CSaveAudioDlg::kAddTxdId, CSaveAudioDlg::kWavPathId, CSaveAudioDlg::kBrowseId})
        QVERIFY(!In(d, id)->isEnabled());
      QCOMPARE(In<QLineEdit>(d, CSaveAudioDlg::kWavPathId)->text(), QStringLiteral("/old"));
      In<QCheckBox>(d, CSaveAudioDlg::kSaveAudioId)->click();
      Click(d, CSaveAudioDlg::kBrowseId);
      Click(d, 1);
    });
    QCOMPARE(s.prompts.folderTitles, std::vector<QString>{"Select WAV Path"});
    QCOMPARE(s.prompts.messages.size(), size_t(txd ? 1 : 0));
    if (txd) {
      const auto& reminder = s.prompts.messages[0];
      QCOMPARE(reminder.text,
               QStringLiteral("Since you have chosen to add a TXD frame to use with Sonquill,\nyou "
                              "must save this WAV file in a \\Sonquill\\Sounds directory."));
      QCOMPARE(reminder.caption, QStringLiteral("Reminder"));
      QCOMPARE(reminder.icon, gui::MessageIcon::Information);
    }
    QCOMPARE((QList<int>{s.media.SaveAudioFlag, s.media.AddTxdFlag}), (QList<int>{1, txd}));
    QCOMPARE(QString::fromStdString(s.media.WavPath), folder);
    QVERIFY(s.Item("Options", "Save AVI Audio...")->isChecked());

    s.Run(s.Item("Options", "Save AVI Audio..."), [](QDialog& d) {
      In<QCheckBox>(d, CSaveAudioDlg::kSaveAudioId)->click();
      In<QLineEdit>(d, CSaveAudioDlg::kWavPathId)->setText(QStringLiteral("/new"));
      Click(d, 2);
    });
    QCOMPARE(s.media.SaveAudioFlag, 1);  // Cancel: as it was
    QCOMPARE(QString::fromStdString(s.media.WavPath), folder);
  }
};

QTEST_MAIN(AdjustMenusTest)
#include "adjust_menus_test.moc"
