#pragma once
// The main dialog's test fixture: a settings store, a source folder and an
// output folder of each test's own, prompts answered from scripts (none left
// unanswered after a test); the dialog's controls as a user reaches them.

#include <QTest>
#include <QtWidgets>
#include <functional>
#include <memory>
#include <string>

#include "app/converter_dlg.h"
#include "gui/dialog_builder.h"
#include "gui/event_pump.h"
#include "gui/testing/scripted_prompts.h"
#include "platform/registry/cq9_registry.h"
#include "platform/video/test_media.h"

namespace q9::app::test {

using B = QList<bool>;
using L = QList<int>;
using S = QStringList;

template <class T = QWidget>
T* Control(const QWidget& dialog, int id) {
  T* control = gui::FindControl<T>(dialog, id);
  if (!control) qFatal("no control %d", id);
  return control;
}
inline void Click(const QWidget& dialog, int id) {
  QTest::mouseClick(Control<QPushButton>(dialog, id), Qt::LeftButton);
}
inline B Enabled(const QWidget& dialog, std::initializer_list<int> ids) {
  B states;
  for (int id : ids) states << Control(dialog, id)->isEnabled();
  return states;
}
inline B RunButtons(const QWidget& dialog) {
  return Enabled(dialog, {kIdAdjust, kIdPreview, kIdConvert});
}
// A column of the source list, or its marked rows, top to bottom.
inline S Column(const QWidget& dialog, int column) {
  auto* list = Control<QTreeWidget>(dialog, kIdFileList);
  S texts;
  for (int row = 0; row < list->topLevelItemCount(); ++row)
    texts << list->topLevelItem(row)->text(column);
  return texts;
}
inline L Marked(const QWidget& dialog) {
  auto* list = Control<QTreeWidget>(dialog, kIdFileList);
  L rows;
  for (int row = 0; row < list->topLevelItemCount(); ++row)
    if (list->topLevelItem(row)->isSelected()) rows << row;
  return rows;
}
inline void ClickRow(const QWidget& dialog, int row, Qt::KeyboardModifiers modifiers = {}) {
  auto* list = Control<QTreeWidget>(dialog, kIdFileList);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                    list->visualItemRect(list->topLevelItem(row)).center());
}
// Replaces an edit's text by typing.
inline void Type(QLineEdit* edit, const QString& text) {
  edit->setFocus();
  edit->selectAll();
  if (text.isEmpty()) QTest::keyClick(edit, Qt::Key_Backspace);
  QTest::keyClicks(edit, text);
}
// The dialog's height with the progress area collapsed.
inline int Collapsed(const QWidget& dialog) {
  return Control(dialog, kIdProgressRule)->geometry().bottom() - 1;
}

// Runs a check each time the event loop passes (also inside the run's
// progress calls) until it returns true.
class WhenReady {
 public:
  explicit WhenReady(std::function<bool()> check) {
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this, check = std::move(check)] {
      if (check()) m_timer.stop();
    });
    m_timer.start(0);
  }

 private:
  QTimer m_timer;
};

// A data-driven test's rows: those of its table, named by their first field.
template <class Row, size_t N>
void AddRows(const Row (&table)[N]) {
  QTest::addColumn<int>("row");
  for (size_t i = 0; i < N; ++i) QTest::newRow(std::get<0>(table[i])) << int(i);
}

class DialogTest : public QObject {
  Q_OBJECT

 protected:
  std::string In(const std::string& name) const { return m_in->File(name); }
  QString Path(const QString& name = {}) const {
    return QString::fromStdString(m_in->Path()) + (name.isEmpty() ? "" : "/" + name);
  }
  bool Copy(const char* testImage, const QString& name) const {
    return QFile::copy(QString(Q9_TEST_DATA_DIR "/images/") + testImage, Path(name));
  }
  // A library folder of the sign in the output folder, made.
  QString Library(const QString& sign = "16x96.RGB16MB.SIGN") const {
    QString library = QString::fromStdString(m_out->File(sign.toStdString())) + "/Default.LIB";
    QDir().mkpath(library);
    return library;
  }
  static void Store(const QString& destination, const QString& source) {
    platform::CQ9Registry registry;
    registry.CreateUserRegistryKey(kSettingsApplication, kSettingsSection);
    registry.SetRegistryString(kDestinationValue, destination.toStdString());
    registry.SetRegistryString(kSourceValue, source.toStdString());
  }
  static std::string Stored(const char* name) {
    platform::CQ9Registry registry;
    std::string value = "<missing>";
    if (registry.OpenUserRegistryKey(kSettingsApplication, kSettingsSection))
      registry.GetRegistryString(name, value);
    return value;
  }
  // The dialog with these stored directories (the source folder unless
  // told), shown and active.
  std::unique_ptr<CConverterDlg> Open(const QString& dest, const QString& source = {}) {
    Store(dest, source.isNull() ? Path() : source);
    auto dialog = std::make_unique<CConverterDlg>(m_prompts);
    dialog->show();
    if (!QTest::qWaitForWindowActive(dialog.get())) qWarning("the dialog is not active");
    return dialog;
  }

  // A file of that many bytes, modified at that local time (or now).
  void MakeFile(const QString& name, qint64 bytes, const QDateTime& modified = {}) const {
    QFile file(Path(name));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(bytes));
    if (modified.isValid()) QVERIFY(file.setFileTime(modified, QFile::FileModificationTime));
  }
  // Everything marked, Convert, and OK to "Convert %d files?".
  void Run(const CConverterDlg& dialog) {
    m_prompts.answers.push_back(convert::MessageAnswer::Ok);
    Click(dialog, kIdSelectAll);
    Click(dialog, kIdConvert);
  }
  // A file of the sign 8x16.RGB16MB's library, made, or of that in ref/.
  std::string Out(const std::string& name, const char* root = "") const {
    return (Library(root + QString("8x16.RGB16MB.SIGN")) + "/").toStdString() + name;
  }
  S Written() const {
    return QDir(QString::fromStdString(Out(""))).entryList(QDir::Files, QDir::Name);
  }

  std::unique_ptr<QTemporaryDir> m_store;
  std::unique_ptr<platform::test::TempDir> m_in, m_out;
  gui::ScriptedPrompts m_prompts;

 private slots:
  void initTestCase() { gui::InstallWaitCursor(); }
  void init() {
    m_store = std::make_unique<QTemporaryDir>();
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_store->path());
    QVERIFY(platform::CQ9Registry::StorePath().starts_with(m_store->path().toStdString() + "/"));
    m_in = std::make_unique<platform::test::TempDir>();
    m_out = std::make_unique<platform::test::TempDir>();
    m_prompts = {};
  }
  void cleanup() {
    QVERIFY2(m_prompts.unanswered.isEmpty(), qPrintable(m_prompts.unanswered.join(';')));
  }
};

}  // namespace q9::app::test

// Offscreen, with a decoy config folder before anything opens the store.
#define Q9_APP_TEST_MAIN(TestClass)                                       \
  int main(int argc, char** argv) {                                       \
    QTemporaryDir decoy;                                                  \
    setenv("XDG_CONFIG_HOME", decoy.path().toLocal8Bit().constData(), 1); \
    setenv("QT_QPA_PLATFORM", "offscreen", 0);                            \
    QApplication application(argc, argv);                                 \
    TestClass tests;                                                      \
    return QTest::qExec(&tests, argc, argv);                              \
  }
