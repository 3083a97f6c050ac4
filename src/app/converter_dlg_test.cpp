// The main dialog as a user meets it, in-process and offscreen with its real
// widgets: its start, the two directories from one start to the next,
// Browse, About, the source list; the companions (preview, Adjust dialog,
// frame and zoom); runs with their progress area, "Overwrite File?", Cancel
// and Close.

#include "adjust/image_command.h"
#include "adjust/settings_persistence.h"
#include "adjust_dialog/adjust_dlg.h"
#include "adjust_dialog/image_command_menus.h"
#include "app/about_dlg.h"
#include "app/overwrite_dlg.h"
#include "app/source_file_list.h"
#include "app/testing/app_test_support.h"
#include "convert/conversion_batch.h"
#include "convert/sign_folder.h"
#include "convert/source_media.h"
#include "convert/testing/recording_host.h"
#include "gui/dialog_units.h"
#include "gui/up_down.h"
#include "platform/signlib/bulb_converter.h"
#include "platform/signlib/sq9_reader.h"
#include "preview/q9_preview_wnd.h"
#include "preview/testing/test_sources.h"

using namespace q9::app;
using namespace q9::app::test;
using q9::adjust_dialog::CAdjustDlg;
using q9::convert::MessageAnswer;
namespace pt = q9::platform::test;
namespace ps = q9::preview::testing;

namespace {

const q9::platform::SignGeometry kOldSign{8, 16, q9::platform::Q9_RGB16MB};

int RightOf(const QRect& r) {
  return r.x() + r.width();
}
std::string SourcePath(const CConverterDlg& dialog) {
  std::string path;
  dialog.Source()->GetSourcePath(path);
  return path;
}
bool AutoSaveStored() {
  q9::adjust::BaseSettings stored;
  return q9::adjust::ReadBaseSettings(stored) && stored.autoSave;
}
// What the preview shows: an old frame's label, or the frame number of a
// picture whose red is 8 x its number.
QString Shown(const CConverterDlg& dialog) {
  if (dialog.Source()->LabelShown()) return QString::fromStdString(dialog.Source()->LabelText());
  const QImage shown = dialog.PreviewWindow()->grab().toImage();
  return QString("frame %1").arg(qRound(qRed(shown.pixel(shown.rect().center())) / 8.0));
}

const std::tuple<const char*, int> kRuns[] = {
    {"to the end", 0}, {"Cancel", kIdCancelRun}, {"Close", kIdClose}};

const std::tuple<const char*, bool, L, S, bool> kOverwrites[] = {
    // stills shared; answers (1 Yes, 0 No, +2 with the box ticked); replaced; completed
    {"yes, no, yes", false, {1, 0, 1}, {"a.SQ9", "c.SQ9"}, true},
    {"yes to all", false, {3}, {"a.SQ9", "b.SQ9", "c.SQ9"}, true},
    {"no, no to all", false, {0, 2}, {}, false},
    {"shared: yes", true, {1}, {"Stills.SQ9"}, true},
    {"shared: no", true, {0}, {}, false},
    {"shared: no to all", true, {2}, {}, false}};

const std::tuple<const char*, int, bool> kPlaces[] = {
    // pixels right of the dialog; Preview before Adjust
    {"room enough", 300, true},
    {"too little room", 60, true},
    {"Adjust alone", 60, false}};

const std::tuple<const char*, const char*, const char*, bool, int, S, S, S, S> kFrames[] = {
    // file, label, field enabled, the spin's top; steps (typed text, "up" or
    // "down"); the field and what the preview shows after each (first as
    // opened); the messages
    {"video", "clip.avi", "&Frame: (of 9)", true, 9, S{"5", "12", "down", "", "0"},
     S{"5", "9", "8", "", "0"}, S{"frame 1", "frame 5", "frame 9", "frame 8", "frame 8", "frame 0"},
     S{"Please enter a positive integer."}},
    {"old sequence", "show.seq", "&Frame: (of 2)", true, 2, S{"up", "7", "1"}, S{"2", "2", "1"},
     S{"Include Frame", "frame 2", "frame 2", "Include Frame"}, S{}},
    // A frame beyond those the file holds shows its last.
    {"video longer than 65535 frames", "long.avi", "&Frame: (of 69999)", true, 69999 % 65536,
     S{"3", "69999"}, S{"3", "69999"}, S{"frame 1", "frame 3", "frame 9"}, S{}},
    {"picture", "a.bmp", "&Frame:", false, 1, S{}, S{}, S{}, S{}}};

const std::tuple<const char*, int, QSize, QString> kCompanions[] = {
    // what is done; the preview's size (empty: closed); the Adjust dialog's title ("": closed)
    {"another still marked", 1, {96, 16}, "Adjust : b.jpg"},
    {"an old sequence marked", 2, {96, 16}, ""},
    {"OK", 3, {}, ""},
    {"Cancel", 4, {}, ""},
    {"Adjust's close box", 5, {}, ""},
    {"preview's close box", 6, {}, "Adjust : a.bmp"},
    {"Browse: another sign", 7, {64, 32}, "Adjust : a.bmp"},
    {"Browse: cancelled", 8, {96, 16}, "Adjust : a.bmp"},
    {"Browse: no sign", 9, {}, ""}};

}  // namespace

