// "&Video Extensions..." in the main dialog's context menu, as a user meets
// it: the list typed, refused or kept in the settings store, the files it
// lists, their preview and their run.

#include "app/video_ext_dlg.h"
#include "app/testing/app_test_support.h"
#include "convert/conversion_batch.h"
#include "convert/source_media.h"
#include "convert/testing/recording_host.h"
#include "gui/dialog_units.h"
#include "platform/signlib/sq9_reader.h"

using namespace q9::app;
using namespace q9::app::test;
namespace pt = q9::platform::test;

namespace {

const q9::platform::SignGeometry kOldSign{8, 16, q9::platform::Q9_RGB16MB};

const QString kJpgListed =
    "\"jpg\" files are listed already, as old sequences, messages or pictures; they cannot "
    "convert as videos";
using VideoExtVisit = std::tuple<const char*, const char*, QString, S, bool, S, std::string, S>;
const VideoExtVisit kVideoExtVisits[] = {
    // the dialog restarted first (null: not; otherwise with this list stored
    // unless it is ""); the field as it opens; the lists typed, each but the
    // last followed by OK; OK (or Cancel) after the last; the messages; then
    // the stored list and the source list
    {"a stored list no longer taken", "mp4,jpg", "", S{"m p4", "MKV,webm, mkv"}, true,
     S{"\"m p4\" is no file extension (letters and digits, at most 16)"}, "mkv,webm",
     S{"a.bmp", "x.webm"}},
    {"read back, then Cancel", "", "mkv,webm", S{"mp4"}, false, S{}, "mkv,webm",
     S{"a.bmp", "x.webm"}},
    {"emptied", nullptr, "mkv,webm", S{""}, true, S{}, "", S{"a.bmp"}},
    {"refused, then taken", nullptr, "", S{"mp4,jpg", ".MP4, mkv"}, true, S{kJpgListed}, "mp4,mkv",
     S{"a.bmp", "b.MP4", "clip.mp4"}}};

}  // namespace

class VideoExtDlgTest : public DialogTest {
  Q_OBJECT

