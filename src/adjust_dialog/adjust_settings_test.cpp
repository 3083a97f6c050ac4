// What the Adjust dialog keeps and asks for beyond its own fields: named
// settings sets saved, listed, loaded and deleted in a store of the test's
// own, Auto Save on OK and on attaching, the WAV folder, and the "Still
// Images" and "Save AVI Audio" option dialogs.

#include <QCheckBox>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "adjust/settings_persistence.h"
#include "adjust_dialog/save_audio_dlg.h"
#include "adjust_dialog/settings_set_dlg.h"
#include "adjust_dialog/still_images_dlg.h"
#include "adjust_dialog/testing/adjust_session.h"
#include "preview/testing/test_sources.h"

using namespace q9;
using adjust_dialog::CSaveAudioDlg;
using adjust_dialog::CSettingsSetDlg;
using adjust_dialog::CStillImagesDlg;
using adjust_dialog::testing::Script;
using Session = adjust_dialog::testing::AdjustSession;
using Sets = std::vector<std::string>;

namespace {

const platform::SignGeometry kSign{64, 192, platform::Q9_RGB16MB};
const QString kSettings = QStringLiteral("Image Settings");

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

class AdjustSettingsTest : public QObject {
  Q_OBJECT

  QTemporaryDir m_files;
  std::unique_ptr<QTemporaryDir> m_store;
  QString m_photo, m_video;

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

QTEST_MAIN(AdjustSettingsTest)
#include "adjust_settings_test.moc"
