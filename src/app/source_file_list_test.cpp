// The source list as the user sees it: which files of the folder it shows,
// their Size and Modified texts, the sorts by header clicks, the marks, and
// which buttons the marks enable.

#include <sys/stat.h>
#include <utime.h>

#include <QFile>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <filesystem>
#include <memory>

#include "app/converter_dlg.h"
#include "app/source_file_list.h"
#include "app/testing/app_test_support.h"
#include "gui/testing/scripted_prompts.h"
#include "platform/video/test_media.h"

using namespace q9::app;
using namespace q9::app::test;

namespace {

// A local time as seconds since the epoch.
std::time_t Local(int year, int month, int day, int hour, int minute) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_isdst = -1;
  return std::mktime(&t);
}

void SetModified(const std::string& path, std::time_t time) {
  const utimbuf times{time, time};
  QCOMPARE(utime(path.c_str(), &times), 0);
}

// A file of that many bytes (sparse: big sizes cost nothing).
void MakeFile(const std::string& path, qint64 bytes) {
  QFile file(QString::fromStdString(path));
  QVERIFY(file.open(QIODevice::WriteOnly));
  QVERIFY(file.resize(bytes));
}

}  // namespace

class SourceFileListTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TempSettings> m_settings;
  std::unique_ptr<q9::platform::test::TempDir> m_dir;
  q9::gui::ScriptedPrompts m_prompts;

  std::string File(const std::string& name) const { return m_dir->File(name); }

  // The dialog on the test's folder, shown.
  std::unique_ptr<CConverterDlg> Open() {
    m_settings->Store("", QString::fromStdString(m_dir->Path()));
    auto dialog = std::make_unique<CConverterDlg>(m_prompts);
    dialog->show();
    if (!QTest::qWaitForWindowActive(dialog.get())) qWarning("dialog not active");
    return dialog;
  }
  void ClickHeader(const CConverterDlg& dialog, int column) {
    QHeaderView* header = Control<QTreeWidget>(dialog, kIdFileList)->header();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  }
  // Adjust, Preview, Convert.
  QList<bool> RunButtons(const CConverterDlg& dialog) {
    return {Control(dialog, kIdAdjust)->isEnabled(), Control(dialog, kIdPreview)->isEnabled(),
            Control(dialog, kIdConvert)->isEnabled()};
  }

 private slots:
  void init() {
    m_settings = std::make_unique<TempSettings>();
    m_dir = std::make_unique<q9::platform::test::TempDir>();
    m_prompts = q9::gui::ScriptedPrompts();
  }
  void cleanup() { QVERIFY(m_prompts.unanswered.isEmpty()); }

  // Listed extensions in any letter case, each file once; folders, other
  // extensions and names whose status cannot be read are left out. The
  // rows come sorted by name, ascending.
  void listsTheConvertibleFilesSortedByName() {
    for (const char* name :
         {"b.avi", "a.seq", "c.bmp", "d.msg", "E.BMP", "f.Jpg", "x.txt", "noext"})
      MakeFile(File(name), 10);
    std::filesystem::create_directory(File("folder.bmp"));
    std::filesystem::create_symlink(File("gone"), File("dangling.tga"));
    auto dialog = Open();
    QCOMPARE(ListColumn(*dialog, 0),
             (QStringList{"a.seq", "b.avi", "c.bmp", "d.msg", "E.BMP", "f.Jpg"}));
    const QStringList titles = {"Name                     ", "                   Size",
                                "Modified                  "};
    auto* list = Control<QTreeWidget>(*dialog, kIdFileList);
    for (int column = 0; column < 3; ++column) {
      QCOMPARE(list->headerItem()->text(column), titles[column]);
      QCOMPARE(list->columnWidth(column),
               list->fontMetrics().horizontalAdvance(titles[column]) + 15);
    }
    QVERIFY(list->headerItem()->textAlignment(1) & Qt::AlignRight);
  }

  // "%5d KB" of the size taken as a 32-bit signed number; a header click on
  // Size sorts these texts as text.
  void sizeTexts_data() {
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("under a KB") << qint64(1023) << "    0 KB";
    QTest::newRow("one KB") << qint64(1024) << "    1 KB";
    QTest::newRow("five digits") << qint64(90000) * 1024 << "90000 KB";
    QTest::newRow("six digits") << qint64(150000) * 1024 << "150000 KB";
    QTest::newRow("past 2 GiB wraps") << (qint64(1) << 31) + 1024 << "-2097151 KB";
  }
  void sizeTexts() {
    QFETCH(qint64, bytes);
    QFETCH(QString, text);
    MakeFile(File("a.bmp"), bytes);
    auto dialog = Open();
    QCOMPARE(ListColumn(*dialog, 1), QStringList{text});
  }

  void sizeSortsAsText() {
    MakeFile(File("a.bmp"), 90000 * 1024);
    MakeFile(File("b.bmp"), 150000 * 1024);
    MakeFile(File("c.bmp"), 2048);
    auto dialog = Open();
    ClickHeader(*dialog, SourceFileList::kSize);  // descending
    QCOMPARE(ListColumn(*dialog, 0), (QStringList{"a.bmp", "b.bmp", "c.bmp"}));
    ClickHeader(*dialog, SourceFileList::kSize);  // ascending
    QCOMPARE(ListColumn(*dialog, 1), (QStringList{"    2 KB", "150000 KB", "90000 KB"}));
  }

  // Modified in local time on the 12-hour clock; sorted as times, so 11:00
  // AM comes before 02:30 PM and 1999 before 2000. One flag holds the
  // direction for every column: each header click turns it round.
  void modifiedTextsAndTimeSort() {
    const struct {
      const char* name;
      std::time_t time;
      const char* text;
    } files[] = {
        {"a.bmp", Local(2021, 3, 4, 14, 30), "03/04/21 02:30 PM"},
        {"b.bmp", Local(2021, 3, 4, 11, 0), "03/04/21 11:00 AM"},
        {"c.bmp", Local(2021, 3, 4, 0, 5), "03/04/21 12:05 AM"},
        {"d.bmp", Local(2021, 3, 4, 12, 30), "03/04/21 12:30 PM"},
        {"e.bmp", Local(1999, 12, 31, 23, 59), "12/31/99 11:59 PM"},
        {"f.bmp", Local(2000, 1, 1, 0, 0), "01/01/00 12:00 AM"},
    };
    for (const auto& file : files) {
      MakeFile(File(file.name), 1);
      SetModified(File(file.name), file.time);
    }
    auto dialog = Open();
    QStringList texts;
    for (const auto& file : files) texts << file.text;
    QCOMPARE(ListColumn(*dialog, 2), texts);
    ClickHeader(*dialog, SourceFileList::kName);  // the direction turns: descending
    QCOMPARE(ListColumn(*dialog, 0).first(), QStringLiteral("f.bmp"));
    ClickHeader(*dialog, SourceFileList::kModified);  // turns again: ascending
    QCOMPARE(ListColumn(*dialog, 0),
             (QStringList{"e.bmp", "f.bmp", "c.bmp", "b.bmp", "d.bmp", "a.bmp"}));
    ClickHeader(*dialog, SourceFileList::kModified);  // descending
    QCOMPARE(ListColumn(*dialog, 0),
             (QStringList{"a.bmp", "d.bmp", "b.bmp", "c.bmp", "f.bmp", "e.bmp"}));
  }

  // A modification time that is not positive shows the time of listing.
  void timeNotPositiveShowsTheListingTime() {
    MakeFile(File("a.bmp"), 1);
    SetModified(File("a.bmp"), 0);
    const std::time_t before = std::time(nullptr) / 60 * 60;
    auto dialog = Open();
    const std::time_t shown = SourceFileList::ModifiedTime(ListColumn(*dialog, 2).first());
    QVERIFY(shown >= before && shown <= std::time(nullptr));
  }

  // Equal keys keep their order (a stable sort), and a sort moves only the
  // texts: marked rows stay marked where they are.
  void sortIsStableAndMarksStayInPlace() {
    for (const char* name : {"b.bmp", "a.bmp", "c.bmp", "d.bmp"}) {
      MakeFile(File(name), 10);
      SetModified(File(name), Local(2020, 1, 1, 9, 0));
    }
    auto dialog = Open();
    ClickRow(*dialog, 1);
    ClickRow(*dialog, 3, Qt::ControlModifier);
    QCOMPARE(MarkedRows(*dialog), (QList<int>{1, 3}));
    ClickHeader(*dialog, SourceFileList::kName);  // descending
    QCOMPARE(ListColumn(*dialog, 0), (QStringList{"d.bmp", "c.bmp", "b.bmp", "a.bmp"}));
    QCOMPARE(MarkedRows(*dialog), (QList<int>{1, 3}));
    ClickHeader(*dialog, SourceFileList::kModified);  // all equal: ascending keeps the order
    QCOMPARE(ListColumn(*dialog, 0), (QStringList{"d.bmp", "c.bmp", "b.bmp", "a.bmp"}));
  }

  // The three selection buttons and what each leaves enabled among Adjust,
  // Preview and Convert.
  void selectionButtons_data() {
    QTest::addColumn<QList<int>>("clickedRows");  // before the buttons
    QTest::addColumn<QList<int>>("buttons");
    QTest::addColumn<QList<int>>("marked");
    QTest::addColumn<QList<bool>>("enabled");
    QTest::newRow("all") << QList<int>{} << QList<int>{kIdSelectAll} << QList<int>{0, 1, 2, 3}
                         << QList<bool>{true, true, true};
    QTest::newRow("none keeps Convert") << QList<int>{} << QList<int>{kIdSelectAll, kIdSelectNone}
                                        << QList<int>{} << QList<bool>{false, false, true};
    QTest::newRow("none from the start") << QList<int>{} << QList<int>{kIdSelectNone}
                                         << QList<int>{} << QList<bool>{false, false, false};
    QTest::newRow("invert one") << QList<int>{0} << QList<int>{kIdSelectInvert}
                                << QList<int>{1, 2, 3} << QList<bool>{true, true, true};
    QTest::newRow("invert all") << QList<int>{} << QList<int>{kIdSelectAll, kIdSelectInvert}
                                << QList<int>{} << QList<bool>{false, false, true};
    QTest::newRow("invert nothing") << QList<int>{} << QList<int>{kIdSelectInvert}
                                    << QList<int>{0, 1, 2, 3} << QList<bool>{true, true, false};
  }
  void selectionButtons() {
    QFETCH(QList<int>, clickedRows);
    QFETCH(QList<int>, buttons);
    QFETCH(QList<int>, marked);
    QFETCH(QList<bool>, enabled);
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp"}) MakeFile(File(name), 10);
    auto dialog = Open();
    for (int row : clickedRows) ClickRow(*dialog, row);
    for (int id : buttons) Click(*dialog, id);
    QCOMPARE(MarkedRows(*dialog), marked);
    QCOMPARE(RunButtons(*dialog), enabled);
    auto* list = Control<QTreeWidget>(*dialog, kIdFileList);
    QCOMPARE(QApplication::focusWidget(), list);
    if (buttons.last() == kIdSelectInvert) QVERIFY(!list->currentIndex().isValid());
  }

  // Clicks bring the buttons up to date, keys alone do not, leaving the
  // source field does; an old sequence marked first has nothing to adjust.
  void clicksAndLeavingTheSourceFieldUpdateTheButtons() {
    for (const char* name : {"a.seq", "b.bmp", "c.avi"}) MakeFile(File(name), 10);
    auto dialog = Open();
    ClickRow(*dialog, 1);
    QCOMPARE(RunButtons(*dialog), (QList<bool>{true, true, true}));
    ClickRow(*dialog, 0);
    QCOMPARE(RunButtons(*dialog), (QList<bool>{false, true, true}));
    auto* list = Control<QTreeWidget>(*dialog, kIdFileList);
    const QPoint belowRows(10, list->viewport()->height() - 5);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, belowRows);
    QCOMPARE(MarkedRows(*dialog), QList<int>{});
    QCOMPARE(RunButtons(*dialog), (QList<bool>{false, false, false}));
    QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
    QVERIFY(!MarkedRows(*dialog).isEmpty());
    QCOMPARE(RunButtons(*dialog), (QList<bool>{false, false, false}));
    Control(*dialog, kIdSourceDir)->setFocus();
    list->setFocus();
    QCOMPARE(RunButtons(*dialog).last(), true);
    // Typing a folder does not list it.
    QTest::keyClicks(Control(*dialog, kIdSourceDir), "/nowhere");
    list->setFocus();
    QCOMPARE(ListColumn(*dialog, 0).size(), 3);
  }

  // The mnemonics of the selection buttons work from anywhere in the
  // dialog (a mnemonic presses its button as a short animated click).
  void mnemonicsPressTheSelectionButtons() {
    for (const char* name : {"a.bmp", "b.bmp"}) MakeFile(File(name), 10);
    auto dialog = Open();
    QTest::keyClick(dialog.get(), Qt::Key_A, Qt::AltModifier);
    QTRY_COMPARE(MarkedRows(*dialog), (QList<int>{0, 1}));
    QTest::keyClick(dialog.get(), Qt::Key_N, Qt::AltModifier);
    QTRY_COMPARE(MarkedRows(*dialog), QList<int>{});
    QTest::keyClick(dialog.get(), Qt::Key_I, Qt::AltModifier);
    QTRY_COMPARE(MarkedRows(*dialog), (QList<int>{0, 1}));
  }
};

Q9_APP_TEST_MAIN(SourceFileListTest)
#include "source_file_list_test.moc"
