// The main dialog's companions as a user meets them: where the preview and
// the Adjust dialog open and how large the preview is at each zoom; the
// frame number stepping through a video and an old sequence; the
// companions following the marks, closing together, following a new
// destination and staying through a run; and that the preview shows
// exactly what the run writes.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>

#include "adjust/image_command.h"
#include "adjust/settings_persistence.h"
#include "adjust_dialog/adjust_dlg.h"
#include "adjust_dialog/image_command_menus.h"
#include "app/testing/app_test_support.h"
#include "convert/source_media.h"
#include "gui/up_down.h"
#include "platform/signlib/bulb_converter.h"
#include "platform/signlib/sq9_reader.h"
#include "preview/q9_preview_wnd.h"
#include "preview/stretch_bitmap.h"
#include "preview/testing/test_sources.h"

using namespace q9::app;
using namespace q9::app::test;
using q9::adjust_dialog::CAdjustDlg;
using q9::convert::MessageAnswer;
using q9::preview::CQ9PreviewWnd;
using S = QStringList;

namespace {

int RightOf(const QRect& r) {
  return r.x() + r.width();
}
QRect ScreenRect(const QWidget* w) {
  return QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
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

// Frames stepped in the main dialog: the file, the label, whether the
// frame field is enabled, the spin's top; steps (typed text, "up" or
// "down") with the field and what the preview shows after each (Shown(),
// first as opened); the messages.
struct Stepping {
  const char* name;
  const char* file;
  const char* label;
  bool enabled;
  int spinHigh;
  S steps, fields, shown, messages;
};

}  // namespace

Q_DECLARE_METATYPE(Stepping)

class ConverterPreviewTest : public DialogTest {
  Q_OBJECT

