// The template builder, the dialog units and the up-down control, as a
// dialog's user meets them: where controls sit, which start hidden or
// disabled, what Tab and the mnemonics reach, what an edit accepts.

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

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
};

}  // namespace

class DialogBuilderTest : public QObject {
  Q_OBJECT

 private slots:
  void mulDivRounds_data() {
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<int>("c");
    QTest::addColumn<int>("expected");
    QTest::newRow("exact") << 8 << 6 << 4 << 12;
    QTest::newRow("half up") << 237 << 6 << 4 << 356;  // 355.5
    QTest::newRow("below half") << 7 << 5 << 4 << 9;   // 8.75 -> 9
    QTest::newRow("above half") << 9 << 5 << 4 << 11;  // 11.25 -> 11
    QTest::newRow("negative half") << -237 << 6 << 4 << -356;
  }
  void mulDivRounds() {
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(int, c);
    QFETCH(int, expected);
    QCOMPARE(DialogUnits::MulDiv(a, b, c), expected);
  }

  void unitsFollowTheFont() {
    const DialogUnits units(7, 15);
    QCOMPARE(units.ToPixels(237, 14, 49, 13), QRect(415, 26, 86, 24));
    // A larger font makes a larger dialog.
    QFont small;
    small.setPixelSize(10);
    QFont large = small;
    large.setPixelSize(20);
    QVERIFY(DialogUnits(large).ToPixelsX(100) > DialogUnits(small).ToPixelsX(100));
    QVERIFY(DialogUnits(large).ToPixelsY(100) > DialogUnits(small).ToPixelsY(100));
  }

  void controlsSitWhereTheTemplateSays() {
    QDialog dialog;
    DialogBuilder::Build(dialog, kTemplate, 200, 100);
    const DialogUnits units(dialog.font());
    QCOMPARE(dialog.size(), units.ToPixels(0, 0, 200, 100).size());
    for (const ControlRow& row : kTemplate) {
      if (row.id == kNoId || row.kind == ControlKind::DropDownList) continue;
      QWidget* control = FindControl(dialog, row.id);
      QVERIFY2(control, qPrintable(QString::number(row.id)));
      QCOMPARE(control->geometry(), units.ToPixels(row.x, row.y, row.width, row.height));
    }
    // A closed drop-down list is one line high, wherever its list reaches.
    auto* combo = FindControl<QComboBox>(dialog, 106);
    QCOMPARE(combo->height(), combo->sizeHint().height());
  }

  void statesNamesAndBuddies() {
    QDialog dialog;
    DialogBuilder::Build(dialog, kTemplate, 200, 100);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(!FindControl(dialog, 105)->isEnabled());
    QVERIFY(!FindControl(dialog, 107)->isVisible());
    QVERIFY(FindControl(dialog, 1)->isVisible());
    QVERIFY(FindControl<QPushButton>(dialog, 1)->isDefault());
    // Edits are named after their labels, buttons after their own text.
    QCOMPARE(FindControl(dialog, 101)->accessibleName(), QStringLiteral("Name:"));
    QCOMPARE(FindControl(dialog, 102)->accessibleName(), QStringLiteral("Count:"));
    QCOMPARE(FindControl(dialog, 105)->accessibleName(), QStringLiteral("Keep"));
    // A label's mnemonic reaches the control after it.
    QList<QLabel*> labels;
    for (QLabel* label : dialog.findChildren<QLabel*>())
      if (label->text() == QStringLiteral("&Count:")) labels << label;
    QCOMPARE(labels.size(), 1);
    QCOMPARE(labels[0]->buddy(), FindControl(dialog, 102));
    QCOMPARE(DialogBuilder::WithoutMnemonic(QStringLiteral("Save && &Quit")),
             QStringLiteral("Save & Quit"));
  }

  void tabFollowsTheTable() {
    QDialog dialog;
    DialogBuilder::Build(dialog, kTemplate, 200, 100);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.activateWindow();
    FindControl(dialog, 101)->setFocus();
    // 101 -> 102 -> 104 (the arrows take no focus; 105 is disabled) -> 106.
    const int expected[] = {102, 104, 106, 1};
    for (int id : expected) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), FindControl(dialog, id));
    }
  }

  void numberEditsTakeDigitsOnly_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("digits") << 102 << "42"
                            << "42";
    QTest::newRow("letters dropped") << 102 << "4a2"
                                     << "42";
    QTest::newRow("no minus") << 102 << "-7"
                              << "7";
    QTest::newRow("signed minus") << 104 << "-7"
                                  << "-7";
    QTest::newRow("minus only first") << 104 << "7-"
                                      << "7";
  }
  void numberEditsTakeDigitsOnly() {
    QFETCH(int, id);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QDialog dialog;
    DialogBuilder::Build(dialog, kTemplate, 200, 100);
    auto* edit = FindControl<QLineEdit>(dialog, id);
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->text(), shown);
  }

  void upDownStepsItsBuddy() {
    QDialog dialog;
    DialogBuilder::Build(dialog, kTemplate, 200, 100);
    auto* spin = FindControl<UpDown>(dialog, 103);
    auto* edit = FindControl<QLineEdit>(dialog, 102);
    QCOMPARE(spin->Buddy(), edit);
    QSignalSpy scrolled(spin, &UpDown::Scrolled);
    spin->SetRange(1, 5);
    edit->setText(QStringLiteral("3"));
    auto* up = spin->findChildren<QToolButton*>().at(0);
    auto* down = spin->findChildren<QToolButton*>().at(1);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseClick(up, Qt::LeftButton);
    QCOMPARE(edit->text(), QStringLiteral("4"));
    QTest::keyClick(edit, Qt::Key_Up);
    QTest::keyClick(edit, Qt::Key_Up);  // stops at the top of the range
    QCOMPARE(edit->text(), QStringLiteral("5"));
    // A typed number is where the next step starts, clamped to the range.
    edit->setText(QStringLiteral("99"));
    QTest::mouseClick(down, Qt::LeftButton);
    QCOMPARE(edit->text(), QStringLiteral("4"));
    QCOMPARE(scrolled.count(), 4);
    QCOMPARE(scrolled.last().at(0).toInt(), 4);
    // High-to-low turns the arrows round.
    spin->SetRange(10, 1);
    edit->setText(QStringLiteral("5"));
    QTest::keyClick(edit, Qt::Key_Up);
    QCOMPARE(edit->text(), QStringLiteral("4"));
  }

  void fileFiltersIgnoreLetterCase() {
    QCOMPARE(DesktopPrompts::CaseBlindPatterns(QStringLiteral("*.seq;*msg;*.avi")),
             QStringLiteral("*.[sS][eE][qQ] *[mM][sS][gG] *.[aA][vV][iI]"));
  }
};

QTEST_MAIN(DialogBuilderTest)
#include "dialog_builder_test.moc"
