#pragma once
// What the window's tests share: a settings store of their own, source
// files made on the spot, and the dialog's controls as a user reaches them.

#include <QApplication>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "app/converter_dlg.h"
#include "gui/dialog_builder.h"

namespace q9::app::test {

// Points the settings store at a fresh folder for one test; the user's own
// store is never touched.
class TempSettings {
 public:
  TempSettings();
  // Writes the two directory values as an earlier run of the program would.
  void Store(const QString& destination, const QString& source);
  // A value of the program's settings key, or "<missing>".
  std::string Read(const char* name) const;

 private:
  QTemporaryDir m_dir;
};

// Source files. Each returns false (and fails the test) when it could not
// make the file.
bool CopyTestImage(const char* testImage, const std::string& to);
bool MakeVideo(const std::string& path, int frames);
bool MakeOldSequence(const std::string& path, unsigned frames);
std::vector<uint8_t> FileBytes(const std::string& path);

template <class T = QWidget>
T* Control(const QWidget& dialog, int id) {
  T* control = gui::FindControl<T>(dialog, id);
  if (!control) qFatal("no control %d", id);
  return control;
}
void Click(const QWidget& dialog, int id);
// The texts of a column of the source list, top to bottom.
QStringList ListColumn(const CConverterDlg& dialog, int column);
// The marked rows' indexes, top to bottom.
QList<int> MarkedRows(const CConverterDlg& dialog);
// A click on a row, with modifiers as a user holds them.
void ClickRow(const CConverterDlg& dialog, int row,
              Qt::KeyboardModifiers modifiers = Qt::NoModifier);

// Runs a check each time the event loop passes (also inside the run's
// progress calls) until it returns true.
class WhenReady : public QObject {
 public:
  explicit WhenReady(std::function<bool()> check);
  bool Done() const { return m_done; }

 private:
  QTimer m_timer;
  std::function<bool()> m_check;
  bool m_done = false;
};

// The test program's main: offscreen, and a decoy config folder before
// anything can open the settings store.
int RunTests(int argc, char** argv, QObject& tests);

}  // namespace q9::app::test

#define Q9_APP_TEST_MAIN(TestClass)                    \
  int main(int argc, char** argv) {                    \
    TestClass tests;                                   \
    return q9::app::test::RunTests(argc, argv, tests); \
  }