  // Row 0 (a.bmp unless removed) marked, then Adjust or Preview.
  std::unique_ptr<CConverterDlg> OpenWithCompanions(const QString& dest, int button = kIdAdjust) {
    auto dialog = Open(dest);
    ClickRow(*dialog, 0);
    Click(*dialog, button);
    return dialog;
  }
  static void Type(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    if (text.isEmpty()) QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
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
  // What the preview shows: an old frame's label, or the frame number of a
  // picture whose red is 8 x its number.
  static QString Shown(const CConverterDlg& dialog) {
    if (dialog.Source()->LabelShown()) return QString::fromStdString(dialog.Source()->LabelText());
    const QImage shown = dialog.PreviewWindow()->grab().toImage();
    return QStringLiteral("frame %1")
        .arg(qRound(qRed(shown.pixel(shown.width() / 2, shown.height() / 2)) / 8.0));
  }
  static bool FrameAndZoomShown(const CConverterDlg& dialog) {
    for (int id : {kIdFrameLabel, kIdFrameEdit, kIdFrameSpin, kIdZoomIn, kIdZoomOut})
      if (Control(dialog, id)->isHidden()) return false;
    return true;
  }

  void Prepare() override { QVERIFY(CopyTestImage("quad.bmp", In("a.bmp"))); }

 private slots:
  // Beside the dialog, half its height down the screen; a dialog too close
  // to the screen's right edge moves left first, 25 pixels further than it
  // must. Each zoom step resizes the preview: 1.0 to 4.0, half a pixel a
  // bulb per step.
  void previewOpensBesideTheDialogAndZooms_data() {
    QTest::addColumn<int>("room");  // pixels right of the dialog
    QTest::newRow("room enough") << 300;
    QTest::newRow("too little room") << 60;
  }
  void previewOpensBesideTheDialogAndZooms() {
    QFETCH(int, room);
    auto dialog = Open(Library());
    const QRect screen = dialog->screen()->availableGeometry();
    dialog->move(RightOf(screen) - dialog->frameGeometry().width() - room, screen.y() + 40);
    const QRect before = dialog->frameGeometry();
    ClickRow(*dialog, 0);
    Click(*dialog, kIdPreview);
    CQ9PreviewWnd* preview = dialog->PreviewWindow();
    QVERIFY(preview);
    QCOMPARE(preview->windowTitle(), QStringLiteral("Preview : 16x96.RGB16MB"));
    QCOMPARE(dialog->frameGeometry(), before.translated(room < 96 ? room - 96 - 25 : 0, 0));
    QCOMPARE(preview->pos(),
             QPoint(RightOf(dialog->frameGeometry()) + 1, screen.y() + before.height() / 2));
    const std::pair<int, QSize> steps[] = {{kIdZoomOut, {48, 8}},  {kIdZoomOut, {48, 8}},
                                           {kIdZoomIn, {96, 16}},  {kIdZoomIn, {144, 24}},
                                           {kIdZoomIn, {192, 32}}, {kIdZoomIn, {192, 32}}};
    QCOMPARE(preview->size(), QSize(96, 16));
    for (const auto& [button, size] : steps) {
      Click(*dialog, button);
      QCOMPARE(preview->size(), size);
    }
  }

  // Adjust moves the dialog to (25, 50) and opens beside it. A preview it
  // opens sits under the destination Browse button, right-aligned with it;
  // one already open moves to line up with the dialog's right edge. The
  // source window follows the zoom.
  void adjustPlacesTheWindows_data() {
    QTest::addColumn<bool>("previewFirst");
    QTest::newRow("Adjust alone") << false;
    QTest::newRow("Preview, then Adjust") << true;
  }
  void adjustPlacesTheWindows() {
    QFETCH(bool, previewFirst);
    auto dialog = Open(Library());
    dialog->move(300, 200);
    ClickRow(*dialog, 0);
    if (previewFirst) Click(*dialog, kIdPreview);
    Click(*dialog, kIdAdjust);
    CAdjustDlg* adjust = dialog->AdjustDialog();
    QVERIFY(adjust);
    const QRect frame = dialog->frameGeometry();
    QCOMPARE(frame.topLeft(), dialog->screen()->availableGeometry().topLeft() + QPoint(25, 50));
    QCOMPARE(adjust->pos(), QPoint(RightOf(frame) + 1, frame.y()));
    QCOMPARE(adjust->windowTitle(), QStringLiteral("Adjust : a.bmp"));
    QCOMPARE(adjust->Source(), dialog->Source());
    const QRect browse = ScreenRect(Control(*dialog, kIdBrowseDest));
    const QRect preview = dialog->PreviewWindow()->frameGeometry();
    QCOMPARE(preview.y(), browse.y() + browse.height() + 15);
    QCOMPARE(previewFirst ? RightOf(preview) : preview.x(),
             previewFirst ? RightOf(frame) : RightOf(browse) - 96);
    Click(*dialog, kIdZoomIn);  // quad.bmp is 16 x 12
    QCOMPARE(adjust->SourceWindow()->size(), QSize(24, 18));
  }

  // The label tells the last frame; the spin steps within 1 .. its low 16
  // bits; a typed number above the last frame becomes the last, 0 passes as
  // it is, and an empty field is refused and keeps the frame. Stills show
  // the frame controls disabled.
  void framesStepThroughVideosAndOldSequences_data() {
    QTest::addColumn<Stepping>("row");
    const Stepping rows[] = {
        {"video", "clip.avi", "&Frame: (of 9)", true, 9, S{"5", "12", "down", "", "0"},
         S{"5", "9", "8", "", "0"},
         S{"frame 1", "frame 5", "frame 9", "frame 8", "frame 8", "frame 0"},
         S{"Please enter a positive integer."}},
        {"old sequence", "show.seq", "&Frame: (of 3)", true, 3, S{"up", "7", "1"}, S{"2", "3", "1"},
         S{"Include Frame", "frame 2", "frame 3", "Include Frame"}, S{}},
        // A frame beyond those the file holds shows its last.
        {"video longer than 65535 frames", "long.avi", "&Frame: (of 69999)", true, 69999 % 65536,
         S{"3", "69999"}, S{"3", "69999"}, S{"frame 1", "frame 3", "frame 9"}, S{}},
        {"picture", "a.bmp", "&Frame:", false, 1, S{}, S{}, S{}, S{}},
    };
    for (const Stepping& row : rows) QTest::newRow(row.name) << row;
  }
  void framesStepThroughVideosAndOldSequences() {
    QFETCH(Stepping, row);
    QVERIFY(MakeVideo(In("clip.avi"), 10));
    QVERIFY(MakeOldSequence(In("show.seq"), 3, true));
    std::vector<uint8_t> avi = q9::platform::test::ReadBytes(In("clip.avi"));
    QVERIFY(q9::platform::test::PatchStrh(avi, "vids", q9::platform::test::kStrhLength, 70000));
    q9::platform::test::WriteBytes(In("long.avi"), avi);
    auto dialog = Open(Library());
    ClickRow(*dialog, int(ListColumn(*dialog, 0).indexOf(row.file)));
    Click(*dialog, kIdPreview);
    QVERIFY(FrameAndZoomShown(*dialog));
    QCOMPARE(Control<QLabel>(*dialog, kIdFrameLabel)->text(), QString(row.label));
    auto* edit = Control<QLineEdit>(*dialog, kIdFrameEdit);
    QCOMPARE(edit->isEnabled(), row.enabled);
    QCOMPARE(Control<q9::gui::UpDown>(*dialog, kIdFrameSpin)->High(), row.spinHigh);
    QCOMPARE(edit->text(), QStringLiteral("1"));
    if (!row.shown.isEmpty()) QCOMPARE(Shown(*dialog), row.shown[0]);
    for (qsizetype i = 0; i < row.steps.size(); ++i) {
      const QString& step = row.steps[i];
      if (step == "up" || step == "down") {
        QTest::keyClick(edit, step == "up" ? Qt::Key_Up : Qt::Key_Down);
      } else {
        Type(edit, step);
      }
      QCOMPARE(edit->text(), row.fields[i]);
      QCOMPARE(Shown(*dialog), row.shown[i + 1]);
    }
    QCOMPARE(m_prompts.MessageTexts(), row.messages);
  }

  // With both companions open, marking another still re-attaches the
  // Adjust dialog; marking an old sequence closes it unsaved and without
  // taking the preview along, and disables Adjust.
  void companionsFollowTheMarks_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("title");  // the Adjust dialog's, or "" when closed
    QTest::newRow("another still") << 1 << "Adjust : b.jpg";
    QTest::newRow("an old sequence") << 2 << "";
  }
  void companionsFollowTheMarks() {
    QFETCH(int, row);
    QFETCH(QString, title);
    QVERIFY(CopyTestImage("quad.jpg", In("b.jpg")));
    QVERIFY(MakeOldSequence(In("c.seq"), 3, true));
    auto dialog = OpenWithCompanions(Library());
    const QPointer<CAdjustDlg> adjust = dialog->AdjustDialog();
    ClickRow(*dialog, row);
    QVERIFY(dialog->PreviewWindow());
    QCOMPARE(SourcePath(*dialog), In(row == 1 ? "b.jpg" : "c.seq"));
    QCOMPARE(Control(*dialog, kIdAdjust)->isEnabled(), !title.isEmpty());
    QCOMPARE(adjust ? adjust->windowTitle() : QString(), title);
    QVERIFY(!AutoSaveStored());
  }

