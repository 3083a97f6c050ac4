// What the Adjust dialog keeps and asks for beyond its own fields: named
// settings sets saved, listed, loaded and deleted in a store of the test's
// own, Auto Save on OK and on attaching, the WAV folder, and the "Still
// Images" and "Save AVI Audio" option dialogs.

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
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
#include "adjust_dialog/save_audio_dlg.h"
#include "adjust_dialog/settings_set_dlg.h"
#include "adjust_dialog/still_images_dlg.h"
#include "adjust_dialog/testing/test_owner.h"
#include "gui/testing/scripted_prompts.h"
#include "platform/registry/cq9_registry.h"
#include "preview/testing/test_sources.h"

using namespace q9;
using adjust_dialog::CAdjustDlg;
using adjust_dialog::CSaveAudioDlg;
using adjust_dialog::CSettingsSetDlg;
using adjust_dialog::CStillImagesDlg;
using Script = std::function<void(QDialog&)>;

namespace {

const platform::SignGeometry kSign{64, 192, platform::Q9_RGB16MB};

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
// The save dialog given a name.
Script SaveAs(const QString& name) {
  return [name](QDialog& d) {
    QTest::keyClicks(In<QLineEdit>(d, CSettingsSetDlg::kNameId), name);
    Click(d, 1);
  };
}
// The load dialog with a set picked.
Script Pick(const QString& name) {
  return [name](QDialog& d) {
    const auto found =
        In<QListWidget>(d, CSettingsSetDlg::kSetListId)->findItems(name, Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    found.first()->setSelected(true);
    Click(d, 1);
  };
}
std::vector<std::string> Sets() {
  return adjust::SettingsSetNames();
}

}  // namespace

class AdjustSettingsTest : public QObject {
  Q_OBJECT

  QTemporaryDir m_files;
  std::unique_ptr<QTemporaryDir> m_store;
  QString m_photo, m_video;

  struct Session {
    adjust_dialog::testing::TestOwner owner;
    gui::ScriptedPrompts prompts;
    QPointer<CAdjustDlg> dlg;

    Session(const QString& path, std::initializer_list<Script> scripts = {}) {
      for (const Script& script : scripts) prompts.dialogScripts.push_back(script);
      QVERIFY(owner.OpenPreview(path, kSign));
      dlg = new CAdjustDlg(owner, prompts, &owner.window);
      dlg->show();
      dlg->AttachSource(&owner.media);
    }
    ~Session() { delete dlg; }
    QAction* Item(const QString& menu, const QString& item) const {
      for (QAction* title : dlg->MenuBar()->actions())
        if (title->text() == menu)
          for (QAction* action : title->menu()->actions())
            if (action->text() == item) return action;
      return nullptr;
    }
    void Run(const QString& menu, const QString& item, const Script& script = {}) {
      if (script) prompts.dialogScripts.push_back(script);
      Item(menu, item)->trigger();
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
    m_photo = m_files.filePath(QStringLiteral("logo.bmp"));
    m_video = m_files.filePath(QStringLiteral("clip.avi"));
    QVERIFY(preview::testing::WritePicture(m_photo, QSize(640, 480),
                                           [](int x, int y) { return qRgb(x % 256, y % 256, 9); }));
    QVERIFY(preview::testing::WriteColourVideo(m_video, QSize(64, 48), 3));
  }
  void init() {
    m_store = std::make_unique<QTemporaryDir>();
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_store->path());
    QVERIFY(QString::fromStdString(platform::CQ9Registry::StorePath()).startsWith(m_store->path()));
  }

