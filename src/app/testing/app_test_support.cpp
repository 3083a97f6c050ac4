#include "app/testing/app_test_support.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QSettings>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>

#include "gui/event_pump.h"
#include "platform/registry/cq9_registry.h"
#include "platform/signlib/cq8_seq_writer.h"
#include "platform/signlib/q8_record.h"
#include "platform/video/test_media.h"

namespace q9::app::test {

TempSettings::TempSettings() {
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
  if (platform::CQ9Registry::StorePath().rfind(m_dir.path().toStdString() + "/", 0) != 0)
    qFatal("the settings store is not the test's own");
}

void TempSettings::Store(const QString& destination, const QString& source) {
  platform::CQ9Registry registry;
  registry.CreateUserRegistryKey(kSettingsApplication, kSettingsSection);
  registry.SetRegistryString(kDestinationValue, destination.toStdString());
  registry.SetRegistryString(kSourceValue, source.toStdString());
}

std::string TempSettings::Read(const char* name) const {
  platform::CQ9Registry registry;
  std::string value = "<missing>";
  if (registry.OpenUserRegistryKey(kSettingsApplication, kSettingsSection))
    registry.GetRegistryString(name, value);
  return value;
}

QString DialogTest::Library(const char* sign) const {
  QString library = QString::fromStdString(m_out->File(sign)) + "/Default.LIB";
  QDir().mkpath(library);
  return library;
}

std::unique_ptr<CConverterDlg> DialogTest::Open(const QString& dest, const QString& source) {
  m_settings->Store(dest, source.isNull() ? SourceDir() : source);
  auto dialog = std::make_unique<CConverterDlg>(m_prompts);
  dialog->show();
  if (!QTest::qWaitForWindowActive(dialog.get())) qWarning("the dialog is not active");
  return dialog;
}

void DialogTest::initTestCase() {
  gui::InstallWaitCursor();
}

void DialogTest::init() {
  m_settings = std::make_unique<TempSettings>();
  m_in = std::make_unique<platform::test::TempDir>();
  m_out = std::make_unique<platform::test::TempDir>();
  m_prompts = {};
  Prepare();
}

void DialogTest::cleanup() {
  QVERIFY2(m_prompts.unanswered.isEmpty(), qPrintable(m_prompts.unanswered.join(';')));
}

bool CopyTestImage(const char* testImage, const std::string& to) {
  std::error_code ec;
  std::filesystem::copy_file(std::string(Q9_TEST_DATA_DIR "/images/") + testImage, to, ec);
  return !ec;
}

bool MakeVideo(const std::string& path, int frames) {
  return platform::test::Ffmpeg(platform::test::ColourCountInput("64x48", "25", frames) +
                                " -c:v mjpeg -y '" + path + "'");
}

bool MakeOldSequence(const std::string& path, unsigned frames, bool includeFirst) {
  platform::CQ8SeqWriter writer;
  bool made = writer.Create(8, 16, platform::Q9_RGB16MB);
  if (made && includeFirst)
    made = writer.AddFrame(platform::kQ8FrameInclude, std::vector<uint8_t>(32, 1));
  for (unsigned n = includeFirst ? 2 : 1; made && n <= frames; ++n)
    made = writer.AddFrame(platform::kQ8FrameGraphics, {},
                           std::vector<uint8_t>(writer.BulbSize(), uint8_t(8 * n)));
  return made && writer.Write(path);
}

void Click(const QWidget& dialog, int id) {
  QTest::mouseClick(Control<QPushButton>(dialog, id), Qt::LeftButton);
}

QList<bool> Enabled(const QWidget& dialog, std::initializer_list<int> ids) {
  QList<bool> states;
  for (int id : ids) states << Control(dialog, id)->isEnabled();
  return states;
}

QStringList ListColumn(const CConverterDlg& dialog, int column) {
  auto* list = Control<QTreeWidget>(dialog, kIdFileList);
  QStringList texts;
  for (int row = 0; row < list->topLevelItemCount(); ++row)
    texts << list->topLevelItem(row)->text(column);
  return texts;
}

QList<int> MarkedRows(const CConverterDlg& dialog) {
  auto* list = Control<QTreeWidget>(dialog, kIdFileList);
  QList<int> rows;
  for (int row = 0; row < list->topLevelItemCount(); ++row)
    if (list->topLevelItem(row)->isSelected()) rows << row;
  return rows;
}

void ClickRow(const CConverterDlg& dialog, int row, Qt::KeyboardModifiers modifiers) {
  auto* list = Control<QTreeWidget>(dialog, kIdFileList);
  const QRect cell = list->visualItemRect(list->topLevelItem(row));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, cell.center());
}

WhenReady::WhenReady(std::function<bool()> check) {
  m_timer.setInterval(0);
  connect(&m_timer, &QTimer::timeout, this, [this, check = std::move(check)] {
    if (check()) m_timer.stop();
  });
  m_timer.start();
}

int RunTests(int argc, char** argv, QObject& tests) {
  static QTemporaryDir decoy;
  setenv("XDG_CONFIG_HOME", decoy.path().toLocal8Bit().constData(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  return QTest::qExec(&tests, argc, argv);
}

}  // namespace q9::app::test
