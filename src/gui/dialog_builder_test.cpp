// The template builder, the dialog units and the up-down control, as a
// dialog's user meets them: where controls sit, which start hidden or
// disabled, what Tab and the mnemonics reach, what an edit accepts.

#include <QSignalSpy>
#include <QTest>
#include <QtWidgets>

#include "gui/desktop_prompts.h"
#include "gui/dialog_builder.h"
#include "gui/dialog_units.h"
#include "gui/up_down.h"

using namespace q9::gui;

namespace {

constexpr ControlRow kTemplate[] = {
    {kNoId, ControlKind::Label, "&Name:", 7, 4, 60, 8},
    {101, ControlKind::Edit, nullptr, 7, 14, 120, 13},
    {kNoId, ControlKind::Label, "&Count:", 7, 30, 40, 8},
    {102, ControlKind::Edit, nullptr, 50, 30, 30, 12, kNumber},
    {103, ControlKind::UpDown, nullptr, 80, 30, 11, 12},
    {104, ControlKind::Edit, nullptr, 7, 46, 30, 12, kNumber | kSigned},
    {105, ControlKind::CheckBox, "&Keep", 7, 62, 50, 10, kDisabled},
    {106, ControlKind::DropDownList, nullptr, 7, 76, 60, 40},
    {107, ControlKind::Button, "&Hidden", 70, 76, 50, 14, kHidden},
    {1, ControlKind::DefaultButton, "OK", 130, 76, 50, 14},
    // Last, yet beneath what it frames.
    {kNoId, ControlKind::GroupBox, "Frame", 2, 0, 196, 96},
};

}  // namespace

class DialogBuilderTest : public QObject {
  Q_OBJECT

  QDialog m_dialog;

