// The main dialog as a user meets it before any run: what it shows at
// start, how the two directories survive from one start to the next, the
// Browse commands, the About box, and the destinations Convert refuses.

#include <QContextMenuEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <memory>

#include "app/converter_dlg.h"
#include "app/testing/app_test_support.h"
#include "gui/dialog_units.h"
#include "gui/testing/scripted_prompts.h"
#include "platform/video/test_media.h"

using namespace q9::app;
using namespace q9::app::test;
using q9::convert::MessageAnswer;
using q9::gui::ScriptedPrompts;

namespace {

enum class Closing { CloseButton, Escape, CloseBox };

}  // namespace

Q_DECLARE_METATYPE(Closing)

class ConverterDlgTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TempSettings> m_settings;
  std::unique_ptr<q9::platform::test::TempDir> m_dir;
  ScriptedPrompts m_prompts;

  std::string Dir(const std::string& name = {}) const {
    return name.empty() ? m_dir->Path() : m_dir->File(name);
  }
  QString QPath(const std::string& name = {}) const { return QString::fromStdString(Dir(name)); }

 private slots:
  void init() {
    m_settings = std::make_unique<TempSettings>();
    m_dir = std::make_unique<q9::platform::test::TempDir>();
    m_prompts = ScriptedPrompts();
  }
  void cleanup() {
    QVERIFY2(m_prompts.unanswered.isEmpty(), qPrintable(m_prompts.unanswered.join('\n')));
  }

  // Every control of the template at its place, with its text, and hidden
  // or disabled as the dialog starts.
  void controlsAtStart_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("units");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<bool>("enabled");
    const auto row = [](int id, const char* text, QRect units, bool shown, bool enabled) {
      QTest::newRow(qPrintable(QString::number(id)))
          << id << QString(text) << units << shown << enabled;
    };
    row(kIdSourceDir, "", {7, 14, 222, 13}, true, true);
    row(kIdBrowseSource, "&Browse", {237, 14, 49, 13}, true, true);
    row(kIdFileList, "", {7, 43, 222, 139}, true, true);
    row(kIdSelectAll, "Select &All", {237, 43, 49, 13}, true, true);
    row(kIdSelectNone, "Select &None", {237, 56, 49, 13}, true, true);
    row(kIdSelectInvert, "Select &Invert", {237, 69, 49, 13}, true, true);
    row(kIdAdjust, "A&djust", {237, 90, 49, 13}, true, false);
    row(kIdPreview, "&Preview", {237, 103, 49, 13}, true, false);
    row(kIdFrameLabel, "&Frame: (of 9999)", {237, 122, 52, 8}, false, false);
    row(kIdFrameEdit, "1", {238, 131, 39, 12}, false, false);
    row(kIdFrameSpin, "", {275, 130, 11, 12}, false, false);
    row(kIdZoomIn, "", {238, 146, 14, 12}, false, false);
    row(kIdZoomOut, "", {252, 146, 14, 12}, false, false);
    row(kIdConvert, "&Convert", {237, 169, 49, 13}, true, false);
    row(kIdDestDir, "", {7, 201, 222, 13}, true, true);
    row(kIdBrowseDest, "B&rowse", {237, 201, 49, 13}, true, true);
    row(kIdClose, "C&lose", {237, 220, 49, 13}, true, true);
    row(kIdProgressRule, "", {6, 241, 279, 1}, true, true);
    row(kIdStatusLine, "", {47, 245, 239, 8}, true, true);
    row(kIdConvertingLabel, "Converting:", {6, 254, 41, 8}, true, false);
    row(kIdConvertingPath, "", {47, 254, 239, 8}, true, false);
    row(kIdFileBar, "", {6, 265, 280, 7}, true, false);
    row(kIdOverallLabel, "Overall:", {6, 274, 50, 8}, true, false);
    row(kIdOverallBar, "", {6, 282, 280, 7}, true, false);
    row(kIdCancelRun, "Cancel", {6, 295, 49, 13}, true, true);
  }
  void controlsAtStart() {
    QFETCH(int, id);
    QFETCH(QString, text);
    QFETCH(QRect, units);
    QFETCH(bool, shown);
    QFETCH(bool, enabled);
    CConverterDlg dialog(m_prompts);
    QWidget* control = Control(dialog, id);
    const q9::gui::DialogUnits du(dialog.font());
    QRect expected = du.ToPixels(units.x(), units.y(), units.width(), units.height());
    if (id == kIdProgressRule) expected.setHeight(std::max(expected.height(), 2));
    QCOMPARE(control->geometry(), expected);
    QString shownText;
    if (auto* label = qobject_cast<QLabel*>(control)) shownText = label->text();
    if (auto* button = qobject_cast<QPushButton*>(control)) shownText = button->text();
    if (auto* edit = qobject_cast<QLineEdit*>(control)) shownText = edit->text();
    QCOMPARE(shownText, text);
    QCOMPARE(control->isVisibleTo(&dialog), shown);
    QCOMPARE(control->isEnabled(), enabled);
  }

  // The dialog starts cut off 2 pixels above the bottom of the line over
  // the progress area: the progress area and Cancel lie below its edge.
  void startsCollapsedWithCaptionIconAndLabels() {
    CConverterDlg dialog(m_prompts);
    const q9::gui::DialogUnits du(dialog.font());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Q9100 Converter"));
    QVERIFY(!dialog.windowIcon().isNull());
    QCOMPARE(dialog.width(), du.ToPixelsX(291));
    QCOMPARE(dialog.FullHeight(), du.ToPixelsY(314));
    const QRect rule = Control(dialog, kIdProgressRule)->geometry();
    QCOMPARE(dialog.height(), rule.y() + rule.height() - 2);
    QVERIFY(Control(dialog, kIdCancelRun)->geometry().top() >= dialog.height());
    QCOMPARE(Control(dialog, kIdZoomIn)->accessibleName(), QStringLiteral("Zoom in"));
    QCOMPARE(Control(dialog, kIdZoomOut)->accessibleName(), QStringLiteral("Zoom out"));
    QVERIFY(!Control<QPushButton>(dialog, kIdZoomIn)->icon().isNull());
    QVERIFY(Control<QPushButton>(dialog, kIdConvert)->isDefault());
    // Labels name the control after them and their mnemonics reach it.
    QCOMPARE(Control(dialog, kIdSourceDir)->accessibleName(), QStringLiteral("Source Directory:"));
    QCOMPARE(Control(dialog, kIdDestDir)->accessibleName(),
             QStringLiteral("Q9 Destination Directory:"));
    QCOMPARE(Control(dialog, kIdFileList)->accessibleName(),
             QStringLiteral("Mark Files to Convert"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClick(&dialog, Qt::Key_9, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), Control(dialog, kIdDestDir));
    QTest::keyClick(&dialog, Qt::Key_S, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), Control(dialog, kIdSourceDir));
  }

  // What the fields show at start, and what is stored when the dialog
  // ends: Close takes what was typed, Escape and the close box keep what
  // the fields last gave (here at start).
  void directoriesSurviveRestarts_data() {
    QTest::addColumn<bool>("stored");
    QTest::addColumn<QString>("commandLineSource");
    QTest::addColumn<QString>("expectedSourceField");
    QTest::addColumn<Closing>("closing");
    QTest::addColumn<QString>("savedSource");
    QTest::addColumn<QString>("savedDest");
    QTest::newRow("nothing stored, Close") << false << ""
                                           << "" << Closing::CloseButton << "/typed/src"
                                           << "/typed/dst";
    QTest::newRow("stored, Close takes the typing")
        << true << ""
        << "/old/src" << Closing::CloseButton << "/typed/src"
        << "/typed/dst";
    QTest::newRow("stored, Escape keeps the members") << true << ""
                                                      << "/old/src" << Closing::Escape << "/old/src"
                                                      << "/old/dst";
    QTest::newRow("stored, close box keeps the members")
        << true << ""
        << "/old/src" << Closing::CloseBox << "/old/src"
        << "/old/dst";
    QTest::newRow("command-line source replaces the stored one")
        << true << "/cmd/src"
        << "/cmd/src" << Closing::Escape << "/cmd/src"
        << "/old/dst";
  }
  void directoriesSurviveRestarts() {
    QFETCH(bool, stored);
    QFETCH(QString, commandLineSource);
    QFETCH(QString, expectedSourceField);
    QFETCH(Closing, closing);
    QFETCH(QString, savedSource);
    QFETCH(QString, savedDest);
    if (stored) m_settings->Store("/old/dst", "/old/src");
    CConverterDlg dialog(m_prompts, commandLineSource);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto* source = Control<QLineEdit>(dialog, kIdSourceDir);
    auto* dest = Control<QLineEdit>(dialog, kIdDestDir);
    QCOMPARE(source->text(), expectedSourceField);
    QCOMPARE(dest->text(), stored ? QStringLiteral("/old/dst") : QString());
    source->setText("/typed/src");
    dest->setText("/typed/dst");
    switch (closing) {
      case Closing::CloseButton:
        Click(dialog, kIdClose);
        break;
      case Closing::Escape:
        QTest::keyClick(&dialog, Qt::Key_Escape);
        break;
      case Closing::CloseBox:
        dialog.close();
        break;
    }
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(),
             closing == Closing::CloseButton ? int(QDialog::Accepted) : int(QDialog::Rejected));
    QCOMPARE(m_settings->Read(kSourceValue), savedSource.toStdString());
    QCOMPARE(m_settings->Read(kDestinationValue), savedDest.toStdString());
  }

  // The source Browse: the open-file dialog with the filters, started from
  // the source directory (a short one gets "Q8100"); the chosen file's
  // folder becomes the source and fills the list.
  void browseSource_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("initialFile");
    QTest::addColumn<bool>("choose");
    QTest::addColumn<QString>("savedAfterEscape");
    QTest::newRow("short directory, cancelled") << "/"
                                                << "/Q8100" << false << "/Q8100";
    QTest::newRow("empty, cancelled") << ""
                                      << "Q8100" << false << "Q8100";
    QTest::newRow("a folder, a file chosen") << "/some/where"
                                             << "/some/where" << true << "<dir>";
  }
  void browseSource() {
    QFETCH(QString, start);
    QFETCH(QString, initialFile);
    QFETCH(bool, choose);
    QFETCH(QString, savedAfterEscape);
    QVERIFY(CopyTestImage("quad.bmp", Dir("pic.BMP")));
    m_settings->Store("", start);
    CConverterDlg dialog(m_prompts);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    m_prompts.files.push_back(choose ? std::optional(QPath("pic.BMP")) : std::nullopt);
    Click(dialog, kIdBrowseSource);
    QCOMPARE(m_prompts.fileRequests.size(), size_t(1));
    const q9::gui::OpenFileRequest& request = m_prompts.fileRequests[0];
    QCOMPARE(request.initialFile, initialFile);
    QCOMPARE(request.defaultSuffix, QStringLiteral("seq"));
    QCOMPARE(request.filters.size(), size_t(16));
    QCOMPARE(request.filters[0].first, QStringLiteral("(All Valid Files)               "));
    QCOMPARE(request.filters[0].second,
             QStringLiteral("*.seq;*msg;*.avi;*.bmp;*.cmp;*.dib;*.eps;*.jpg;*.mac;*.pcd;*.pct;"
                            "*.pcx;*.psd;*.tga;*.tif;*.wpg"));
    QCOMPARE(request.filters[2].first, QStringLiteral("Q8100 Message (*.msg) "));
    QCOMPARE(request.filters[15].first, QStringLiteral(".WPG (Word Perfect Graphics)    "));
    QCOMPARE(Control<QLineEdit>(dialog, kIdSourceDir)->text(), choose ? QPath() : start);
    QCOMPARE(ListColumn(dialog, 0), choose ? QStringList{"pic.BMP"} : QStringList{});
    if (choose) QCOMPARE(QApplication::focusWidget(), Control(dialog, kIdFileList));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QCOMPARE(QString::fromStdString(m_settings->Read(kSourceValue)),
             savedAfterEscape == "<dir>" ? QPath() : savedAfterEscape);
  }

  // The destination Browse: "Select Q9100 Library"; a chosen folder fills
  // the field, and either way the fields show the members again.
  void browseDestination() {
    m_settings->Store("/old/dst", "/old/src");
    CConverterDlg dialog(m_prompts);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto* source = Control<QLineEdit>(dialog, kIdSourceDir);
    auto* dest = Control<QLineEdit>(dialog, kIdDestDir);
    source->setText("/typed/src");
    m_prompts.folders = {std::nullopt, QStringLiteral("/new/16x96.RGB16MB.SIGN")};
    Click(dialog, kIdBrowseDest);
    QCOMPARE(m_prompts.folderTitles, std::vector<QString>{"Select Q9100 Library"});
    QCOMPARE(dest->text(), QStringLiteral("/old/dst"));
    QCOMPARE(source->text(), QStringLiteral("/old/src"));
    QCOMPARE(QApplication::focusWidget(), Control(dialog, kIdFileList));
    Click(dialog, kIdBrowseDest);
    QCOMPARE(dest->text(), QStringLiteral("/new/16x96.RGB16MB.SIGN"));
  }

  // The About box, from the background's context menu and from F1.
  void aboutBox() {
    CConverterDlg dialog(m_prompts);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QStringList seen;
    const auto readAndClose = [&seen](QDialog& about) {
      for (QLabel* label : about.findChildren<QLabel*>()) seen << label->text();
      QTest::mouseClick(Control<QPushButton>(about, 1), Qt::LeftButton);
    };
    m_prompts.dialogScripts = {readAndClose, readAndClose};
    const QPoint background(5, Control(dialog, kIdConvert)->geometry().bottom());
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, background,
                                 dialog.mapToGlobal(background));
    QApplication::sendEvent(&dialog, &rightClick);
    QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QCOMPARE(menu->actions().size(), 1);
    QCOMPARE(menu->actions()[0]->text(), QStringLiteral("&About Q9100 Converter..."));
    menu->actions()[0]->trigger();
    menu->close();
    QTest::keyClick(&dialog, Qt::Key_F1);
    QCOMPARE(m_prompts.dialogTitles,
             std::vector<QString>(2, QStringLiteral("About Q9100 Converter")));
    const QString text = seen.join('\n');
    QVERIFY2(text.contains("Q9100 Converter\nVersion "), qPrintable(text));
    QVERIFY2(text.contains("Qt " + QString(qVersion())), qPrintable(text));
    QVERIFY2(text.contains("FFmpeg "), qPrintable(text));
    QVERIFY2(text.contains("ImageMagick "), qPrintable(text));
  }

  // Destinations Convert refuses or questions before it asks to convert.
  void convertChecksTheDestination_data() {
    QTest::addColumn<QString>("dest");          // "<dir>/" stands for the test's folder
    QTest::addColumn<QList<int>>("answers");    // MessageAnswer values, in order
    QTest::addColumn<QString>("pickedFolder");  // "" for no folder picker
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("libraryMade");
    const QString bad =
        "Could not determine exact Q9100 dimensions and type!.\nCheck the destination directory.";
    const QString must = "Must have a valid sign folder.  Would you like to select one now?";
    const QString create =
        "Destination directory\n<dir>/16x96.RGB16MB.SIGN\ndoes not exist. Create?";
    const int no = int(MessageAnswer::No), yes = int(MessageAnswer::Yes);
    const int ok = int(MessageAnswer::Ok), cancel = int(MessageAnswer::Cancel);
    QTest::newRow("empty, not chosen")
        << "" << QList<int>{no} << "" << QStringList{must, bad} << false;
    QTest::newRow("empty, chosen, not created")
        << "" << QList<int>{yes, cancel} << "<dir>/16x96.RGB16MB.SIGN" << QStringList{must, create}
        << false;
    QTest::newRow("capital X") << "<dir>/16X96.RGB16MB.SIGN" << QList<int>{} << ""
                               << QStringList{bad} << false;
    QTest::newRow("trailing slash")
        << "<dir>/16x96.RGB16MB.SIGN/" << QList<int>{} << "" << QStringList{bad} << false;
    QTest::newRow("unknown colour")
        << "<dir>/16x96.RGB.SIGN" << QList<int>{} << "" << QStringList{bad} << false;
    QTest::newRow("created, then not converted")
        << "<dir>/16x96.RGB16MB.SIGN" << QList<int>{ok, cancel} << ""
        << QStringList{create, "Convert 1 files?"} << true;
    QTest::newRow("parent missing: not made, not told")
        << "<dir>/none/16x96.RGB16MB.SIGN" << QList<int>{ok, cancel} << ""
        << QStringList{QString(create).replace("<dir>/", "<dir>/none/"), "Convert 1 files?"}
        << false;
  }
  void convertChecksTheDestination() {
    QFETCH(QString, dest);
    QFETCH(QList<int>, answers);
    QFETCH(QString, pickedFolder);
    QFETCH(QStringList, messages);
    QFETCH(bool, libraryMade);
    const auto here = [this](QString text) { return text.replace("<dir>", QPath()); };
    QVERIFY(CopyTestImage("quad.bmp", Dir("a.bmp")));
    m_settings->Store(here(dest), QPath());
    CConverterDlg dialog(m_prompts);
    dialog.show();
    for (int answer : answers) m_prompts.answers.push_back(MessageAnswer(answer));
    if (!pickedFolder.isEmpty()) m_prompts.folders.push_back(here(pickedFolder));
    const int heightBefore = dialog.height();
    Click(dialog, kIdSelectAll);
    Click(dialog, kIdConvert);
    QStringList expected;
    for (const QString& message : messages) expected << here(message);
    QCOMPARE(m_prompts.MessageTexts(), expected);
    QCOMPARE(m_prompts.folderTitles.size(), size_t(pickedFolder.isEmpty() ? 0 : 1));
    const QString library = here(dest.isEmpty() ? pickedFolder : dest);
    QCOMPARE(QFileInfo(library).isDir(), libraryMade);
    QCOMPARE(QFileInfo::exists(library + "/a.SQ9"), false);
    QCOMPARE(dialog.height(), heightBefore);
    QVERIFY(!dialog.IsConverting());
  }
};

Q9_APP_TEST_MAIN(ConverterDlgTest)
#include "converter_dlg_test.moc"
