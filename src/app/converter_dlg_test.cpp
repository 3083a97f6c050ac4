// The main dialog before any run, as a user meets it: its start, the two
// directories from one start to the next, the Browse commands, the About
// box, the source list with its sorts and marks, and the destinations that
// Convert refuses.

#include <sys/stat.h>
#include <utime.h>

#include <QContextMenuEvent>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <memory>

#include "app/source_file_list.h"
#include "app/testing/app_test_support.h"
#include "gui/dialog_units.h"
#include "gui/testing/scripted_prompts.h"
#include "platform/video/test_media.h"

using namespace q9::app;
using namespace q9::app::test;
using q9::convert::MessageAnswer;

class ConverterDlgTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TempSettings> m_settings;
  std::unique_ptr<q9::platform::test::TempDir> m_dir;
  q9::gui::ScriptedPrompts m_prompts;

  QString Path(const QString& name = {}) const {
    return QString::fromStdString(m_dir->Path()) + (name.isEmpty() ? "" : "/" + name);
  }
  // A file of that many bytes, modified at that local time (0: leave it).
  void MakeFile(const QString& name, qint64 bytes, int year = 0, int month = 1, int day = 1,
                int hour = 0, int minute = 0) {
    QFile file(Path(name));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(bytes));
    file.close();
    std::tm t{0, minute, hour, day, month - 1, year - 1900, 0, 0, -1, 0, nullptr};
    const utimbuf times{std::mktime(&t), std::mktime(&t)};
    if (year) QCOMPARE(utime(Path(name).toLocal8Bit().constData(), &times), 0);
  }
  std::unique_ptr<CConverterDlg> Open(const QString& dest = {}, const QString& source = "<dir>") {
    m_settings->Store(dest, source == "<dir>" ? Path() : source);
    auto dialog = std::make_unique<CConverterDlg>(m_prompts);
    dialog->show();
    if (!QTest::qWaitForWindowActive(dialog.get())) qWarning("the dialog is not active");
    return dialog;
  }
  void ClickHeader(const CConverterDlg& dialog, int column) {
    QHeaderView* header = Control<QTreeWidget>(dialog, kIdFileList)->header();
    const QPoint at(header->sectionViewportPosition(column) + 5, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
  }
  QList<bool> RunButtons(const CConverterDlg& dialog) {  // Adjust, Preview, Convert
    return {Control(dialog, kIdAdjust)->isEnabled(), Control(dialog, kIdPreview)->isEnabled(),
            Control(dialog, kIdConvert)->isEnabled()};
  }

 private slots:
  void init() {
    m_settings = std::make_unique<TempSettings>();
    m_dir = std::make_unique<q9::platform::test::TempDir>();
    m_prompts = {};
  }
  void cleanup() {
    QVERIFY2(m_prompts.unanswered.isEmpty(), qPrintable(m_prompts.unanswered.join(';')));
  }

  // Collapsed 2 pixels above the bottom of the line over the progress area;
  // the frame and zoom controls hidden, Adjust, Preview, Convert disabled.
  void startState() {
    auto dialog = Open();
    const q9::gui::DialogUnits du(dialog->font());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Q9100 Converter"));
    QVERIFY(!dialog->windowIcon().isNull());
    QCOMPARE(dialog->width(), du.ToPixelsX(291));
    QCOMPARE(dialog->FullHeight(), du.ToPixelsY(314));
    const QRect rule = Control(*dialog, kIdProgressRule)->geometry();
    QCOMPARE(dialog->height(), rule.y() + rule.height() - 2);
    for (int id : {kIdFrameLabel, kIdFrameEdit, kIdFrameSpin, kIdZoomIn, kIdZoomOut})
      QVERIFY(Control(*dialog, id)->isHidden());
    QCOMPARE(RunButtons(*dialog), (QList<bool>{false, false, false}));
    QVERIFY(!Control(*dialog, kIdOverallBar)->isEnabled() &&
            Control(*dialog, kIdOverallBar)->isVisible());
    QCOMPARE(Control(*dialog, kIdZoomIn)->accessibleName(), QStringLiteral("Zoom in"));
    QCOMPARE(Control(*dialog, kIdDestDir)->accessibleName(),
             QStringLiteral("Q9 Destination Directory:"));
    QTest::keyClick(dialog.get(), Qt::Key_9, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), Control(*dialog, kIdDestDir));
  }

  // Close takes what was typed; Escape and the close box keep what the
  // fields last gave. A directory from the command line replaces the stored one.
  void directoriesSurviveRestarts_data() {
    QTest::addColumn<int>("closing");  // 0 Close, 1 Escape, 2 close box
    QTest::addColumn<QString>("commandLineSource");
    QTest::addColumn<QString>("savedSource");
    QTest::newRow("Close") << 0 << ""
                           << "/typed";
    QTest::newRow("Escape") << 1 << ""
                            << "/old";
    QTest::newRow("close box") << 2 << ""
                               << "/old";
    QTest::newRow("command line") << 1 << "/cmd"
                                  << "/cmd";
  }
  void directoriesSurviveRestarts() {
    QFETCH(int, closing);
    QFETCH(QString, commandLineSource);
    QFETCH(QString, savedSource);
    m_settings->Store("/dst", "/old");
    CConverterDlg dialog(m_prompts, commandLineSource);
    dialog.show();
    auto* source = Control<QLineEdit>(dialog, kIdSourceDir);
    QCOMPARE(source->text(), commandLineSource.isEmpty() ? "/old" : commandLineSource);
    QCOMPARE(Control<QLineEdit>(dialog, kIdDestDir)->text(), QStringLiteral("/dst"));
    source->setText("/typed");
    if (closing == 0) Click(dialog, kIdClose);
    if (closing == 1) QTest::keyClick(&dialog, Qt::Key_Escape);
    if (closing == 2) dialog.close();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(m_settings->Read(kSourceValue), savedSource.toStdString());
    QCOMPARE(m_settings->Read(kDestinationValue), std::string("/dst"));
  }

  // The source Browse starts from the source directory ("Q8100" appended
  // to a short one, kept even when cancelled); the chosen file's folder
  // becomes the source and fills the list. The destination Browse writes
  // the members back to the fields, chosen or not.
  void browseCommands() {
    MakeFile("pic.BMP", 1);
    auto dialog = Open("/dst", "/");
    m_prompts.files = {std::nullopt, Path("pic.BMP")};
    Click(*dialog, kIdBrowseSource);
    QCOMPARE(m_prompts.fileRequests[0].initialFile, QStringLiteral("/Q8100"));
    QCOMPARE(m_prompts.fileRequests[0].defaultSuffix, QStringLiteral("seq"));
    QCOMPARE(m_prompts.fileRequests[0].filters.size(), size_t(16));
    QCOMPARE(
        m_prompts.fileRequests[0].filters[3],
        std::pair(QStringLiteral(".AVI (Windows Audio Video)      "), QStringLiteral("*.avi")));
    auto* source = Control<QLineEdit>(*dialog, kIdSourceDir);
    QCOMPARE(source->text(), QStringLiteral("/"));
    m_prompts.folders = {std::nullopt};
    Click(*dialog, kIdBrowseDest);
    QCOMPARE(source->text(), QStringLiteral("/Q8100"));
    QCOMPARE(m_prompts.folderTitles, std::vector<QString>{"Select Q9100 Library"});
    Click(*dialog, kIdBrowseSource);
    QCOMPARE(source->text(), Path());
    QCOMPARE(ListColumn(*dialog, 0), QStringList{"pic.BMP"});
    QCOMPARE(QApplication::focusWidget(), Control(*dialog, kIdFileList));
    m_prompts.folders = {Path("16x96.RGB16MB.SIGN")};
    Click(*dialog, kIdBrowseDest);
    QCOMPARE(Control<QLineEdit>(*dialog, kIdDestDir)->text(), Path("16x96.RGB16MB.SIGN"));
  }

  // From the background's context menu and from F1.
  void aboutBox() {
    auto dialog = Open();
    QString seen;
    const auto read = [&seen](QDialog& about) {
      for (QLabel* label : about.findChildren<QLabel*>()) seen += label->text() + '\n';
      Click(about, 1);
    };
    m_prompts.dialogScripts = {read, read};
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, {5, 5},
                                 dialog->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(dialog.get(), &rightClick);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu && menu->actions().size() == 1);
    QCOMPARE(menu->actions()[0]->text(), QStringLiteral("&About Q9100 Converter..."));
    menu->actions()[0]->trigger();
    menu->close();
    QTest::keyClick(dialog.get(), Qt::Key_F1);
    QCOMPARE(m_prompts.dialogTitles, std::vector<QString>(2, "About Q9100 Converter"));
    for (const char* part : {"Version 0.", "Qt 6.", "FFmpeg ", "libavformat ", "ImageMagick "})
      QVERIFY2(seen.contains(part), qPrintable(seen));
  }

  // Listed extensions in any case, each file once; no folders, other
  // extensions or unreadable names. Size as "%5d KB", Modified in local
  // time; sorted by name, then by each header click with one direction
  // flag turning round; Modified compares times, Size compares text.
  void listFillsAndSorts() {
    MakeFile("b.avi", 1023, 2021, 3, 4, 14, 30);
    MakeFile("a.seq", 1024, 2021, 3, 4, 11, 0);
    MakeFile("C.BMP", 150000 * 1024, 1999, 12, 31, 23, 59);
    MakeFile("d.msg", 90000 * 1024, 2021, 3, 4, 0, 5);
    MakeFile("x.txt", 1);
    std::filesystem::create_directory(Path("e.jpg").toStdString());
    std::filesystem::create_symlink(Path("gone").toStdString(), Path("f.tga").toStdString());
    auto dialog = Open();
    QCOMPARE(ListColumn(*dialog, 0), (QStringList{"a.seq", "b.avi", "C.BMP", "d.msg"}));
    QCOMPARE(ListColumn(*dialog, 1),
             (QStringList{"    1 KB", "    0 KB", "150000 KB", "90000 KB"}));
    QCOMPARE(ListColumn(*dialog, 2), (QStringList{"03/04/21 11:00 AM", "03/04/21 02:30 PM",
                                                  "12/31/99 11:59 PM", "03/04/21 12:05 AM"}));
    auto* list = Control<QTreeWidget>(*dialog, kIdFileList);
    QCOMPARE(list->headerItem()->text(1), QStringLiteral("                   Size"));
    QCOMPARE(list->columnWidth(2),
             list->fontMetrics().horizontalAdvance("Modified" + QString(18, ' ')) + 15);
    ClickHeader(*dialog, SourceFileList::kName);
    QCOMPARE(ListColumn(*dialog, 0), (QStringList{"d.msg", "C.BMP", "b.avi", "a.seq"}));
    ClickHeader(*dialog, SourceFileList::kModified);
    QCOMPARE(ListColumn(*dialog, 0), (QStringList{"C.BMP", "d.msg", "a.seq", "b.avi"}));
    ClickHeader(*dialog, SourceFileList::kSize);  // descending, as text
    QCOMPARE(ListColumn(*dialog, 0), (QStringList{"d.msg", "C.BMP", "a.seq", "b.avi"}));
  }

  // A sort moves only the texts: marks stay at their rows.
  void marksStayWhereTheyAre() {
    for (const char* name : {"b.bmp", "a.bmp", "c.bmp", "d.bmp"}) MakeFile(name, 10);
    auto dialog = Open();
    ClickRow(*dialog, 1);
    ClickRow(*dialog, 3, Qt::ControlModifier);
    ClickHeader(*dialog, SourceFileList::kName);
    QCOMPARE(ListColumn(*dialog, 0), (QStringList{"d.bmp", "c.bmp", "b.bmp", "a.bmp"}));
    QCOMPARE(MarkedRows(*dialog), (QList<int>{1, 3}));
  }

  // The selection buttons, and what each leaves enabled of Adjust, Preview
  // and Convert (None and Invert leave Convert as it was).
  void selectionButtons_data() {
    QTest::addColumn<QList<int>>("buttons");  // a negative number clicks that row
    QTest::addColumn<QList<int>>("marked");
    QTest::addColumn<QList<bool>>("enabled");
    QTest::newRow("all, an old sequence first")
        << QList<int>{kIdSelectAll} << QList<int>{0, 1, 2} << QList<bool>{false, true, true};
    QTest::newRow("all, none") << QList<int>{kIdSelectAll, kIdSelectNone} << QList<int>{}
                               << QList<bool>{false, false, true};
    QTest::newRow("row 0, invert")
        << QList<int>{-1, kIdSelectInvert} << QList<int>{1, 2} << QList<bool>{true, true, true};
    QTest::newRow("invert") << QList<int>{kIdSelectInvert} << QList<int>{0, 1, 2}
                            << QList<bool>{true, true, false};
    QTest::newRow("a still") << QList<int>{-2} << QList<int>{1} << QList<bool>{true, true, true};
  }
  void selectionButtons() {
    QFETCH(QList<int>, buttons);
    QFETCH(QList<int>, marked);
    QFETCH(QList<bool>, enabled);
    for (const char* name : {"a.seq", "b.bmp", "c.avi"}) MakeFile(name, 10);
    auto dialog = Open();
    for (int id : buttons) id < 0 ? ClickRow(*dialog, -id - 1) : Click(*dialog, id);
    QCOMPARE(MarkedRows(*dialog), marked);
    QCOMPARE(RunButtons(*dialog), enabled);
    QCOMPARE(QApplication::focusWidget(), Control(*dialog, kIdFileList));
  }

  // Keys that move the marks leave the buttons; a click beside the rows
  // and leaving the source field bring them up to date; typing a folder
  // does not list it. Mnemonics press the selection buttons.
  void keysClicksAndMnemonics() {
    for (const char* name : {"a.bmp", "b.bmp"}) MakeFile(name, 10);
    auto dialog = Open();
    auto* list = Control<QTreeWidget>(*dialog, kIdFileList);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
    QVERIFY(!MarkedRows(*dialog).isEmpty());
    QCOMPARE(RunButtons(*dialog), (QList<bool>{false, false, false}));
    Control(*dialog, kIdSourceDir)->setFocus();
    QTest::keyClicks(Control(*dialog, kIdSourceDir), "/nowhere");
    list->setFocus();
    QCOMPARE(RunButtons(*dialog), (QList<bool>{true, true, true}));
    QCOMPARE(ListColumn(*dialog, 0).size(), 2);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, {5, list->viewport()->height() - 5});
    QCOMPARE(RunButtons(*dialog), (QList<bool>{false, false, false}));
    QTest::keyClick(dialog.get(), Qt::Key_A, Qt::AltModifier);  // an animated click
    QTRY_COMPARE(MarkedRows(*dialog), (QList<int>{0, 1}));
  }

  // Destinations Convert questions or refuses before "Convert %d files?".
  void convertChecksTheDestination_data() {
    QTest::addColumn<QString>("dest");          // "<dir>" stands for the test's folder
    QTest::addColumn<QList<int>>("answers");    // MessageAnswer values
    QTest::addColumn<QString>("picked");        // the folder picker's answer, if asked
    QTest::addColumn<QStringList>("messages");  // first lines
    QTest::addColumn<bool>("made");
    const QString bad = "Could not determine exact Q9100 dimensions and type!.";
    const QString must = "Must have a valid sign folder.  Would you like to select one now?";
    const QString create = "Destination directory";
    const int no = int(MessageAnswer::No), yes = int(MessageAnswer::Yes);
    const int ok = int(MessageAnswer::Ok), cancel = int(MessageAnswer::Cancel);
    QTest::newRow("empty, not picked")
        << "" << QList<int>{no} << "" << QStringList{must, bad} << false;
    QTest::newRow("empty, picked, not made")
        << "" << QList<int>{yes, cancel} << "<dir>/1x2.Mono1.SIGN" << QStringList{must, create}
        << false;
    QTest::newRow("capital X") << "<dir>/16X96.RGB16MB.SIGN" << QList<int>{} << ""
                               << QStringList{bad} << false;
    QTest::newRow("made") << "<dir>/16x96.rgb16mb.sign" << QList<int>{ok, cancel} << ""
                          << QStringList{create, "Convert 1 files?"} << true;
  }
  void convertChecksTheDestination() {
    QFETCH(QString, dest);
    QFETCH(QList<int>, answers);
    QFETCH(QString, picked);
    QFETCH(QStringList, messages);
    QFETCH(bool, made);
    dest.replace("<dir>", Path());
    picked.replace("<dir>", Path());
    MakeFile("a.bmp", 10);
    auto dialog = Open(dest);
    for (int answer : answers) m_prompts.answers.push_back(MessageAnswer(answer));
    if (!picked.isEmpty()) m_prompts.folders.push_back(picked);
    Click(*dialog, kIdSelectAll);
    Click(*dialog, kIdConvert);
    QStringList firstLines;
    for (const QString& text : m_prompts.MessageTexts()) firstLines << text.section('\n', 0, 0);
    QCOMPARE(firstLines, messages);
    if (const qsizetype i = messages.indexOf("Destination directory"); i >= 0)
      QCOMPARE(m_prompts.MessageTexts()[i], "Destination directory\n" +
                                                (dest.isEmpty() ? picked : dest) +
                                                "\ndoes not exist. Create?");
    QCOMPARE(QFileInfo(dest.isEmpty() ? picked : dest).isDir(), made);
    QCOMPARE(dialog->height(), Control(*dialog, kIdProgressRule)->geometry().bottom() - 1);
  }
};

Q9_APP_TEST_MAIN(ConverterDlgTest)
#include "converter_dlg_test.moc"