  void namedSetsAreSavedListedAndLoaded() {
    Session s(m_photo);
    auto& m = s.owner.media;
    gui::FindControl<QCheckBox>(*s.dlg, 1009)->click();  // Keep Aspect off
    gui::FindControl<QSlider>(*s.dlg, 1000)->setValue(90);
    s.Run("Image Settings", "&Save...", [](QDialog& d) {
      QCOMPARE(d.windowTitle(), QStringLiteral("Save Settings"));
      QVERIFY(Listed(d).isEmpty());
      SaveAs("Night")(d);
    });
    s.Run("Image Settings", "&Save...", [](QDialog& d) {
      QCOMPARE(Listed(d), QStringList{"Night"});
      SaveAs("Day")(d);
    });
    QCOMPARE(Sets(), (std::vector<std::string>{"Day", "Night"}));

    gui::FindControl<QSlider>(*s.dlg, 1000)->setValue(20);
    m.XPos = 3;
    m.ConstrainRect = 0;
    s.Run("Image Settings", "&Load...", [](QDialog& d) {
      QCOMPARE(d.windowTitle(), QStringLiteral("LoadSettings"));
      QCOMPARE(Listed(d), (QStringList{"Day", "Night"}));
      QVERIFY(!In(d, CSettingsSetDlg::kNameId));
      Pick("Night")(d);
    });
    QCOMPARE(m.Brightness, 90);
    QCOMPARE(gui::FindControl<QSlider>(*s.dlg, 1000)->value(), 90);
    QCOMPARE(gui::FindControl<QLineEdit>(*s.dlg, 1049)->text(), QStringLiteral("90"));
    QCOMPARE(m.XPos, 224);
    QCOMPARE(m.KeepAspect, 0);
    QCOMPARE(m.ConstrainRect, 0);  // not part of a set
    QVERIFY(s.prompts.unanswered.isEmpty());
  }

  void loadedKeepRatioGivesTheSignsSizeAndAutoCenterCentres() {
    adjust::ImportSettings stored;
    stored.Width = 300, stored.Height = 20, stored.SizeMode = adjust::kSizePercent;
    stored.KeepAspect = 1, stored.AutoCenter = 1, stored.XPos = 5;
    QVERIFY(adjust::WriteSettingsSet("Wide", stored));
    Session s(m_photo);
    s.Run("Image Settings", "&Load...", Pick("Wide"));
    auto& m = s.owner.media;
    QCOMPARE((QList<int>{m.Width, m.Height, m.SizeMode, m.XPos, m.YPos}),
             (QList<int>{192, 64, 1, 224, 208}));
    QVERIFY(!gui::FindControl<QLineEdit>(*s.dlg, 1055)->isEnabled());
    QCOMPARE(gui::FindControl<QLineEdit>(*s.dlg, 1054)->text(), QStringLiteral("192"));
  }

  void badNamesAreRefusedAndSetsCanBeDeleted() {
    QVERIFY(adjust::WriteSettingsSet("Old", {}));
    Session s(m_photo);
    s.prompts.answers.push_back(gui::MessageAnswer::Yes);
    s.Run("Image Settings", "&Save...", [&s](QDialog& d) {
      QTest::keyClicks(In<QLineEdit>(d, CSettingsSetDlg::kNameId), "a/b");
      Click(d, 1);
      QCOMPARE(d.result(), -1);  // still open
      QCOMPARE(s.prompts.messages.size(), size_t(1));
      QCOMPARE(s.prompts.messages[0].caption, QStringLiteral("Save Settings"));
      QCOMPARE(s.prompts.messages[0].icon, gui::MessageIcon::Exclamation);
      In<QListWidget>(d, CSettingsSetDlg::kSetListId)->item(0)->setSelected(true);
      Click(d, CSettingsSetDlg::kDeleteId);
      QVERIFY(Listed(d).isEmpty());
      In<QLineEdit>(d, CSettingsSetDlg::kNameId)->setText("Fine name");
      Click(d, 1);
    });
    QCOMPARE(s.prompts.messages.back().text, QStringLiteral("Delete the settings \"Old\"?"));
    QCOMPARE(Sets(), std::vector<std::string>{"Fine name"});
  }

