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
#include <QTreeWidget>

#include "app/source_file_list.h"
#include "app/testing/app_test_support.h"
#include "gui/dialog_units.h"

using namespace q9::app;
using namespace q9::app::test;
using q9::convert::MessageAnswer;
using L = QList<int>;
using B = QList<bool>;

class ConverterDlgTest : public DialogTest {
  Q_OBJECT

  QString Path(const QString& name = {}) const {
    return SourceDir() + (name.isEmpty() ? "" : "/" + name);
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
  void ClickHeader(const CConverterDlg& dialog, int column) {
    QHeaderView* header = Control<QTreeWidget>(dialog, kIdFileList)->header();
    const QPoint at(header->sectionViewportPosition(column) + 5, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
  }
  static B RunButtons(const CConverterDlg& dialog) {
    return Enabled(dialog, {kIdAdjust, kIdPreview, kIdConvert});
  }

 private slots:
  // Collapsed 2 pixels above the bottom of the line over the progress area;
  // the frame and zoom controls hidden, Adjust, Preview, Convert disabled.
  void startState() {
    auto dialog = Open({});
    const q9::gui::DialogUnits du(dialog->font());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Q9100 Converter"));
    QVERIFY(!dialog->windowIcon().isNull());
    QCOMPARE(dialog->size(), QSize(du.ToPixelsX(291), dialog->height()));
    QCOMPARE(dialog->FullHeight(), du.ToPixelsY(314));
    const QRect rule = Control(*dialog, kIdProgressRule)->geometry();
    QCOMPARE(dialog->height(), rule.y() + rule.height() - 2);
    for (int id : {kIdFrameLabel, kIdFrameEdit, kIdFrameSpin, kIdZoomIn, kIdZoomOut})
      QVERIFY(Control(*dialog, id)->isHidden());
    QCOMPARE(RunButtons(*dialog), (B{false, false, false}));
    QVERIFY(!Control(*dialog, kIdOverallBar)->isEnabled());
    QVERIFY(Control(*dialog, kIdOverallBar)->isVisible());
    QCOMPARE(Control(*dialog, kIdZoomIn)->accessibleName(), QStringLiteral("Zoom in"));
    QTest::keyClick(dialog.get(), Qt::Key_9, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), Control(*dialog, kIdDestDir));
  }

  // Close takes what was typed; Escape and the close box keep what the
  // fields last gave. A directory from the command line replaces the stored one.
  void directoriesSurviveRestarts_data() {
    QTest::addColumn<int>("closing");  // 0 Close, 1 Escape, 2 close box
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QString>("saved");
    QTest::newRow("Close") << 0 << QString() << "/typed";
    QTest::newRow("Escape") << 1 << QString() << "/old";
    QTest::newRow("close box") << 2 << QString() << "/old";
    QTest::newRow("command line") << 1 << "/cmd"
                                  << "/cmd";
  }
  void directoriesSurviveRestarts() {
    QFETCH(int, closing);
    QFETCH(QString, commandLine);
    QFETCH(QString, saved);
    m_settings->Store("/dst", "/old");
    CConverterDlg dialog(m_prompts, commandLine);
    dialog.show();
    auto* source = Control<QLineEdit>(dialog, kIdSourceDir);
    QCOMPARE(source->text(), commandLine.isEmpty() ? "/old" : commandLine);
    QCOMPARE(Control<QLineEdit>(dialog, kIdDestDir)->text(), QStringLiteral("/dst"));
    source->setText("/typed");
    if (closing == 0) Click(dialog, kIdClose);
    if (closing == 1) QTest::keyClick(&dialog, Qt::Key_Escape);
    if (closing == 2) dialog.close();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(m_settings->Read(kSourceValue), saved.toStdString());
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
    const q9::gui::OpenFileRequest& request = m_prompts.fileRequests[0];
    QCOMPARE(request.initialFile + request.defaultSuffix, QStringLiteral("/Q8100seq"));
    QCOMPARE(request.filters.size(), size_t(16));
    QCOMPARE(request.filters[3].first, QStringLiteral(".AVI (Windows Audio Video)      "));
    QCOMPARE(request.filters[3].second, QStringLiteral("*.avi"));
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
    auto dialog = Open({});
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
  // flag turning round; Modified compares times, Size compares text. A
  // sort moves only the texts: marks stay at their rows.
  void listFillsSortsAndKeepsMarks() {
    MakeFile("b.avi", 1023, 2021, 3, 4, 14, 30);
    MakeFile("a.seq", 1024, 2021, 3, 4, 11, 0);
    MakeFile("C.BMP", 150000 * 1024, 1999, 12, 31, 23, 59);
    MakeFile("d.msg", 90000 * 1024, 2021, 3, 4, 0, 5);
    MakeFile("x.txt", 1);
    std::filesystem::create_directory(Path("e.jpg").toStdString());
    std::filesystem::create_symlink(Path("gone").toStdString(), Path("f.tga").toStdString());
    auto dialog = Open({});
    QCOMPARE(ListColumn(*dialog, 0), (QStringList{"a.seq", "b.avi", "C.BMP", "d.msg"}));
    QCOMPARE(ListColumn(*dialog, 1),
             (QStringList{"    1 KB", "    0 KB", "150000 KB", "90000 KB"}));
    QCOMPARE(ListColumn(*dialog, 2), (QStringList{"03/04/21 11:00 AM", "03/04/21 02:30 PM",
                                                  "12/31/99 11:59 PM", "03/04/21 12:05 AM"}));
    auto* list = Control<QTreeWidget>(*dialog, kIdFileList);
    QCOMPARE(list->headerItem()->text(1), QStringLiteral("                   Size"));
    QCOMPARE(list->columnWidth(2),
             list->fontMetrics().horizontalAdvance("Modified" + QString(18, ' ')) + 15);
    ClickRow(*dialog, 1);
    ClickRow(*dialog, 3, Qt::ControlModifier);
    const std::pair<int, QStringList> sorts[] = {
        {SourceFileList::kName, {"d.msg", "C.BMP", "b.avi", "a.seq"}},
        {SourceFileList::kModified, {"C.BMP", "d.msg", "a.seq", "b.avi"}},
        {SourceFileList::kSize, {"d.msg", "C.BMP", "a.seq", "b.avi"}}};  // descending, as text
    for (const auto& [column, names] : sorts) {
      ClickHeader(*dialog, column);
      QCOMPARE(ListColumn(*dialog, 0), names);
      QCOMPARE(MarkedRows(*dialog), (L{1, 3}));
    }
  }

  // The selection buttons, and what each leaves enabled of Adjust, Preview
  // and Convert (None and Invert leave Convert as it was).
  void selectionButtons_data() {
    QTest::addColumn<L>("buttons");  // a negative number clicks that row
    QTest::addColumn<L>("marked");
    QTest::addColumn<B>("enabled");
    QTest::newRow("all, an old sequence first") << L{kIdSelectAll} << L{0, 1, 2} << B{0, 1, 1};
    QTest::newRow("all, none") << L{kIdSelectAll, kIdSelectNone} << L{} << B{0, 0, 1};
    QTest::newRow("row 0, invert") << L{-1, kIdSelectInvert} << L{1, 2} << B{1, 1, 1};
    QTest::newRow("invert") << L{kIdSelectInvert} << L{0, 1, 2} << B{1, 1, 0};
    QTest::newRow("a still") << L{-2} << L{1} << B{1, 1, 1};
  }
  void selectionButtons() {
    QFETCH(L, buttons);
    QFETCH(L, marked);
    QFETCH(B, enabled);
    for (const char* name : {"a.seq", "b.bmp", "c.avi"}) MakeFile(name, 10);
    auto dialog = Open({});
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
    auto dialog = Open({});
    auto* list = Control<QTreeWidget>(*dialog, kIdFileList);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
    QVERIFY(!MarkedRows(*dialog).isEmpty());
    QCOMPARE(RunButtons(*dialog), (B{false, false, false}));
    Control(*dialog, kIdSourceDir)->setFocus();
    QTest::keyClicks(Control(*dialog, kIdSourceDir), "/nowhere");
    list->setFocus();
    QCOMPARE(RunButtons(*dialog), (B{true, true, true}));
    QCOMPARE(ListColumn(*dialog, 0).size(), 2);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, {5, list->viewport()->height() - 5});
    QCOMPARE(RunButtons(*dialog), (B{false, false, false}));
    QTest::keyClick(dialog.get(), Qt::Key_A, Qt::AltModifier);  // an animated click
    QTRY_COMPARE(MarkedRows(*dialog), (L{0, 1}));
  }

  // Destinations Convert questions or refuses before "Convert %d files?";
  // the progress area stays collapsed.
  void convertChecksTheDestination_data() {
    QTest::addColumn<QString>("dest");       // "<dir>" stands for the test's folder
    QTest::addColumn<L>("answers");          // MessageAnswer values
    QTest::addColumn<QString>("picked");     // the folder picker's answer, if asked
    QTest::addColumn<QStringList>("asked");  // first lines
    QTest::addColumn<bool>("made");
    const QString bad = "Could not determine exact Q9100 dimensions and type!.";
    const QString must = "Must have a valid sign folder.  Would you like to select one now?";
    const QString create = "Destination directory";
    const int no = int(MessageAnswer::No), yes = int(MessageAnswer::Yes);
    const int ok = int(MessageAnswer::Ok), cancel = int(MessageAnswer::Cancel);
    QTest::newRow("empty, not picked") << "" << L{no} << "" << QStringList{must, bad} << false;
    QTest::newRow("empty, picked, not made")
        << "" << L{yes, cancel} << "<dir>/1x2.Mono1.SIGN" << QStringList{must, create} << false;
    QTest::newRow("made") << "<dir>/16x96.rgb16mb.sign" << L{ok, cancel} << ""
                          << QStringList{create, "Convert 1 files?"} << true;
  }
  void convertChecksTheDestination() {
    QFETCH(QString, dest);
    QFETCH(L, answers);
    QFETCH(QString, picked);
    QFETCH(QStringList, asked);
    QFETCH(bool, made);
    dest.replace("<dir>", Path());
    picked.replace("<dir>", Path());
    const QString folder = dest.isEmpty() ? picked : dest;
    MakeFile("a.bmp", 10);
    auto dialog = Open(dest);
    for (int answer : answers) m_prompts.answers.push_back(MessageAnswer(answer));
    if (!picked.isEmpty()) m_prompts.folders.push_back(picked);
    Click(*dialog, kIdSelectAll);
    Click(*dialog, kIdConvert);
    QStringList firstLines;
    for (const QString& text : m_prompts.MessageTexts()) firstLines << text.section('\n', 0, 0);
    QCOMPARE(firstLines, asked);
    if (asked.contains("Destination directory"))
      QVERIFY(m_prompts.MessageTexts().contains("Destination directory\n" + folder +
                                                "\ndoes not exist. Create?"));
    QCOMPARE(QFileInfo(folder).isDir(), made);
    QCOMPARE(dialog->height(), Control(*dialog, kIdProgressRule)->geometry().bottom() - 1);
  }
};

Q9_APP_TEST_MAIN(ConverterDlgTest)
#include "converter_dlg_test.moc"