  // Closing the Adjust dialog, whichever way, closes the preview with it;
  // closing the preview leaves the Adjust dialog. The frame and zoom
  // controls go with the preview.
  void closingTheCompanions_data() {
    QTest::addColumn<int>("way");  // 1 OK, 2 Cancel, 3 Adjust's close box, 4 preview's
    QTest::newRow("OK") << 1;
    QTest::newRow("Cancel") << 2;
    QTest::newRow("Adjust's close box") << 3;
    QTest::newRow("preview's close box") << 4;
  }
  void closingTheCompanions() {
    QFETCH(int, way);
    auto dialog = OpenWithCompanions(Library());
    CAdjustDlg* adjust = dialog->AdjustDialog();
    if (way <= 2) Click(*adjust, way);
    if (way == 3) adjust->close();
    if (way == 4) dialog->PreviewWindow()->close();
    QVERIFY(!dialog->PreviewWindow());
    QTRY_VERIFY(Control(*dialog, kIdFrameEdit)->isHidden() &&
                Control(*dialog, kIdZoomIn)->isHidden());
    QCOMPARE(dialog->AdjustDialog() != nullptr, way == 4);
  }

  // After the destination Browse, chosen or not, the source's settings are
  // the defaults and both companions show it again; a folder without a sign
  // closes both.
  void destinationBrowseRefreshesTheCompanions_data() {
    QTest::addColumn<QString>("picked");  // "" cancelled
    QTest::addColumn<QSize>("client");    // the preview's, or empty when closed
    QTest::newRow("another sign") << "32x64.RGB16MB.SIGN" << QSize(64, 32);
    QTest::newRow("cancelled") << "" << QSize(96, 16);
    QTest::newRow("no sign") << "plain" << QSize();
  }
  void destinationBrowseRefreshesTheCompanions() {
    QFETCH(QString, picked);
    QFETCH(QSize, client);
    auto dialog = OpenWithCompanions(Library());
    TypeInAdjust(*dialog->AdjustDialog(), 1049, "90");  // Brt
    QCOMPARE(dialog->Source()->Brightness, 90);
    m_prompts.folders = {picked.isEmpty() ? std::nullopt
                                          : std::optional(Library(qPrintable(picked)))};
    Click(*dialog, kIdBrowseDest);
    QCOMPARE(dialog->Source()->Brightness, 64);
    const bool noSign = m_prompts.MessageTexts().join('\n').contains("Could not determine exact");
    QCOMPARE(noSign, client.isEmpty());
    QCOMPARE(dialog->AdjustDialog() != nullptr, !client.isEmpty());
    QCOMPARE(dialog->PreviewWindow() ? dialog->PreviewWindow()->size() : QSize(), client);
    if (!noSign)
      QCOMPARE(Control<QLineEdit>(*dialog->AdjustDialog(), 1049)->text(), QStringLiteral("64"));
  }