  void autoSaveAsksForANameOnOkAndLoadsOnAttach() {
    {
      Session s(m_photo);
      QAction* autoSave = s.Item("Image Settings", "&Auto Save");
      autoSave->trigger();
      s.dlg->MenuBar()->actions()[0]->menu()->aboutToShow();
      QVERIFY(autoSave->isChecked());
      gui::FindControl<QSlider>(*s.dlg, 1037)->setValue(100);
      s.prompts.dialogScripts.push_back(SaveAs("Auto"));
      s.dlg->CloseWithOk();
      QCOMPARE(s.prompts.dialogTitles, std::vector<QString>{"Save Settings"});
    }
    adjust::BaseSettings base;
    QVERIFY(adjust::ReadBaseSettings(base));
    QCOMPARE(base.autoSave, 1u);
    QCOMPARE(Sets(), std::vector<std::string>{"Auto"});

    Session s(m_photo, {Pick("Auto")});
    QCOMPARE(s.prompts.dialogTitles, std::vector<QString>{"LoadSettings"});
    QCOMPARE(s.owner.media.Red, 100);
    QVERIFY(s.dlg->AutoSave());
    // Cancel writes nothing, whatever Auto Save says.
    const QByteArray store = StoreBytes();
    QTest::mouseClick(gui::FindControl<QPushButton>(*s.dlg, 2), Qt::LeftButton);
    QCOMPARE(StoreBytes(), store);
    QCOMPARE(s.prompts.dialogTitles.size(), size_t(1));
  }

  void theWavFolderComesFromTheStore() {
    {
      Session s(m_video);
      s.owner.media.WavPath = "/kept";
      s.dlg->AttachSource(&s.owner.media);  // no key: nothing read
      QCOMPARE(s.owner.media.WavPath, std::string("/kept"));
    }
    QVERIFY(adjust::WriteBaseSettings(false, nullptr));
    {
      Session s(m_video);
      s.owner.media.WavPath = "/kept";
      s.dlg->AttachSource(&s.owner.media);  // the key without the value
      QCOMPARE(s.owner.media.WavPath, std::string());
    }
    const std::string folder = "/home/u/Sonquill/Sounds";
    QVERIFY(adjust::WriteBaseSettings(false, &folder));
    Session s(m_video);
    QCOMPARE(s.owner.media.WavPath, folder);
    QVERIFY(s.prompts.dialogTitles.empty());
  }

  void stillImagesProposesANameAndTellsTheOwner() {
    Session s(m_video);
    QCOMPARE(s.owner.stillImageOptions.back(), (std::pair<bool, std::string>{false, ""}));
    s.prompts.dialogScripts.push_back([](QDialog& d) {
      QCOMPARE(d.windowTitle(), QStringLiteral("Still Images"));
      auto* name = In<QLineEdit>(d, CStillImagesDlg::kNameId);
      QCOMPARE(name->text(), QStringLiteral("STILL_IMAGES.SQ9"));
      QVERIFY(!name->isEnabled());
      In<QCheckBox>(d, CStillImagesDlg::kSingleSequenceId)->click();
      QVERIFY(name->isEnabled());
      name->setText(QStringLiteral("ALL.SQ9"));
      Click(d, 1);
    });
    s.Item("Options", "Still Images...")->trigger();
    QCOMPARE(s.owner.stillImageOptions.back(), (std::pair<bool, std::string>{true, "ALL.SQ9"}));
    QVERIFY(s.Item("Options", "Still Images...")->isChecked());

    s.owner.OpenPreview(m_photo, kSign);
    s.dlg->AttachSource(&s.owner.media);
    QCOMPARE(s.owner.stillImageOptions.back(), (std::pair<bool, std::string>{true, "logo.sq9"}));
    const size_t told = s.owner.stillImageOptions.size();
    s.prompts.dialogScripts.push_back([](QDialog& d) {
      QCOMPARE(In<QLineEdit>(d, CStillImagesDlg::kNameId)->text(), QStringLiteral("logo.sq9"));
      Click(d, 2);
    });
    s.Item("Options", "Still Images...")->trigger();
    QCOMPARE(s.owner.stillImageOptions.size(), told);
    QVERIFY(s.prompts.unanswered.isEmpty());
  }