 private slots:
  void initTestCase() {
    DialogBuilder::Build(m_dialog, kTemplate, 200, 100);
    m_dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&m_dialog));
  }

  // Units round to the nearest pixel (237 x 7 / 4 = 414.75, 14 x 15 / 8 =
  // 26.25), halves away from zero. Texts lose their mnemonics; file filters
  // match in any letter case.
  void unitsAndTexts() {
    QCOMPARE(DialogUnits(7, 15).ToPixels(237, 14, 49, 13), QRect(415, 26, 86, 24));
    QCOMPARE(DialogUnits::MulDiv(-237, 6, 4), -356);
    QCOMPARE(DialogBuilder::WithoutMnemonic("Save && &Quit"), QStringLiteral("Save & Quit"));
    QCOMPARE(DesktopPrompts::CaseBlindPatterns(QStringLiteral("*.seq;*msg;*.avi")),
             QStringLiteral("*.[sS][eE][qQ] *[mM][sS][gG] *.[aA][vV][iI]"));
  }

  // Positions from the table (a closed drop-down list one line high), the
  // states it gives, names from labels or the control's own text, a label's
  // mnemonic reaching the control after it, and Tab in the table's order
  // past the arrows and disabled controls.
  void builtFromTheTable() {
    const DialogUnits units(m_dialog.font());
    QCOMPARE(m_dialog.size(), units.ToPixels(0, 0, 200, 100).size());
    for (const ControlRow& row : kTemplate)
      if (row.id != kNoId && row.kind != ControlKind::DropDownList)
        QCOMPARE(FindControl(m_dialog, row.id)->geometry(),
                 units.ToPixels(row.x, row.y, row.width, row.height));
    auto* combo = FindControl<QComboBox>(m_dialog, 106);
    QCOMPARE(combo->height(), combo->sizeHint().height());
    QVERIFY(!FindControl(m_dialog, 105)->isEnabled() && !FindControl(m_dialog, 107)->isVisible());
    QVERIFY(FindControl<QPushButton>(m_dialog, 1)->isDefault());
    for (int id : {101, 105, 1}) {
      QWidget* control = FindControl(m_dialog, id);
      QCOMPARE(m_dialog.childAt(control->geometry().center()), control);
    }
    QCOMPARE(FindControl(m_dialog, 102)->accessibleName(), QStringLiteral("Count:"));
    QCOMPARE(FindControl(m_dialog, 105)->accessibleName(), QStringLiteral("Keep"));
    QTest::keyClick(&m_dialog, Qt::Key_C, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), FindControl(m_dialog, 102));
    FindControl(m_dialog, 101)->setFocus();
    for (int id : {102, 104, 106, 1}) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), FindControl(m_dialog, id));
    }
  }

  // Number edits take digits only, a minus only first and only where the
  // value is signed. The up-down's arrows and the Up and Down keys step the
  // buddy within the range; a typed number is where the next step starts;
  // high-to-low turns the arrows round.
  void editsAndUpDown() {
    const std::tuple<int, QString, QString> typed[] = {
        {102, "4a2", "42"}, {102, "-7", "7"}, {104, "-7", "-7"}, {104, "7-", "7"}};
    for (const auto& [id, keys, shown] : typed) {
      auto* edit = FindControl<QLineEdit>(m_dialog, id);
      edit->clear();
      QTest::keyClicks(edit, keys);
      QCOMPARE(edit->text(), shown);
    }
    auto* spin = FindControl<UpDown>(m_dialog, 103);
    auto* edit = FindControl<QLineEdit>(m_dialog, 102);
    QCOMPARE(spin->Buddy(), edit);
    QSignalSpy scrolled(spin, &UpDown::Scrolled);
    spin->SetRange(1, 5);
    edit->setText(QStringLiteral("3"));
    const QList<QToolButton*> arrows = spin->findChildren<QToolButton*>();
    QTest::mouseClick(arrows.at(0), Qt::LeftButton);
    QCOMPARE(edit->text(), QStringLiteral("4"));
    QTest::keyClick(edit, Qt::Key_Up);
    QTest::keyClick(edit, Qt::Key_Up);
    QCOMPARE(edit->text(), QStringLiteral("5"));
    edit->setText(QStringLiteral("99"));
    QTest::mouseClick(arrows.at(1), Qt::LeftButton);
    QCOMPARE(edit->text(), QStringLiteral("4"));
    QCOMPARE(scrolled.count(), 4);
    QCOMPARE(scrolled.last().at(0).toInt(), 4);
    spin->SetRange(10, 1);
    edit->setText(QStringLiteral("5"));
    QTest::keyClick(edit, Qt::Key_Up);
    QCOMPARE(edit->text(), QStringLiteral("4"));
    // An arrow held down goes on stepping.
    spin->SetRange(1, 100);
    edit->setText(QStringLiteral("10"));
    QTest::mousePress(arrows.at(0), Qt::LeftButton);
    QTRY_VERIFY(edit->text().toInt() >= 13);
    QTest::mouseRelease(arrows.at(0), Qt::LeftButton);
  }

  // The file picker gives the chosen file on Open, and nothing on Cancel
  // even with a file selected; a name typed without extension takes the
  // request's.
  void filePickerAnswers() {
    QTemporaryDir dir;
    const QString picture = dir.filePath(QStringLiteral("a.bmp"));
    QFile file(picture);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    for (const bool open : {true, false}) {
      QString suffix;
      QTimer answer;
      QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* picker = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (picker == nullptr) return;
        answer.stop();
        suffix = picker->defaultSuffix();
        picker->selectFile(picture);
        // As the Open and Cancel buttons do.
        QDialog* dialog = picker;
        open ? dialog->accept() : dialog->reject();
      });
      answer.start(10);
      const std::optional<QString> chosen = DesktopPrompts().OpenFile(
          nullptr, {QStringLiteral("Open"), picture, QStringLiteral("bmp"),
                    {{QStringLiteral("Pictures"), "*.bmp"}}});
      QCOMPARE(chosen.value_or(QString()), open ? picture : QString());
      QCOMPARE(suffix, QStringLiteral("bmp"));
    }
  }
};

QTEST_MAIN(DialogBuilderTest)
#include "dialog_builder_test.moc"
