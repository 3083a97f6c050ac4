#pragma once
// What the window's tests share: a fixture with a settings store, a source
// folder and an output folder of each test's own and prompts answered from
// scripts; source files made on the spot; the dialog's controls as a user
// reaches them.

#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "app/converter_dlg.h"
#include "gui/dialog_builder.h"
#include "gui/testing/scripted_prompts.h"
#include "platform/video/test_media.h"

namespace q9::app::test {

// Points the settings store at a fresh folder for one test.
class TempSettings {
 public:
  TempSettings();
  void Store(const QString& destination, const QString& source);
  // A value of the program's key, or "<missing>".
  std::string Read(const char* name) const;

 private:
  QTemporaryDir m_dir;
};

// The base of each test class: fresh folders and prompts for every test,
// and after it no question left unanswered.
class DialogTest : public QObject {
  Q_OBJECT

 protected:
  std::string In(const std::string& name) const { return m_in->File(name); }
  QString SourceDir() const { return QString::fromStdString(m_in->Path()); }
  // A library folder of the sign folder in the output folder, made.
  QString Library(const char* sign = "16x96.RGB16MB.SIGN") const;
  // The dialog with these stored directories (the source folder unless
  // told), shown and active.
  std::unique_ptr<CConverterDlg> Open(const QString& dest, const QString& source = {});
  // What a test class adds to the start of each of its tests.
  virtual void Prepare() {}

  std::unique_ptr<TempSettings> m_settings;
  std::unique_ptr<platform::test::TempDir> m_in, m_out;
  gui::ScriptedPrompts m_prompts;

 private slots:
  void initTestCase();
  void init();
  void cleanup();
};

bool CopyTestImage(const char* testImage, const std::string& to);
// A 64 x 48 MJPEG AVI whose frame i (from 0) is one flat colour with red 8 i.
bool MakeVideo(const std::string& path, int frames);
// An old sequence of an 8 x 16 RGB16MB sign: an include frame first when
// asked, then graphics frames up to frame `frames`, each all of the bulb
// byte 8 x its frame number, so that it shows red 8 n as video frame n does.
bool MakeOldSequence(const std::string& path, unsigned frames, bool includeFirst = false);

template <class T = QWidget>
T* Control(const QWidget& dialog, int id) {
  T* control = gui::FindControl<T>(dialog, id);
  if (!control) qFatal("no control %d", id);
  return control;
}
void Click(const QWidget& dialog, int id);
QList<bool> Enabled(const QWidget& dialog, std::initializer_list<int> ids);
QStringList ListColumn(const CConverterDlg& dialog, int column);  // top to bottom
QList<int> MarkedRows(const CConverterDlg& dialog);
void ClickRow(const CConverterDlg& dialog, int row, Qt::KeyboardModifiers modifiers = {});

// Runs a check each time the event loop passes (also inside the run's
// progress calls) until it returns true.
class WhenReady : public QObject {
 public:
  explicit WhenReady(std::function<bool()> check);

 private:
  QTimer m_timer;
};

// Offscreen, with a decoy config folder before anything opens the store.
int RunTests(int argc, char** argv, QObject& tests);

}  // namespace q9::app::test

#define Q9_APP_TEST_MAIN(TestClass)                    \
  int main(int argc, char** argv) {                    \
    TestClass tests;                                   \
    return q9::app::test::RunTests(argc, argv, tests); \
  }