  void saveAudioEnablesBrowsesAndStores_data() {
    QTest::addColumn<bool>("txd");
    QTest::addColumn<std::optional<QString>>("picked");
    QTest::addColumn<QString>("folder");
    QTest::newRow("TXD on: reminder, then the picker")
        << true << std::optional<QString>("/snd/Sonquill/Sounds") << "/snd/Sonquill/Sounds";
    QTest::newRow("TXD off: the picker at once")
        << false << std::optional<QString>("/wav") << "/wav";
    QTest::newRow("picker cancelled: the folder kept")
        << false << std::optional<QString>() << "/old";
  }
  void saveAudioEnablesBrowsesAndStores() {
    QFETCH(bool, txd);
    QFETCH(std::optional<QString>, picked);
    QFETCH(QString, folder);
    Session s(m_video);
    auto& m = s.owner.media;
    m.WavPath = "/old";
    m.AddTxdFlag = txd;
    s.prompts.folders.push_back(picked);
    s.prompts.dialogScripts.push_back([](QDialog& d) {
      QCOMPARE(d.windowTitle(), QStringLiteral("Save AVI Audio"));
      auto* save = In<QCheckBox>(d, CSaveAudioDlg::kSaveAudioId);
      for (int id : {CSaveAudioDlg::kAddTxdId, CSaveAudioDlg::kWavPathId, CSaveAudioDlg::kBrowseId})
        QVERIFY(!In(d, id)->isEnabled());
      QCOMPARE(In<QLineEdit>(d, CSaveAudioDlg::kWavPathId)->text(), QStringLiteral("/old"));
      save->click();
      QVERIFY(In(d, CSaveAudioDlg::kBrowseId)->isEnabled());
      Click(d, CSaveAudioDlg::kBrowseId);
      Click(d, 1);
    });
    s.Item("Options", "Save AVI Audio...")->trigger();
    QCOMPARE(s.prompts.folderTitles, std::vector<QString>{"Select WAV Path"});
    QCOMPARE(s.prompts.messages.size(), size_t(txd ? 1 : 0));
    if (txd) {
      QCOMPARE(s.prompts.messages[0].text,
               QStringLiteral("Since you have chosen to add a TXD frame to use with Sonquill,\nyou "
                              "must save this WAV file in a \\Sonquill\\Sounds directory."));
      QCOMPARE(s.prompts.messages[0].caption, QStringLiteral("Reminder"));
      QCOMPARE(s.prompts.messages[0].icon, gui::MessageIcon::Information);
    }
    QCOMPARE((QList<int>{m.SaveAudioFlag, m.AddTxdFlag}), (QList<int>{1, txd}));
    QCOMPARE(QString::fromStdString(m.WavPath), folder);
    QVERIFY(s.Item("Options", "Save AVI Audio...")->isChecked());
  }

  void saveAudioCancelledChangesNothing() {
    Session s(m_video);
    s.owner.media.WavPath = "/old";
    s.prompts.dialogScripts.push_back([](QDialog& d) {
      In<QCheckBox>(d, CSaveAudioDlg::kSaveAudioId)->click();
      In<QLineEdit>(d, CSaveAudioDlg::kWavPathId)->setText(QStringLiteral("/new"));
      Click(d, 2);
    });
    s.Item("Options", "Save AVI Audio...")->trigger();
    QCOMPARE(s.owner.media.SaveAudioFlag, 0);
    QCOMPARE(s.owner.media.WavPath, std::string("/old"));
  }
};

QTEST_MAIN(AdjustSettingsTest)
#include "adjust_settings_test.moc"
