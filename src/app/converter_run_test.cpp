// Runs in the window: Convert over real sources writes the sequences a run
// without a window writes; the progress area and the controls while a file
// converts; "Overwrite File?" answered each way; Cancel and Close while a
// video converts; a run with nothing marked.

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <filesystem>

#include "app/overwrite_dlg.h"
#include "app/testing/app_test_support.h"
#include "convert/conversion_batch.h"
#include "convert/source_media.h"
#include "convert/testing/recording_host.h"
#include "gui/dialog_units.h"
#include "gui/event_pump.h"

using namespace q9::app;
using namespace q9::app::test;
using q9::convert::MessageAnswer;
using q9::platform::test::ReadBytes;

namespace {
const std::vector<uint8_t> kOld = {'o', 'l', 'd'};
}

class ConverterRunTest : public DialogTest {
  Q_OBJECT

  // A file in the sign's library folder (made), or in that of ref/.
  std::string Out(const std::string& name, const char* root = "") const {
    return (Library((root + std::string("8x16.RGB16MB.SIGN")).c_str()) + "/").toStdString() + name;
  }
  std::unique_ptr<CConverterDlg> Open() {
    m_prompts.answers = {MessageAnswer::Ok};  // "Convert %d files?"
    return DialogTest::Open(Library("8x16.RGB16MB.SIGN"));
  }
  // The same names converted by the engine alone, as the run without a
  // window does, into ref/.
  void ConvertForReference(const std::vector<std::string>& names, const char* stillsInto) {
    q9::convert::RecordingHost host;
    q9::convert::SourceMedia media(&host);
    q9::convert::ConversionBatch batch(media, host);
    batch.SetSourceDirectory(m_in->Path());
    batch.SetDestinationDirectory(Out("", "ref/"));
    batch.SetMarkedNames(names);
    batch.SetGeometry({8, 16, q9::platform::Q9_RGB16MB});
    batch.SetPolicy(q9::convert::BatchPolicy::Unattended(false));
    if (stillsInto) batch.SetStillImagesOptions(true, stillsInto);
    batch.Run();
  }
  QStringList Written() const {
    QStringList names;
    for (const auto& entry : std::filesystem::directory_iterator(Out("")))
      names << QString::fromStdString(entry.path().filename().string());
    names.sort();
    return names;
  }
  static int Collapsed(const CConverterDlg& dialog) {
    return Control(dialog, kIdProgressRule)->geometry().bottom() - 1;
  }
  // True while the named file converts and its bar has passed position 2.
  static bool InVideo(const CConverterDlg& dialog, const char* name) {
    return Control<QLabel>(dialog, kIdConvertingPath)->text().endsWith(name) &&
           Control<QProgressBar>(dialog, kIdFileBar)->value() > 2;
  }