  // A run closes the Adjust dialog as its OK does and keeps the preview,
  // moved beside the dialog when it covers a progress bar. Clicks in the
  // list during the run change only the marks. At the end the preview
  // shows the first marked file, and closing a new Adjust dialog closes the
  // preview again.
  void runKeepsThePreview_data() {
    QTest::addColumn<int>("zoomSteps");
    QTest::addColumn<bool>("moved");
    QTest::newRow("over the bars") << 2 << true;
    QTest::newRow("clear of the bars") << 0 << false;
  }
  void runKeepsThePreview() {
    QFETCH(int, zoomSteps);
    QFETCH(bool, moved);
    QVERIFY(CopyTestImage("quad.jpg", In("b.jpg")));
    auto dialog = OpenWithCompanions(Library("64x192.RGB16MB.SIGN"));
    Click(*dialog, kIdSelectAll);  // the preview opens a.bmp at zoom 2.0 again
    for (int i = 0; i < zoomSteps; ++i) Click(*dialog, kIdZoomIn);
    const QPoint before = dialog->PreviewWindow()->pos();
    m_prompts.answers = {MessageAnswer::Ok};  // "Convert %d files?"
    QPoint during, beside;
    bool adjustOpen = true;
    QList<bool> buttons;
    WhenReady probe([&] {
      if (!dialog->IsConverting() || !dialog->PreviewWindow()) return false;
      during = dialog->PreviewWindow()->pos();
      const QRect frame = dialog->frameGeometry();
      beside = QPoint(RightOf(frame) + 1, frame.y() + frame.height() / 2);
      adjustOpen = dialog->AdjustDialog() != nullptr;
      ClickRow(*dialog, 1);
      buttons = Enabled(*dialog, {kIdAdjust, kIdPreview, kIdConvert});
      return true;
    });
    Click(*dialog, kIdConvert);
    QVERIFY(!adjustOpen);
    QCOMPARE(buttons, (QList<bool>{false, false, false}));
    QCOMPARE(during, moved ? beside : before);
    QCOMPARE(MarkedRows(*dialog), QList<int>{1});
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
    QFile::remove(QString::fromStdString(In("a.bmp")));
    const std::string source = In(file.toStdString());
    QVERIFY(frame == 1 ? q9::preview::testing::WritePicture(
                             QString::fromStdString(source), QSize(160, 120),
                             [](int x, int y) { return qRgb(x * 7, y * 5, (x + y) * 3); })
                       : q9::platform::test::Ffmpeg(
                             "-f lavfi -i testsrc2=size=160x120:rate=25 -t 0.32 -c:v mjpeg -y '" +
                             source + "'"));
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
    const q9::convert::SourceMedia& media = *dialog->Source();
    QCOMPARE(media.CaptureRect.Width(), 120);
    QVERIFY(media.CommandMask & q9::adjust::kCmdReverse);
    const QImage shown =
        dialog->PreviewWindow()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.size(), QSize(64, 32));

    m_prompts.answers = {MessageAnswer::Ok};
    Click(*dialog, kIdConvert);
    QCOMPARE(m_prompts.MessageTexts().last(), QStringLiteral("Conversion Complete!"));
    q9::platform::Sq9Contents written;
    std::string error;
    const QString name = dest + "/" + file.section('.', 0, 0) + ".SQ9";
    QVERIFY2(q9::platform::ReadSq9File(name.toStdString(), written, error), error.c_str());
    QVERIFY(written.frames.size() > size_t(frame));
    const std::vector<uint8_t>& bulbs = written.frames[size_t(frame)].bulbs;
    if (frame != 1) QVERIFY(bulbs != written.frames[1].bulbs);

    // The bulb converter's picture of the written bulbs, as the renderer
    // makes the preview's.
    namespace pf = q9::platform;
    uint32_t size = 0, option = 0;
    QCOMPARE(pf::CalcBulbDIBSize(32, 64, pf::Q9_RGB16MB, &size, &option), pf::kBulbCvOk);
    std::vector<uint8_t> header(pf::kDibHeaderBlockSize), bits(size);
    QCOMPARE(pf::Bulb2DIB(bulbs.data(), uint32_t(bulbs.size()), 32, 64, pf::Q9_RGB16MB,
                          header.data(), bits.data(), size, option),
             pf::kBulbCvOk);
    const pf::Bitmap picture = q9::preview::BitmapOfPackedDib(header, bits);
    QSet<QRgb> colours;
    int mismatches = 0;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 64; ++x) {
        const pf::RgbQuad bulb = picture.PixelColour(x, y);
        colours << qRgb(bulb.red, bulb.green, bulb.blue);
        mismatches += shown.pixel(x, y) != qRgb(bulb.red, bulb.green, bulb.blue);
      }
    QCOMPARE(mismatches, 0);
    QVERIFY(colours.size() > 8);
  }
};

Q9_APP_TEST_MAIN(ConverterPreviewTest)
#include "converter_preview_test.moc"
