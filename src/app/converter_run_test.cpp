// Runs in the window: Convert with real sources, the progress area and the
// controls while a file converts, "Overwrite File?" answered each way,
// Cancel and Close in the middle of a video. The sequences written must be
// the ones a run without a window writes for the same sources.

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <filesystem>
#include <memory>

#include "app/converter_dlg.h"
#include "app/overwrite_dlg.h"
#include "app/testing/app_test_support.h"
#include "convert/conversion_batch.h"
#include "convert/source_media.h"
#include "convert/testing/recording_host.h"
#include "gui/dialog_units.h"
#include "gui/event_pump.h"
#include "gui/testing/scripted_prompts.h"
#include "platform/video/test_media.h"

using namespace q9::app;
using namespace q9::app::test;
using q9::convert::MessageAnswer;

namespace {

constexpr const char* kSign = "8x16.RGB16MB.SIGN/Default.LIB";
const std::vector<uint8_t> kOldBytes = {'o', 'l', 'd'};

// One answer to "Overwrite File?": the check box ticked or not, then Yes or No.
struct Overwrite {
  bool yes;
  bool applyToAll;
};

}  // namespace

Q_DECLARE_METATYPE(std::vector<Overwrite>)

class ConverterRunTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TempSettings> m_settings;
  std::unique_ptr<q9::platform::test::TempDir> m_in, m_out;
  q9::gui::ScriptedPrompts m_prompts;

  std::string Source(const std::string& name) const { return m_in->File(name); }
  std::string Library() const { return m_out->File(kSign); }
  std::string Sequence(const std::string& name) const { return Library() + "/" + name; }
  std::string Reference(const std::string& name) const {
    return m_out->File("ref/") + kSign + "/" + name;
  }

  std::unique_ptr<CConverterDlg> Open() {
    m_settings->Store(QString::fromStdString(Library()), QString::fromStdString(m_in->Path()));
    auto dialog = std::make_unique<CConverterDlg>(m_prompts);
    dialog->show();
    return dialog;
  }
  // The same sources converted without a window, by the engine alone.
  void ConvertForReference(const std::vector<std::string>& names, const char* stillsInto) {
    std::filesystem::create_directories(Reference(""));
    q9::convert::RecordingHost host;
    q9::convert::SourceMedia media(&host);
    q9::convert::ConversionBatch batch(media, host);
    batch.SetSourceDirectory(m_in->Path());
    batch.SetDestinationDirectory(Reference(""));
    batch.SetMarkedNames(names);
    batch.SetGeometry({8, 16, q9::platform::Q9_RGB16MB});
    batch.SetPolicy(q9::convert::BatchPolicy::Unattended(false));
    if (stillsInto) batch.SetStillImagesOptions(true, stillsInto);
    batch.Run();
  }
  // The library's file names.
  QStringList Written() const {
    QStringList names;
    for (const auto& entry : std::filesystem::directory_iterator(Library()))
      names << QString::fromStdString(entry.path().filename().string());
    names.sort();
    return names;
  }
  QList<bool> Enabled(const CConverterDlg& dialog, std::initializer_list<int> ids) {
    QList<bool> states;
    for (int id : ids) states << Control(dialog, id)->isEnabled();
    return states;
  }
  int CollapsedHeight(const CConverterDlg& dialog) {
    const QRect rule = Control(dialog, kIdProgressRule)->geometry();
    return rule.y() + rule.height() - 2;
  }

 private slots:
  void initTestCase() { q9::gui::InstallWaitCursor(); }
  void init() {
    m_settings = std::make_unique<TempSettings>();
    m_in = std::make_unique<q9::platform::test::TempDir>();
    m_out = std::make_unique<q9::platform::test::TempDir>();
    std::filesystem::create_directories(Library());
    m_prompts = q9::gui::ScriptedPrompts();
  }
  void cleanup() {
    QVERIFY2(m_prompts.unanswered.isEmpty(), qPrintable(m_prompts.unanswered.join('\n')));
  }

  // A video, two stills into one shared sequence and an old sequence: the
  // progress area grows for the run and collapses 200 ms after it; while a
  // file converts only the list, Cancel and Close take input.
  void wholeRunWritesWhatTheRunWithoutAWindowWrites() {
    QVERIFY(MakeVideo(Source("clip.avi"), 8));
    QVERIFY(CopyTestImage("quad.bmp", Source("a.bmp")));
    QVERIFY(CopyTestImage("quad.jpg", Source("b.jpg")));
    QVERIFY(MakeOldSequence(Source("old.seq"), 3));
    ConvertForReference({"a.bmp", "b.jpg", "clip.avi", "old.seq"}, "Stills");
    auto dialog = Open();
    dialog->SetStillImagesOptions(true, "Stills");
    const int collapsed = dialog->height();
    QCOMPARE(collapsed, CollapsedHeight(*dialog));
    m_prompts.answers = {MessageAnswer::Ok};

    bool seen = false;
    int heightDuring = 0, filePosition = 0;
    QList<bool> during;
    bool waitCursor = false;
    WhenReady probe([&] {
      auto* path = Control<QLabel>(*dialog, kIdConvertingPath);
      filePosition = Control<QProgressBar>(*dialog, kIdFileBar)->value();
      if (!path->text().endsWith("clip.avi") || filePosition < 3) return false;
      seen = true;
      heightDuring = dialog->height();
      waitCursor = QApplication::overrideCursor() &&
                   QApplication::overrideCursor()->shape() == Qt::WaitCursor;
      during = Enabled(*dialog,
                       {kIdSelectAll, kIdSelectNone, kIdSelectInvert, kIdSourceDir, kIdBrowseSource,
                        kIdDestDir, kIdBrowseDest, kIdAdjust, kIdPreview, kIdConvert, kIdFileList,
                        kIdCancelRun, kIdClose, kIdFileBar, kIdOverallBar});
      return true;
    });
    Click(*dialog, kIdSelectAll);
    Click(*dialog, kIdConvert);

    QVERIFY(seen);
    QCOMPARE(heightDuring, dialog->FullHeight());
    QVERIFY(waitCursor);
    QCOMPARE(during, (QList<bool>{false, false, false, false, false, false, false, false, false,
                                  false, true, true, true, true, true}));
    QCOMPARE(m_prompts.MessageTexts(), (QStringList{"Convert 4 files?", "Conversion Complete!"}));
    QCOMPARE(m_prompts.messages[1].caption, QStringLiteral("Convert"));
    QCOMPARE(Written(), (QStringList{"StillsSQ9", "clip.SQ9", "old.SQ9"}));
    for (const char* name : {"StillsSQ9", "clip.SQ9", "old.SQ9"})
      QVERIFY2(FileBytes(Sequence(name)) == FileBytes(Reference(name)), name);
    // After the run: bars full, lines clear, controls back, no wait cursor.
    auto* overall = Control<QProgressBar>(*dialog, kIdOverallBar);
    QCOMPARE(overall->value(), overall->maximum());
    QCOMPARE(Control<QLabel>(*dialog, kIdStatusLine)->text(), QString());
    QCOMPARE(Control<QLabel>(*dialog, kIdConvertingPath)->text(), QString());
    QCOMPARE(Enabled(*dialog, {kIdSelectAll, kIdSourceDir, kIdBrowseDest, kIdAdjust, kIdConvert}),
             (QList<bool>{true, true, true, true, true}));
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(dialog->height(), dialog->FullHeight());
    QTRY_COMPARE(dialog->height(), collapsed);
    QVERIFY(!Control(*dialog, kIdOverallBar)->isEnabled());
  }

  // Each answer to "Overwrite File?" for files of their own and for the
  // shared still sequence. No keeps the file exactly as it was; No with
  // "&Apply to all files" stops the run; Yes with it asks no more.
  void overwriteAnswers_data() {
    QTest::addColumn<bool>("stills");
    QTest::addColumn<std::vector<Overwrite>>("answers");
    QTest::addColumn<QStringList>("replaced");  // the other existing files stay as they were
    QTest::addColumn<bool>("complete");
    QTest::newRow("yes each") << false
                              << std::vector<Overwrite>{{true, false}, {true, false}, {true, false}}
                              << QStringList{"a.SQ9", "b.SQ9", "c.SQ9"} << true;
    QTest::newRow("no to one") << false
                               << std::vector<Overwrite>{{true, false},
                                                         {false, false},
                                                         {true, false}}
                               << QStringList{"a.SQ9", "c.SQ9"} << true;
    QTest::newRow("yes to all") << false << std::vector<Overwrite>{{true, true}}
                                << QStringList{"a.SQ9", "b.SQ9", "c.SQ9"} << true;
    QTest::newRow("no, then no to all")
        << false << std::vector<Overwrite>{{false, false}, {false, true}} << QStringList{} << false;
    QTest::newRow("shared: yes") << true << std::vector<Overwrite>{{true, false}}
                                 << QStringList{"Stills.SQ9"} << true;
    QTest::newRow("shared: no") << true << std::vector<Overwrite>{{false, false}} << QStringList{}
                                << false;
    QTest::newRow("shared: no to all")
        << true << std::vector<Overwrite>{{false, true}} << QStringList{} << false;
  }
  void overwriteAnswers() {
    QFETCH(bool, stills);
    QFETCH(std::vector<Overwrite>, answers);
    QFETCH(QStringList, replaced);
    QFETCH(bool, complete);
    const QStringList existing =
        stills ? QStringList{"Stills.SQ9"} : QStringList{"a.SQ9", "b.SQ9", "c.SQ9"};
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"})
      QVERIFY(CopyTestImage("quad.bmp", Source(name)));
    for (const QString& name : existing)
      q9::platform::test::WriteBytes(Sequence(name.toStdString()), kOldBytes);
    auto dialog = Open();
    if (stills) dialog->SetStillImagesOptions(true, "Stills.bmp");
    m_prompts.answers = {MessageAnswer::Ok};
    QStringList questions;
    for (const Overwrite& answer : answers) {
      m_prompts.dialogScripts.push_back([&questions, answer, &dialog](QDialog& asked) {
        questions << Control<QLabel>(asked, kIdOverwriteMessage)->text();
        const q9::gui::DialogUnits du(asked.font());
        QCOMPARE(asked.size(), du.ToPixels(0, 0, 235, 66).size());
        QCOMPARE(asked.parentWidget(), dialog.get());
        QCOMPARE(Control<QCheckBox>(asked, kIdApplyToAll)->text(),
                 QStringLiteral("&Apply to all files"));
        if (answer.applyToAll)
          QTest::mouseClick(Control<QCheckBox>(asked, kIdApplyToAll), Qt::LeftButton);
        Click(asked, answer.yes ? kIdOverwriteYes : kIdOverwriteNo);
      });
    }
    Click(*dialog, kIdSelectAll);
    Click(*dialog, kIdConvert);

    QCOMPARE(m_prompts.dialogTitles, std::vector<QString>(answers.size(), "Overwrite File?"));
    QStringList expectedQuestions;
    for (size_t i = 0; i < answers.size(); ++i)
      expectedQuestions
          << QString("The file \"%1\" already exists. Overwrite?").arg(existing[qsizetype(i)]);
    QCOMPARE(questions, expectedQuestions);
    for (const QString& name : existing) {
      const bool kept = FileBytes(Sequence(name.toStdString())) == kOldBytes;
      QVERIFY2(kept != replaced.contains(name), qPrintable(name));
    }
    QCOMPARE(m_prompts.MessageTexts().contains("Conversion Complete!"), complete);
    QCOMPARE(Written().size(), existing.size());  // nothing else written, nothing left over
  }

  // Cancel, or Close, while a video converts: the run stops before the
  // video's next frame; the file before it stays, the video leaves nothing
  // behind and the files after it are not converted. Close then ends the
  // dialog, saving its directories.
  void stopInTheMiddleOfAVideo_data() {
    QTest::addColumn<int>("button");
    QTest::newRow("Cancel") << int(kIdCancelRun);
    QTest::newRow("Close") << int(kIdClose);
  }
  void stopInTheMiddleOfAVideo() {
    QFETCH(int, button);
    QVERIFY(CopyTestImage("quad.bmp", Source("a.bmp")));
    QVERIFY(MakeVideo(Source("b.avi"), 30));
    QVERIFY(CopyTestImage("quad.tga", Source("c.tga")));
    ConvertForReference({"a.bmp"}, nullptr);
    auto dialog = Open();
    m_prompts.answers = {MessageAnswer::Ok};
    int stoppedAt = 0;
    WhenReady probe([&] {
      const int position = Control<QProgressBar>(*dialog, kIdFileBar)->value();
      if (!Control<QLabel>(*dialog, kIdConvertingPath)->text().endsWith("b.avi") || position < 3)
        return false;
      stoppedAt = position;
      Click(*dialog, button);
      return true;
    });
    Click(*dialog, kIdSelectAll);
    Click(*dialog, kIdConvert);

    QVERIFY(stoppedAt >= 3 && stoppedAt < 29);
    QCOMPARE(Written(), QStringList{"a.SQ9"});
    QVERIFY(FileBytes(Sequence("a.SQ9")) == FileBytes(Reference("a.SQ9")));
    QCOMPARE(m_prompts.MessageTexts(), QStringList{"Convert 3 files?"});
    QVERIFY(!dialog->IsConverting());
    QCOMPARE(dialog->isVisible(), button == kIdCancelRun);
    if (button == kIdClose) {
      QCOMPARE(dialog->result(), int(QDialog::Accepted));
      QCOMPARE(m_settings->Read(kSourceValue), m_in->Path());
    } else {
      QCOMPARE(Enabled(*dialog, {kIdSelectAll, kIdBrowseSource, kIdConvert}),
               (QList<bool>{true, true, true}));
    }
  }

  // Runs that convert nothing: no marked file (Convert stays enabled after
  // Select None), a message file that stops the run silently, and Cancel at
  // the confirmation.
  void runsThatConvertNothingOrStop_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QList<int>>("buttons");
    QTest::addColumn<QList<int>>("answers");  // an OK box takes an Ok at the front
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("written");
    QTest::addColumn<bool>("grew");
    const QString pick = "Please select a file to preview";
    QTest::newRow("nothing marked")
        << QStringList{"a.bmp"} << QList<int>{kIdSelectAll, kIdSelectNone}
        << QList<int>{int(MessageAnswer::Ok), int(MessageAnswer::Ok)}
        << QStringList{pick, "Convert 0 files?", pick} << QStringList{} << true;
    QTest::newRow("message file stops")
        << QStringList{"a.bmp", "b.msg", "c.bmp"} << QList<int>{kIdSelectAll}
        << QList<int>{int(MessageAnswer::Ok)} << QStringList{"Convert 3 files?"}
        << QStringList{"a.SQ9"} << true;
    QTest::newRow("confirmation refused")
        << QStringList{"a.bmp"} << QList<int>{kIdSelectAll}
        << QList<int>{int(MessageAnswer::Cancel)} << QStringList{"Convert 1 files?"}
        << QStringList{} << false;
  }
  void runsThatConvertNothingOrStop() {
    QFETCH(QStringList, files);
    QFETCH(QList<int>, buttons);
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, written);
    QFETCH(bool, grew);
    for (const QString& name : files)
      QVERIFY(CopyTestImage("quad.bmp", Source(name.toStdString())));
    auto dialog = Open();
    for (int answer : answers) m_prompts.answers.push_back(MessageAnswer(answer));
    for (int id : buttons) Click(*dialog, id);
    Click(*dialog, kIdConvert);
    QCOMPARE(m_prompts.MessageTexts(), messages);
    QCOMPARE(Written(), written);
    QCOMPARE(dialog->height(), grew ? dialog->FullHeight() : CollapsedHeight(*dialog));
    QTRY_COMPARE(dialog->height(), CollapsedHeight(*dialog));
  }
};

Q9_APP_TEST_MAIN(ConverterRunTest)
#include "converter_run_test.moc"