 private slots:
  // A video, two stills into one shared sequence and an old sequence. The
  // dialog grows for the run, shows the wait cursor, takes input only in the
  // list, Cancel and Close while a file converts, and collapses after it.
  void wholeRun() {
    QVERIFY(MakeVideo(In("clip.avi"), 8));
    QVERIFY(CopyTestImage("quad.bmp", In("a.bmp")) && CopyTestImage("quad.jpg", In("b.jpg")));
    QVERIFY(MakeOldSequence(In("old.seq"), 3));
    ConvertForReference({"a.bmp", "b.jpg", "clip.avi", "old.seq"}, "Stills");
    auto dialog = Open();
    dialog->SetStillImagesOptions(true, "Stills");
    const int collapsed = dialog->height();
    QList<bool> during;
    WhenReady probe([&] {
      if (!InVideo(*dialog, "clip.avi")) return false;
      during = Enabled(*dialog, {kIdSelectAll, kIdSelectNone, kIdSelectInvert, kIdSourceDir,
                                 kIdBrowseSource, kIdDestDir, kIdBrowseDest, kIdAdjust, kIdPreview,
                                 kIdConvert, kIdFileList, kIdCancelRun, kIdClose, kIdOverallBar});
      during << (dialog->height() == dialog->FullHeight())
             << (QApplication::overrideCursor() &&
                 QApplication::overrideCursor()->shape() == Qt::WaitCursor);
      return true;
    });
    Click(*dialog, kIdSelectAll);
    Click(*dialog, kIdConvert);
    QCOMPARE(during, (QList<bool>{false, false, false, false, false, false, false, false, false,
                                  false, true, true, true, true, true, true}));
    QCOMPARE(m_prompts.MessageTexts(), (QStringList{"Convert 4 files?", "Conversion Complete!"}));
    QCOMPARE(Written(), (QStringList{"StillsSQ9", "clip.SQ9", "old.SQ9"}));
    for (const char* name : {"StillsSQ9", "clip.SQ9", "old.SQ9"})
      QVERIFY2(ReadBytes(Out(name)) == ReadBytes(Out(name, "ref/")), name);
    auto* overall = Control<QProgressBar>(*dialog, kIdOverallBar);
    QCOMPARE(overall->value(), overall->maximum());
    QCOMPARE(Control<QLabel>(*dialog, kIdConvertingPath)->text(), QString());
    QCOMPARE(Enabled(*dialog, {kIdSelectAll, kIdBrowseDest, kIdAdjust, kIdConvert}),
             (QList<bool>{true, true, true, true}));
    for (int id : {kIdSelectInvert, kIdBrowseSource, kIdSourceDir, kIdDestDir})
      QVERIFY(Control(*dialog, id)->isVisible() && Control(*dialog, id)->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(dialog->height(), dialog->FullHeight());
    QTRY_COMPARE(dialog->height(), collapsed);
  }

  // No keeps the file exactly as it was, also the shared still sequence;
  // No with "&Apply to all files" stops the run; Yes with it asks no more.
  void overwriteAnswers_data() {
    QTest::addColumn<bool>("stills");
    QTest::addColumn<QList<int>>("answers");  // 1 Yes, 0 No; +2 with the box ticked
    QTest::addColumn<QStringList>("replaced");
    QTest::addColumn<bool>("complete");
    QTest::newRow("yes, no, yes") << false << QList<int>{1, 0, 1} << QStringList{"a.SQ9", "c.SQ9"}
                                  << true;
    QTest::newRow("yes to all") << false << QList<int>{3} << QStringList{"a.SQ9", "b.SQ9", "c.SQ9"}
                                << true;
    QTest::newRow("no, no to all") << false << QList<int>{0, 2} << QStringList{} << false;
    QTest::newRow("shared: yes") << true << QList<int>{1} << QStringList{"Stills.SQ9"} << true;
    QTest::newRow("shared: no") << true << QList<int>{0} << QStringList{} << false;
    QTest::newRow("shared: no to all") << true << QList<int>{2} << QStringList{} << false;
  }
  void overwriteAnswers() {
    QFETCH(bool, stills);
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, replaced);
    QFETCH(bool, complete);
    const QStringList existing =
        stills ? QStringList{"Stills.SQ9"} : QStringList{"a.SQ9", "b.SQ9", "c.SQ9"};
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"})
      QVERIFY(CopyTestImage("quad.bmp", In(name)));
    for (const QString& name : existing)
      q9::platform::test::WriteBytes(Out(name.toStdString()), kOld);
    auto dialog = Open();
    if (stills) dialog->SetStillImagesOptions(true, "Stills.bmp");
    QStringList asked;
    for (int answer : answers)
      m_prompts.dialogScripts.push_back([&asked, answer](QDialog& overwrite) {
        asked << Control<QLabel>(overwrite, kIdOverwriteMessage)->text();
        QCOMPARE(overwrite.size(),
                 q9::gui::DialogUnits(overwrite.font()).ToPixels(0, 0, 235, 66).size());
        if (answer & 2)
          QTest::mouseClick(Control<QCheckBox>(overwrite, kIdApplyToAll), Qt::LeftButton);
        Click(overwrite, answer & 1 ? kIdOverwriteYes : kIdOverwriteNo);
      });
    Click(*dialog, kIdSelectAll);
    Click(*dialog, kIdConvert);
    QCOMPARE(m_prompts.dialogTitles, std::vector<QString>(answers.size(), "Overwrite File?"));
    for (qsizetype i = 0; i < answers.size(); ++i)
      QCOMPARE(asked[i], "The file \"" + existing[i] + "\" already exists. Overwrite?");
    for (const QString& name : existing)
      QVERIFY2((ReadBytes(Out(name.toStdString())) == kOld) != replaced.contains(name),
               qPrintable(name));
    QCOMPARE(m_prompts.MessageTexts().contains("Conversion Complete!"), complete);
    QCOMPARE(Written(), existing);
  }

  // Cancel or Close while a video converts: it stops before the video's
  // next frame, the file before it stays, the video leaves nothing, the file
  // after it is not converted. Close then ends the dialog and saves.
  void stopDuringAVideo_data() {
    QTest::addColumn<int>("button");
    QTest::newRow("Cancel") << int(kIdCancelRun);
    QTest::newRow("Close") << int(kIdClose);
  }
  void stopDuringAVideo() {
    QFETCH(int, button);
    QVERIFY(CopyTestImage("quad.bmp", In("a.bmp")) && CopyTestImage("quad.tga", In("c.tga")));
    QVERIFY(MakeVideo(In("b.avi"), 30));
    ConvertForReference({"a.bmp"}, nullptr);
    auto dialog = Open();
    m_settings->Store("", "");  // what Close saves shows
    WhenReady probe([&] {
      if (!InVideo(*dialog, "b.avi")) return false;
      Click(*dialog, button);
      return true;
    });
    Click(*dialog, kIdSelectAll);
    Click(*dialog, kIdConvert);
    QCOMPARE(Written(), QStringList{"a.SQ9"});
    QVERIFY(ReadBytes(Out("a.SQ9")) == ReadBytes(Out("a.SQ9", "ref/")));
    QCOMPARE(m_prompts.MessageTexts(), QStringList{"Convert 3 files?"});
    QCOMPARE(dialog->isVisible(), button == kIdCancelRun);
    QCOMPARE(m_settings->Read(kSourceValue), button == kIdClose ? m_in->Path() : "");
    QVERIFY(Control(*dialog, kIdConvert)->isEnabled() && !dialog->IsConverting());
  }

  // With no marked file (Convert stays enabled after Select None) the run
  // asks about 0 files, converts nothing, and the area still collapses.
  void runWithNothingMarked() {
    QVERIFY(CopyTestImage("quad.bmp", In("a.bmp")));
    auto dialog = Open();
    m_prompts.answers.push_back(MessageAnswer::Ok);  // the first OK box takes one
    Click(*dialog, kIdSelectAll);
    Click(*dialog, kIdSelectNone);
    Click(*dialog, kIdConvert);
    const QString pick = "Please select a file to preview";
    QCOMPARE(m_prompts.MessageTexts(), (QStringList{pick, "Convert 0 files?", pick}));
    QCOMPARE(Written(), QStringList{});
    QCOMPARE(dialog->height(), dialog->FullHeight());
    QTRY_COMPARE(dialog->height(), Collapsed(*dialog));
  }
};

Q9_APP_TEST_MAIN(ConverterRunTest)
#include "converter_run_test.moc"
