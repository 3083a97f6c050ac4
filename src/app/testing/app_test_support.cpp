#include "app/testing/app_test_support.h"

#include <QPushButton>
#include <QSettings>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>

#include "platform/registry/cq9_registry.h"
#include "platform/signlib/bulb_layout.h"
#include "platform/signlib/seq_writer.h"
#include "platform/video/test_media.h"

namespace q9::app::test {

TempSettings::TempSettings() {
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
  const std::string store = platform::CQ9Registry::StorePath();
  if (store.rfind(m_dir.path().toStdString() + "/", 0) != 0)
    qFatal("the settings store is not the test's own: %s", store.c_str());
}

void TempSettings::Store(const QString& destination, const QString& source) {
  platform::CQ9Registry registry;
  QVERIFY(registry.CreateUserRegistryKey(kSettingsApplication, kSettingsSection));
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

bool CopyTestImage(const char* testImage, const std::string& to) {
  std::error_code ec;
  std::filesystem::copy_file(std::string(Q9_TEST_DATA_DIR "/images/") + testImage, to,
                             std::filesystem::copy_options::overwrite_existing, ec);
  if (ec) qWarning("cannot copy %s to %s", testImage, to.c_str());
  return !ec;
}

bool MakeVideo(const std::string& path, int frames) {
  const bool made = platform::test::Ffmpeg(platform::test::ColourCountInput("64x48", "25", frames) +
                                           " -c:v mjpeg -y '" + path + "'");
  if (!made) qWarning("ffmpeg could not make %s", path.c_str());
  return made;
}

bool MakeOldSequence(const std::string& path, unsigned frames) {
  platform::CQ8SeqWriter writer;
  const platform::SignGeometry sign{8, 16, platform::Q9_RGB16MB};
  bool made = writer.Create(sign);
  for (unsigned i = 0; made && i < frames; ++i) {
    std::vector<uint8_t> bulbs(platform::BulbDataSize(sign.rows, sign.columns, sign.colorType),
                               uint8_t(40 * i + 1));
    made = writer.AddFrame(4, {}, bulbs);
  }
  made = made && writer.Write(path);
  if (!made) qWarning("cannot make %s: %s", path.c_str(), writer.Error().c_str());
  return made;
}

std::vector<uint8_t> FileBytes(const std::string& path) {
  return platform::test::ReadBytes(path);
}

void Click(const QWidget& dialog, int id) {
  QTest::mouseClick(Control<QPushButton>(dialog, id), Qt::LeftButton);
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

WhenReady::WhenReady(std::function<bool()> check) : m_check(std::move(check)) {
  m_timer.setInterval(0);
  connect(&m_timer, &QTimer::timeout, this, [this] {
    if (m_check()) {
      m_done = true;
      m_timer.stop();
    }
  });
  m_timer.start();
}

int RunTests(int argc, char** argv, QObject& tests) {
  static QTemporaryDir decoy;
  setenv("XDG_CONFIG_HOME", decoy.path().toLocal8Bit().constData(), 1);
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication application(argc, argv);
  return QTest::qExec(&tests, argc, argv);
}

}  // namespace q9::app::test