class ConverterDlgTest : public DialogTest {
  Q_OBJECT

  // Row 0 marked, then Adjust.
  std::unique_ptr<CConverterDlg> OpenWithCompanions(const QString& dest) {
    auto dialog = Open(dest);
    ClickRow(*dialog, 0);
    Click(*dialog, kIdAdjust);
    return dialog;
  }
  // Typed into an edit of the Adjust dialog and left with Tab.
  static void TypeInAdjust(CAdjustDlg& adjust, int id, const QString& text) {
    adjust.activateWindow();
    // A dialog shares its owner's activation, so wait for its own.
    if (!QTest::qWaitFor([&adjust] { return QApplication::activeWindow() == &adjust; }))
      qWarning("the Adjust dialog is not active");
    Type(Control<QLineEdit>(adjust, id), text);
    QTest::keyClick(Control(adjust, id), Qt::Key_Tab);
  }
 private slots:
  // Collapsed 2 pixels above the bottom of the line over the progress area;
  // the frame and zoom controls hidden, Adjust, Preview, Convert disabled.
  // Keys that move the marks leave the buttons; a click beside the rows and
  // leaving the source field bring them up to date; typing a folder does
  // not list it. The selection buttons: an old sequence first disables
  // Adjust, None and Invert leave Convert as it was. Convert with nothing
  // marked asks about 0 files, converts nothing, and still collapses. The
  // context menu and F1 show the About box.
  void startMarksAndButtons() {
    for (const char* name : {"a.seq", "b.bmp", "c.avi"}) MakeFile(name, 10);
    auto dialog = Open(Library("8x16.RGB16MB.SIGN"));
    const q9::gui::DialogUnits du(dialog->font());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Q9100 Converter"));
    // Drawn at each size a desktop asks for, not scaled from another.
    QCOMPARE(dialog->windowIcon().availableSizes(),
             (QList<QSize>{{16, 16}, {24, 24}, {32, 32}, {48, 48}, {64, 64}, {128, 128},
                           {256, 256}}));
    QCOMPARE(dialog->size(), QSize(du.ToPixelsX(291), Collapsed(*dialog)));
    QCOMPARE(dialog->FullHeight(), du.ToPixelsY(314));
    for (int id : {kIdFrameLabel, kIdFrameEdit, kIdFrameSpin, kIdZoomIn, kIdZoomOut})
      QVERIFY(Control(*dialog, id)->isHidden());
    QCOMPARE(Enabled(*dialog, {kIdAdjust, kIdPreview, kIdConvert, kIdOverallBar}), B(4, false));
    QVERIFY(Control(*dialog, kIdOverallBar)->isVisible());
    QCOMPARE(Control(*dialog, kIdZoomIn)->accessibleName(), QStringLiteral("Zoom in"));

    auto* list = Control<QTreeWidget>(*dialog, kIdFileList);
    QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
    QVERIFY(!Marked(*dialog).isEmpty());
    QCOMPARE(RunButtons(*dialog), B(3, false));
    Type(Control<QLineEdit>(*dialog, kIdSourceDir), "/nowhere");
    list->setFocus();
    QCOMPARE(RunButtons(*dialog), (B{false, true, true}));
    QCOMPARE(Column(*dialog, 0).size(), 3);
    // A button clicked, row -n - 1 or beside the rows (0); then the rows
    // marked and which of Adjust, Preview and Convert are enabled.
    const std::tuple<int, L, B> steps[] = {{0, {}, {0, 0, 0}},
                                           {kIdSelectInvert, {0, 1, 2}, {1, 1, 0}},
                                           {kIdSelectNone, {}, {0, 0, 0}},
                                           {kIdSelectAll, {0, 1, 2}, {0, 1, 1}},
                                           {kIdSelectInvert, {}, {0, 0, 1}},
                                           {-1, {0}, {0, 1, 1}},
                                           {kIdSelectInvert, {1, 2}, {1, 1, 1}},
                                           {-2, {1}, {1, 1, 1}},
                                           {kIdSelectNone, {}, {0, 0, 1}}};
    const QPoint beside(5, list->viewport()->height() - 5);
    for (const auto& [id, marked, enabled] : steps) {
      if (id == 0) QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, beside);
      if (id < 0) ClickRow(*dialog, -id - 1);
      if (id > 0) Click(*dialog, id);
      QCOMPARE(Marked(*dialog), marked);
      QCOMPARE(RunButtons(*dialog), enabled);
      QCOMPARE(QApplication::focusWidget(), list);
    }
    m_prompts.answers = {MessageAnswer::Ok, MessageAnswer::Ok};  // the first OK box takes one
    Click(*dialog, kIdConvert);
    const QString pick = "Please select a file to preview";
    QCOMPARE(m_prompts.MessageTexts(), (S{pick, "Convert 0 files?", pick}));
    QCOMPARE(Written(), S{});
    QCOMPARE(dialog->height(), dialog->FullHeight());
    QTRY_COMPARE(dialog->height(), Collapsed(*dialog));

