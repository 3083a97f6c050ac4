#include "app/converter_app.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <clocale>

#include "app/app_icons.h"
#include "app/converter_dlg.h"
#include "gui/desktop_prompts.h"
#include "gui/event_pump.h"
#include "platform/imaging/imaging_library.h"
#include "program/program_messages.h"

namespace q9::app {
namespace {

// A directory from the command line as the fields show it: absolute and
// without a trailing "/", so that a sign folder's name is its last part.
QString FieldPath(const std::string& path) {
  if (path.empty()) return {};
  return QDir::cleanPath(QFileInfo(QString::fromStdString(path)).absoluteFilePath());
}

}  // namespace

int CConverterApp::Run(int& argc, char** argv, const std::string& source,
                       const std::string& destination) {
  QApplication application(argc, argv);
  // Qt takes the user's locale for C too; numbers the core formats or
  // parses keep the "." whatever the desktop's language.
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setApplicationName(QStringLiteral("q9convert"));
  QApplication::setApplicationVersion(QString::fromUtf8(program::Version()));
  QGuiApplication::setDesktopFileName(QStringLiteral("q9convert"));
  QApplication::setWindowIcon(AppIcon());
  platform::InitializeImaging(argv[0]);
  gui::InstallWaitCursor();

  gui::DesktopPrompts prompts;
  CConverterDlg dialog(prompts, FieldPath(source), FieldPath(destination));
  dialog.exec();
  return 0;
}

}  // namespace q9::app