 private slots:
  // "&Video Extensions..." in the context menu: a list the converter cannot
  // take is refused with its reason and the dialog stays; OK with a new list
  // stores it and lists its files (letter case ignored), Cancel changes
  // nothing, a restart reads the stored list and one no longer taken counts
  // as none. The preview counts an added video's frames, and a run
  // converts the added files as the unattended run does.
  void videoExtensionsFromTheMenu() {
    const QString clip = QString::fromStdString(pt::Clip("h264b.mp4"));
    QVERIFY(QFile::copy(clip, Path("clip.mp4")) && QFile::copy(clip, Path("b.MP4")));
    QVERIFY(Copy("quad.bmp", "a.bmp"));
    MakeFile("x.webm", 10);
    auto dialog = Open(Library("8x16.RGB16MB.SIGN"));
    QCOMPARE(Column(*dialog, 0), S{"a.bmp"});
    QCOMPARE(Stored(kVideoExtValue), std::string("<missing>"));
    for (const auto& [name, restart, shown, typed, ok, messages, stored, listed] :
         kVideoExtVisits) {
      if (restart) {
        if (*restart) {
          q9::platform::CQ9Registry registry;
          registry.CreateUserRegistryKey(kSettingsApplication, kSettingsSection);
          registry.SetRegistryString(kVideoExtValue, restart);
        }
        dialog = Open(Library("8x16.RGB16MB.SIGN"));
        // The source object is made before the list changes.
        ClickRow(*dialog, 0);
        Click(*dialog, kIdPreview);
      }
      m_prompts.messages.clear();
      m_prompts.dialogTitles.clear();
      QString opened;
      B open;
      m_prompts.dialogScripts.push_back([&, ok = ok, typed = typed](QDialog& extensions) {
        auto* text = Control<QLabel>(extensions, kIdVideoExtText);
        QVERIFY(text->text().startsWith("Also convert files with these extensions as videos"));
        QVERIFY(text->heightForWidth(text->width()) <= text->height());
        QCOMPARE(extensions.size(),
                 q9::gui::DialogUnits(extensions.font()).ToPixels(0, 0, 244, 81).size());
        // Lined up: the texts on the left margin, the field and Cancel on
        // the right one, both margins as wide.
        const QRect field = Control(extensions, kIdVideoExtEdit)->geometry();
        const QRect cancel = Control(extensions, kIdVideoExtCancel)->geometry();
        const QRect label = extensions.findChildren<QLabel*>().at(1)->geometry();
        QCOMPARE(std::tuple(text->x(), text->geometry().right(), field.right()),
                 std::tuple(label.x(), cancel.right(), cancel.right()));
        QCOMPARE(extensions.width() - 1 - cancel.right(), text->x());
        auto* edit = Control<QLineEdit>(extensions, kIdVideoExtEdit);
        opened = edit->text();
        for (qsizetype i = 0; i < typed.size(); ++i) {
          Type(edit, typed[i]);
          Click(extensions, ok || i + 1 < typed.size() ? kIdVideoExtOk : kIdVideoExtCancel);
          open << extensions.isVisible();
        }
      });
      QContextMenuEvent rightClick(QContextMenuEvent::Mouse, {5, 5},
                                   dialog->mapToGlobal(QPoint(5, 5)));
      QApplication::sendEvent(dialog.get(), &rightClick);
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      QVERIFY2(menu, name);
      menu->actions()[1]->trigger();
      menu->close();
      QCOMPARE(m_prompts.dialogTitles, std::vector<QString>{"Video Extensions"});
      QCOMPARE(opened, shown);
      QCOMPARE(open, B(typed.size() - 1, true) << false);
      QCOMPARE(m_prompts.MessageTexts(), messages);
      for (const auto& message : m_prompts.messages)
        QCOMPARE(message.caption, QStringLiteral("Video Extensions"));
      QCOMPARE(Stored(kVideoExtValue), stored);
      QCOMPARE(Column(*dialog, 0), listed);
    }

    ClickRow(*dialog, 2);
    Click(*dialog, kIdPreview);
    QCOMPARE(Control<QLabel>(*dialog, kIdFrameLabel)->text(), QStringLiteral("&Frame: (of 12)"));
    QVERIFY(Control(*dialog, kIdFrameEdit)->isEnabled());
    q9::convert::RecordingHost host;
    q9::convert::SourceMedia media(&host);
    media.SetVideoExtensions(*q9::convert::VideoExtensions::Parse("mp4,mkv"));
    q9::convert::ConversionBatch batch(media, host);
    batch.SetSourceDirectory(m_in->Path());
    batch.SetDestinationDirectory(Out("", "ref/"));
    batch.SetMarkedNames({"a.bmp", "b.MP4", "clip.mp4"});
    batch.SetGeometry(kOldSign);
    batch.SetPolicy(q9::convert::BatchPolicy::Unattended(false));
    batch.Run();
    m_prompts.messages.clear();
    Run(*dialog);
    QCOMPARE(m_prompts.MessageTexts(), (S{"Convert 3 files?", "Conversion Complete!"}));
    QCOMPARE(Written(), (S{"a.SQ9", "b.SQ9", "clip.SQ9"}));
    for (const QString& file : Written())
      QVERIFY2(
          pt::ReadBytes(Out(file.toStdString())) == pt::ReadBytes(Out(file.toStdString(), "ref/")),
          qPrintable(file));
    q9::platform::Sq9Contents written;
    std::string error;
    QVERIFY2(q9::platform::ReadSq9File(Out("clip.SQ9"), written, error), error.c_str());
    QCOMPARE(written.frames.size(), size_t(13));
  }
};

Q9_APP_TEST_MAIN(VideoExtDlgTest)
#include "video_ext_dlg_test.moc"