    QString seen;
    const auto read = [&seen](QDialog& about) {
      QCOMPARE(about.size(), q9::gui::DialogUnits(about.font()).ToPixels(0, 0, 245, 99).size());
      for (QLabel* label : about.findChildren<QLabel*>()) seen += label->text() + '\n';
      Click(about, kIdAboutOk);
    };
    m_prompts.dialogScripts = {read, read};
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, {5, 5},
                                 dialog->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(dialog.get(), &rightClick);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu && menu->actions().size() == 2);
    QCOMPARE(menu->actions()[0]->text(), QStringLiteral("&About Q9100 Converter..."));
    QCOMPARE(menu->actions()[1]->text(), QStringLiteral("&Video Extensions..."));
    menu->actions()[0]->trigger();
    menu->close();
    QTest::keyClick(dialog.get(), Qt::Key_F1);
    QCOMPARE(m_prompts.dialogTitles, std::vector<QString>(2, "About Q9100 Converter"));
    for (const char* part : {"Version 0.", "Qt 6.", "FFmpeg ", "libavformat ", "ImageMagick "})
      QVERIFY2(seen.contains(part), qPrintable(seen));
  }

  // Close takes what was typed; Escape and the close box keep what the
  // fields last gave. A directory from the command line replaces the stored one.
  void directoriesSurviveRestarts() {
    const std::tuple<int, QString, std::string> ways[] = {// 0 Close, 1 Escape, 2 close box
                                                          {0, {}, "/typed"},
                                                          {1, {}, "/old"},
                                                          {2, {}, "/old"},
                                                          {1, "/cmd", "/cmd"}};
    for (const auto& [way, commandLine, saved] : ways) {
      Store("/dst", "/old");
      CConverterDlg dialog(m_prompts, commandLine);
      dialog.show();
      auto* source = Control<QLineEdit>(dialog, kIdSourceDir);
      QCOMPARE(source->text(), commandLine.isEmpty() ? "/old" : commandLine);
      QCOMPARE(Control<QLineEdit>(dialog, kIdDestDir)->text(), QStringLiteral("/dst"));
      source->setText("/typed");
      if (way == 0) Click(dialog, kIdClose);
      if (way == 1) QTest::keyClick(&dialog, Qt::Key_Escape);
      if (way == 2) dialog.close();
      QVERIFY(!dialog.isVisible());
      QCOMPARE(Stored(kSourceValue), saved);
      QCOMPARE(Stored(kDestinationValue), std::string("/dst"));
    }
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
    QCOMPARE(request.filters[3].first + request.filters[3].second,
             QStringLiteral(".AVI (Windows Audio Video)      *.avi"));
    auto* source = Control<QLineEdit>(*dialog, kIdSourceDir);
    QCOMPARE(source->text(), QStringLiteral("/"));
    m_prompts.folders = {std::nullopt};
    Type(Control<QLineEdit>(*dialog, kIdDestDir), "/typed");
    Click(*dialog, kIdBrowseDest);
    QCOMPARE(source->text(), QStringLiteral("/Q8100"));
    QCOMPARE(Control<QLineEdit>(*dialog, kIdDestDir)->text(), QStringLiteral("/dst"));
    QCOMPARE(m_prompts.folderTitles, std::vector<QString>{"Select Q9100 Library"});
    Click(*dialog, kIdBrowseSource);
    QCOMPARE(source->text(), Path());
    QCOMPARE(Column(*dialog, 0), S{"pic.BMP"});
    QCOMPARE(QApplication::focusWidget(), Control(*dialog, kIdFileList));
    m_prompts.folders = {Path("16x96.RGB16MB.SIGN")};
    Click(*dialog, kIdBrowseDest);
    QCOMPARE(Control<QLineEdit>(*dialog, kIdDestDir)->text(), Path("16x96.RGB16MB.SIGN"));
  }

  // Listed extensions in any case, each file once; no folders, other
  // extensions or unreadable names. Size as "%5d KB", Modified in local
  // time; sorted by name, then by each header click with one direction
  // flag turning round; Modified compares times, Size compares text. A
  // sort moves only the texts: marks stay at their rows.
  void listFillsSortsAndKeepsMarks() {
    MakeFile("b.avi", 1023, {{2021, 3, 4}, {14, 30}});
    MakeFile("a.seq", 1024, {{2021, 3, 4}, {11, 0}});
    MakeFile("C.BMP", 150000 * 1024, {{1999, 12, 31}, {23, 59}});
    MakeFile("d.msg", 90000 * 1024, {{2021, 3, 4}, {0, 5}});
    MakeFile("g.tga", 2048, {{2021, 3, 4}, {12, 30}});
    MakeFile("x.txt", 1);
    QDir().mkdir(Path("e.jpg"));
    QFile::link(Path("gone"), Path("f.tga"));
    auto dialog = Open({});
    QCOMPARE(Column(*dialog, 0), (S{"a.seq", "b.avi", "C.BMP", "d.msg", "g.tga"}));
    QCOMPARE(Column(*dialog, 1), (S{"    1 KB", "    0 KB", "150000 KB", "90000 KB", "    2 KB"}));
    QCOMPARE(Column(*dialog, 2), (S{"03/04/21 11:00 AM", "03/04/21 02:30 PM", "12/31/99 11:59 PM",
                                    "03/04/21 12:05 AM", "03/04/21 12:30 PM"}));
    auto* list = Control<QTreeWidget>(*dialog, kIdFileList);
    QCOMPARE(list->headerItem()->text(1), QStringLiteral("                   Size"));
    QCOMPARE(list->columnWidth(2),
             list->fontMetrics().horizontalAdvance("Modified" + QString(18, ' ')) + 15);
    ClickRow(*dialog, 1);
    ClickRow(*dialog, 3, Qt::ControlModifier);
    const std::pair<int, S> sorts[] = {
        {SourceFileList::kName, {"g.tga", "d.msg", "C.BMP", "b.avi", "a.seq"}},
        {SourceFileList::kModified, {"C.BMP", "d.msg", "a.seq", "g.tga", "b.avi"}},
        {SourceFileList::kSize,
         {"d.msg", "C.BMP", "g.tga", "a.seq", "b.avi"}}};  // descending, as text
    for (const auto& [column, names] : sorts) {
      QHeaderView* header = list->header();
      QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                        {header->sectionViewportPosition(column) + 5, header->height() / 2});
      QCOMPARE(Column(*dialog, 0), names);
      QCOMPARE(Marked(*dialog), (L{1, 3}));
    }
  }

  // Destinations Convert questions or refuses before "Convert %d files?";
  // the progress area stays collapsed.
  void convertChecksTheDestination() {
    MakeFile("a.bmp", 10);
    const QString must = "Must have a valid sign folder.  Would you like to select one now?";
    const QString create = "Destination directory\n%1\ndoes not exist. Create?";
    const QString picked = Path("1x2.Mono1.SIGN"), made = Path("16x96.rgb16mb.sign");
    const std::tuple<QString, std::deque<MessageAnswer>, QString, S> rows[] = {
        // destination, answers, the folder picked, what was asked
        {"", {MessageAnswer::No}, "", {must, q9::convert::kNoSignFolder}},
        {"", {MessageAnswer::Yes, MessageAnswer::Cancel}, picked, {must, create.arg(picked)}},
        {made,
         {MessageAnswer::Ok, MessageAnswer::Cancel},
         "",
         {create.arg(made), "Convert 1 files?"}}};
    for (const auto& [dest, answers, folder, asked] : rows) {
      m_prompts.messages.clear();
      m_prompts.answers = answers;
      if (!folder.isEmpty()) m_prompts.folders = {folder};
      auto dialog = Open(dest);
      Click(*dialog, kIdSelectAll);
      Click(*dialog, kIdConvert);
      QCOMPARE(m_prompts.MessageTexts(), asked);
      QCOMPARE(dialog->height(), Collapsed(*dialog));
    }
    QVERIFY(!QFileInfo::exists(picked) && QFileInfo(made).isDir());
  }

  // Two stills, a video and an old sequence; to the end the stills go into
  // one shared sequence. The dialog grows for the run, shows the wait
  // cursor, takes input only in the list, Cancel and Close while a file
  // converts, and collapses after it. Cancel or Close during the video stops
  // it before its next frame: the files before it stay, the video leaves
  // nothing, the file after it is not converted; Close then ends the dialog
  // and saves. What is written is what the run without a window writes.
  void runs_data() { AddRows(kRuns); }
  void runs() {
    QFETCH(int, row);
    const int stop = std::get<1>(kRuns[row]);
    QVERIFY(ps::WriteColourVideo(Path("clip.avi"), {64, 48}, 30));
    QVERIFY(Copy("quad.bmp", "a.bmp") && Copy("quad.jpg", "b.jpg"));
    QVERIFY(ps::WriteOldSequence(Path("old.seq"), kOldSign, 16));
    q9::convert::RecordingHost host;
    q9::convert::SourceMedia media(&host);
    q9::convert::ConversionBatch batch(media, host);
    batch.SetSourceDirectory(m_in->Path());
    batch.SetDestinationDirectory(Out("", "ref/"));
    batch.SetMarkedNames(stop ? std::vector<std::string>{"a.bmp", "b.jpg"} : m_in->List());
    batch.SetGeometry(kOldSign);
    batch.SetPolicy(q9::convert::BatchPolicy::Unattended(false));
    batch.SetStillImagesOptions(!stop, "Stills");
    batch.Run();
    auto dialog = Open(Library("8x16.RGB16MB.SIGN"));
    dialog->SetStillImagesOptions(!stop, "Stills");
    Store("", "");  // what Close saves shows
    B during;
    WhenReady probe([&] {
      if (!Control<QLabel>(*dialog, kIdConvertingPath)->text().endsWith("clip.avi") ||
          Control<QProgressBar>(*dialog, kIdFileBar)->value() <= 2)
        return false;
      during = Enabled(*dialog, {kIdSelectAll, kIdSelectNone, kIdSelectInvert, kIdSourceDir,
                                 kIdBrowseSource, kIdDestDir, kIdBrowseDest, kIdAdjust, kIdPreview,
                                 kIdConvert, kIdFileList, kIdCancelRun, kIdClose, kIdOverallBar});
      // The selection buttons stay in sight, greyed.
      for (int id : {kIdSelectAll, kIdSelectNone, kIdSelectInvert})
        during << Control(*dialog, id)->isVisible();
      during << (dialog->height() == dialog->FullHeight())
             << (QApplication::overrideCursor() &&
                 QApplication::overrideCursor()->shape() == Qt::WaitCursor);
      if (stop) Click(*dialog, stop);
      return true;
    });
    Run(*dialog);
    QCOMPARE(during, B(10, false) + B(9, true));
    QCOMPARE(m_prompts.MessageTexts(),
             (stop ? S{"Convert 4 files?"} : S{"Convert 4 files?", "Conversion Complete!"}));
    QCOMPARE(Written(), (stop ? S{"a.SQ9", "b.SQ9"} : S{"StillsSQ9", "clip.SQ9", "old.SQ9"}));
    for (const QString& file : Written())
      QVERIFY2(
          pt::ReadBytes(Out(file.toStdString())) == pt::ReadBytes(Out(file.toStdString(), "ref/")),
          qPrintable(file));
    QCOMPARE(dialog->isVisible(), stop != kIdClose);
    QCOMPARE(Stored(kSourceValue), stop == kIdClose ? m_in->Path() : "");
    auto* overall = Control<QProgressBar>(*dialog, kIdOverallBar);
    QCOMPARE(overall->value() == overall->maximum(), !stop);
    QCOMPARE(Control<QLabel>(*dialog, kIdConvertingPath)->text(), QString());
    for (int id : {kIdSelectAll, kIdSelectInvert, kIdBrowseSource, kIdSourceDir, kIdDestDir,
                   kIdBrowseDest, kIdAdjust, kIdConvert})
      QVERIFY(!Control(*dialog, id)->isHidden() && Control(*dialog, id)->isEnabled());
    QVERIFY(!QApplication::overrideCursor() && !dialog->IsConverting());
    QCOMPARE(dialog->height(), dialog->FullHeight());
    QTRY_COMPARE(dialog->height(), Collapsed(*dialog));
  }

  // No keeps the file exactly as it was, also the shared still sequence;
  // No with "&Apply to all files" stops the run; Yes with it asks no more.
  void overwriteAnswers_data() { AddRows(kOverwrites); }
  void overwriteAnswers() {
    QFETCH(int, row);
    const auto& [name, stills, answers, replaced, complete] = kOverwrites[row];
    const S existing = stills ? S{"Stills.SQ9"} : S{"a.SQ9", "b.SQ9", "c.SQ9"};
    for (const char* source : {"a.bmp", "b.bmp", "c.bmp"}) QVERIFY(Copy("quad.bmp", source));
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    for (const QString& file : existing) pt::WriteBytes(Out(file.toStdString()), old);
    auto dialog = Open(Library("8x16.RGB16MB.SIGN"));
    if (stills) dialog->SetStillImagesOptions(true, "Stills.bmp");
    S asked;
    for (int answer : answers)
      m_prompts.dialogScripts.push_back([&asked, answer](QDialog& overwrite) {
        asked << Control<QLabel>(overwrite, kIdOverwriteMessage)->text();
        QCOMPARE(overwrite.size(),
                 q9::gui::DialogUnits(overwrite.font()).ToPixels(0, 0, 235, 66).size());
        if (answer & 2)
          QTest::mouseClick(Control<QCheckBox>(overwrite, kIdApplyToAll), Qt::LeftButton);
        Click(overwrite, answer & 1 ? kIdOverwriteYes : kIdOverwriteNo);
      });
    Run(*dialog);
    QCOMPARE(m_prompts.dialogTitles, std::vector<QString>(answers.size(), "Overwrite File?"));
    for (qsizetype i = 0; i < answers.size(); ++i)
      QCOMPARE(asked[i], "The file \"" + existing[i] + "\" already exists. Overwrite?");
    for (const QString& file : existing)
      QVERIFY2((pt::ReadBytes(Out(file.toStdString())) == old) != replaced.contains(file),
               qPrintable(file));
    QCOMPARE(m_prompts.MessageTexts().contains("Conversion Complete!"), complete);
    QCOMPARE(Written(), existing);
  }

  // The preview opens beside the dialog, half its height down the screen; a
  // dialog too close to the screen's right edge moves left first, 25 pixels
  // further than it must. Each zoom step resizes the preview, half a pixel a
  // bulb. Adjust moves the dialog to (25, 50) and opens beside it; a preview
  // it opens sits under the destination Browse button, right-aligned with
  // it, and one already open moves to line up with the dialog's right edge.
  // The source window follows the zoom.
  void companionsOpenInPlace_data() { AddRows(kPlaces); }
  void companionsOpenInPlace() {
    QFETCH(int, row);
    const auto& [name, room, previewFirst] = kPlaces[row];
    QVERIFY(Copy("quad.bmp", "a.bmp"));
    auto dialog = Open(Library());
    const QRect screen = dialog->screen()->availableGeometry();
    dialog->move(RightOf(screen) - dialog->frameGeometry().width() - room, screen.y() + 40);
    const QRect before = dialog->frameGeometry();
    ClickRow(*dialog, 0);
    if (previewFirst) {
      Click(*dialog, kIdPreview);
      q9::preview::CQ9PreviewWnd* preview = dialog->PreviewWindow();
      QCOMPARE(preview->windowTitle(), QStringLiteral("Preview : 16x96.RGB16MB"));
      QCOMPARE(dialog->frameGeometry(), before.translated(room < 96 ? room - 96 - 25 : 0, 0));
      QCOMPARE(preview->pos(),
               QPoint(RightOf(dialog->frameGeometry()) + 1, screen.y() + before.height() / 2));
      QCOMPARE(preview->size(), QSize(96, 16));
      // Out past the least zoom, in past the most, out again.
      for (int width : {48, 48, 96, 144, 192, 192, 144, 96}) {
        Click(*dialog, width == 48 || preview->width() > width ? kIdZoomOut : kIdZoomIn);
        QCOMPARE(preview->size(), QSize(width, width / 6));
      }
    }
    Click(*dialog, kIdAdjust);
    CAdjustDlg* adjust = dialog->AdjustDialog();
    const QRect frame = dialog->frameGeometry();
    QCOMPARE(frame.topLeft(), screen.topLeft() + QPoint(25, 50));
    QCOMPARE(adjust->pos(), QPoint(RightOf(frame) + 1, frame.y()));
    QCOMPARE(adjust->windowTitle(), QStringLiteral("Adjust : a.bmp"));
    QCOMPARE(adjust->Source(), dialog->Source());
    const QWidget* browse = Control(*dialog, kIdBrowseDest);
    const QPoint under = browse->mapToGlobal(QPoint(browse->width(), browse->height() + 15));
    const QRect preview = dialog->PreviewWindow()->frameGeometry();
    QCOMPARE(preview.topLeft(),
             QPoint(previewFirst ? RightOf(frame) - preview.width() : under.x() - 96, under.y()));
    Click(*dialog, kIdZoomIn);  // quad.bmp is 16 x 12
    QCOMPARE(adjust->SourceWindow()->size(), QSize(24, 18));
    QCOMPARE(dialog->PreviewWindow()->size(), QSize(144, 24));
  }

  // The label tells the last frame; the spin steps within 1 .. its low 16
  // bits; a typed number above the last frame becomes the last, 0 passes as
  // it is, and an empty field is refused and keeps the frame. Stills show
  // the frame controls disabled.
  void framesStep_data() { AddRows(kFrames); }
  void framesStep() {
    QFETCH(int, row);
    const auto& [name, file, label, enabled, high, steps, fields, shown, messages] = kFrames[row];
    QVERIFY(Copy("quad.bmp", "a.bmp"));
    QVERIFY(ps::WriteColourVideo(Path("clip.avi"), {64, 48}, 10));
    QVERIFY(ps::WriteOldSequence(Path("show.seq"), kOldSign, 16));
    std::vector<uint8_t> avi = pt::ReadBytes(In("clip.avi"));
    QVERIFY(pt::PatchStrh(avi, "vids", pt::kStrhLength, 70000));
    pt::WriteBytes(In("long.avi"), avi);
    auto dialog = Open(Library());
    ClickRow(*dialog, int(Column(*dialog, 0).indexOf(file)));
    Click(*dialog, kIdPreview);
    for (int id : {kIdFrameLabel, kIdFrameEdit, kIdFrameSpin, kIdZoomIn, kIdZoomOut})
      QVERIFY(!Control(*dialog, id)->isHidden());
    QCOMPARE(Control<QLabel>(*dialog, kIdFrameLabel)->text(), QString(label));
    auto* edit = Control<QLineEdit>(*dialog, kIdFrameEdit);
    QCOMPARE(edit->isEnabled(), enabled);
    QCOMPARE(Control<q9::gui::UpDown>(*dialog, kIdFrameSpin)->High(), high);
    QCOMPARE(edit->text(), QStringLiteral("1"));
    if (!shown.isEmpty()) QCOMPARE(Shown(*dialog), shown[0]);
    for (qsizetype i = 0; i < steps.size(); ++i) {
      if (steps[i] == "up" || steps[i] == "down")
        QTest::keyClick(edit, steps[i] == "up" ? Qt::Key_Up : Qt::Key_Down);
      else
        Type(edit, steps[i]);
      QCOMPARE(edit->text(), fields[i]);
      QCOMPARE(Shown(*dialog), shown[i + 1]);
    }
    QCOMPARE(m_prompts.MessageTexts(), messages);
    // The next file previewed starts at its first frame.
    ClickRow(*dialog, int(Column(*dialog, 0).indexOf(row ? "clip.avi" : "show.seq")));
    QCOMPARE(edit->text(), QStringLiteral("1"));
  }

  // With both companions open (and the brightness typed): marking another
  // still re-attaches the Adjust dialog; marking an old sequence closes it
  // unsaved, without taking the preview along, and disables Adjust. Closing
  // the Adjust dialog, whichever way, closes the preview with it; closing the
  // preview leaves the Adjust dialog; the frame and zoom controls go with the
  // preview. After the destination Browse, chosen or not, the source's
  // settings are the defaults and both companions show it again; a folder
  // without a sign closes both.
  void companionsFollow_data() { AddRows(kCompanions); }
  void companionsFollow() {
    QFETCH(int, row);
    const auto& [name, action, previewSize, title] = kCompanions[row];
    QVERIFY(Copy("quad.bmp", "a.bmp") && Copy("quad.jpg", "b.jpg"));
    QVERIFY(ps::WriteOldSequence(Path("c.seq"), kOldSign, 16));
    auto dialog = OpenWithCompanions(Library());
    const QPointer<CAdjustDlg> adjust = dialog->AdjustDialog();
    TypeInAdjust(*adjust, 1049, "90");  // Brt
    QCOMPARE(dialog->Source()->Brightness, 90);
    if (action <= 2) ClickRow(*dialog, action);
    if (action == 3 || action == 4) Click(*adjust, action - 2);
    if (action == 5) adjust->close();
    if (action == 6) dialog->PreviewWindow()->close();
    if (action >= 7) {
      const char* signs[] = {"32x64.RGB16MB.SIGN", nullptr, "plain"};
      m_prompts.folders = {signs[action - 7] ? std::optional(Library(signs[action - 7]))
                                             : std::nullopt};
      Click(*dialog, kIdBrowseDest);
      QCOMPARE(dialog->Source()->Brightness, 64);
      if (!title.isEmpty())
        QCOMPARE(Control<QLineEdit>(*adjust, 1049)->text(), QStringLiteral("64"));
    }
    QCOMPARE(dialog->PreviewWindow() ? dialog->PreviewWindow()->size() : QSize(), previewSize);
    QTRY_COMPARE(Control(*dialog, kIdFrameEdit)->isHidden(), previewSize.isEmpty());
    QCOMPARE(Control(*dialog, kIdZoomIn)->isHidden(), previewSize.isEmpty());
    QCOMPARE(dialog->AdjustDialog(), title.isEmpty() ? nullptr : adjust.data());
    QCOMPARE(dialog->AdjustDialog() ? adjust->windowTitle() : QString(), title);
    QCOMPARE(SourcePath(*dialog), In(action == 1 ? "b.jpg" : action == 2 ? "c.seq" : "a.bmp"));
    QCOMPARE(Control(*dialog, kIdAdjust)->isEnabled(), action != 2);
    QCOMPARE(AutoSaveStored(), action == 3);
    QCOMPARE(m_prompts.MessageTexts(), action == 9 ? S{q9::convert::kNoSignFolder} : S{});
  }

  // A run closes the Adjust dialog as its OK does and keeps the preview,
  // moved beside the dialog when it covers a progress bar. Clicks in the
  // list during the run change only the marks. At the end the preview
  // shows the first marked file, and closing a new Adjust dialog closes the
  // preview again.
  void runKeepsThePreview_data() {
    QTest::addColumn<int>("zoomSteps");
    QTest::newRow("over the bars") << 2;
    QTest::newRow("clear of the bars") << 0;
  }
  void runKeepsThePreview() {
    QFETCH(int, zoomSteps);
    QVERIFY(Copy("quad.bmp", "a.bmp") && Copy("quad.jpg", "b.jpg"));
    auto dialog = OpenWithCompanions(Library("64x192.RGB16MB.SIGN"));
    Click(*dialog, kIdSelectAll);  // the preview opens a.bmp at zoom 2.0 again
    for (int i = 0; i < zoomSteps; ++i) Click(*dialog, kIdZoomIn);
    const QPoint before = dialog->PreviewWindow()->pos();
    QPoint during, beside;
    bool adjustOpen = true;
    B buttons;
    WhenReady probe([&] {
      if (!dialog->IsConverting() || !dialog->PreviewWindow()) return false;
      during = dialog->PreviewWindow()->pos();
      const QRect frame = dialog->frameGeometry();
      beside = QPoint(RightOf(frame) + 1, frame.y() + frame.height() / 2);
      adjustOpen = dialog->AdjustDialog() != nullptr;
      ClickRow(*dialog, 1);
      buttons = RunButtons(*dialog);
      return true;
    });
    m_prompts.answers = {MessageAnswer::Ok};
    Click(*dialog, kIdConvert);
    QVERIFY(!adjustOpen);
    QCOMPARE(buttons, B(3, false));
    QCOMPARE(during, zoomSteps ? beside : before);
    QCOMPARE(Marked(*dialog), L{1});
    QCOMPARE(m_prompts.MessageTexts(), (S{"Convert 2 files?", "Conversion Complete!"}));
    QVERIFY(AutoSaveStored());
    QCOMPARE(SourcePath(*dialog), In("b.jpg"));
    QVERIFY(dialog->PreviewWindow());
    Click(*dialog, kIdAdjust);
    dialog->AdjustDialog()->close();
    QVERIFY(!dialog->PreviewWindow());
  }

  // The capture rectangle, brightness and contrast typed and a mirror
  // chosen in the Adjust dialog, and for a video frame 5: the preview's
  // picture is the frame's bulbs in the written sequence, bulb for bulb.
  void previewShowsWhatTheRunWrites_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("frame");
    QTest::newRow("picture") << "pic.bmp" << 1;
    QTest::newRow("video frame 5") << "clip.avi" << 5;
  }
  void previewShowsWhatTheRunWrites() {
    QFETCH(QString, file);
    QFETCH(int, frame);
    QVERIFY(frame == 1
                ? ps::WritePicture(Path(file), {160, 120},
                                   [](int x, int y) { return qRgb(x * 7, y * 5, (x + y) * 3); })
                : pt::Ffmpeg("-f lavfi -i testsrc2=size=160x120:rate=25 -t 0.32 -c:v mjpeg '" +
                             In(file.toStdString()) + "'"));
    const QString dest = Library("32x64.RGB16MB.SIGN");
    auto dialog = OpenWithCompanions(dest);
    CAdjustDlg& adjust = *dialog->AdjustDialog();
    QTest::mouseClick(Control<QCheckBox>(adjust, 1009), Qt::LeftButton);  // Keep Aspect off
    // Height, Width, X Pos, Y Pos, Brt, Con.
    const std::pair<int, const char*> typed[] = {{1053, "70"}, {1054, "120"}, {1055, "25"},
                                                 {1056, "30"}, {1049, "84"},  {1050, "50"}};
    for (const auto& [id, text] : typed) TypeInAdjust(adjust, id, text);
    adjust.Commands().Action(32772)->trigger();  // "&Reverse"
    if (frame != 1) Type(Control<QLineEdit>(*dialog, kIdFrameEdit), QString::number(frame));
    QCOMPARE(dialog->Source()->CaptureRect.Width(), 120);
    QVERIFY(dialog->Source()->CommandMask & q9::adjust::kCmdReverse);
    const QImage shown =
        dialog->PreviewWindow()->grab().toImage().convertToFormat(QImage::Format_RGB888);
    Run(*dialog);
    QCOMPARE(m_prompts.MessageTexts().last(), QStringLiteral("Conversion Complete!"));
    q9::platform::Sq9Contents written;
    std::string error;
    const QString name = dest + "/" + file.section('.', 0, 0) + ".SQ9";
    QVERIFY2(q9::platform::ReadSq9File(name.toStdString(), written, error), error.c_str());
    QVERIFY(written.frames.size() > size_t(frame));
    const std::vector<uint8_t>& bulbs = written.frames[size_t(frame)].bulbs;
    if (frame != 1) QVERIFY(bulbs != written.frames[1].bulbs);
    // The bulb converter's picture of the written bulbs: 24-bit, bottom-up.
    namespace pf = q9::platform;
    uint32_t size = 0;
    QCOMPARE(pf::CalcBulbDIBSize(32, 64, pf::Q9_RGB16MB, &size), pf::kBulbCvOk);
    std::vector<uint8_t> header(pf::kDibHeaderBlockSize), bits(size);
    QCOMPARE(pf::Bulb2DIB(bulbs.data(), uint32_t(bulbs.size()), 32, 64, pf::Q9_RGB16MB,
                          header.data(), bits.data(), size, pf::kBulbDibOption24Bit),
             pf::kBulbCvOk);
    QCOMPARE(shown, QImage(bits.data(), 64, 32, 64 * 3, QImage::Format_BGR888)
                        .mirrored()
                        .convertToFormat(QImage::Format_RGB888));
    QSet<QRgb> colours;
    for (int i = 0; i < 64 * 32; ++i) colours << shown.pixel(i % 64, i / 64);
    QVERIFY(colours.size() > 8);
  }
};

Q9_APP_TEST_MAIN(ConverterDlgTest)
#include "converter_dlg_test.moc"
