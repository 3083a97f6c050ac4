#include "platform/registry/cq9_registry.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdlib>

namespace q9::platform {
namespace {

// Before anything opens the store: remember where the user's own file is,
// and move the config folder somewhere harmless in case a path slips past
// the per-test setPath.
const std::string kUsersOwnStore = [] {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  std::string base = xdg && *xdg ? xdg : std::string(home ? home : "") + "/.config";
  static QTemporaryDir decoy;
  setenv("XDG_CONFIG_HOME", decoy.path().toLocal8Bit().constData(), 1);
  return base + "/Halvren/Q9100Converter.ini";
}();

const std::string kKey = "Software\\Halvren\\App\\Sec";  // the user key of App, Sec

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { PointStoreAt(m_dir.path()); }

  void PointStoreAt(const QString& dir) {
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir);
    const std::string store = CQ9Registry::StorePath();
    ASSERT_EQ(store.rfind(dir.toStdString() + "/", 0), 0u) << store;
    ASSERT_NE(store, kUsersOwnStore);
  }

  // Points the store at a copy of its file under another folder, so that
  // nothing cached in this process can answer: proves what reached the disk.
  void UseACopyOfTheFile() {
    const QString copy = m_dir.path() + "/copy";
    QDir().mkpath(copy + "/Halvren");
    ASSERT_TRUE(QFile::copy(QString::fromStdString(CQ9Registry::StorePath()),
                            copy + "/Halvren/Q9100Converter.ini"));
    PointStoreAt(copy);
  }

  QTemporaryDir m_dir;
};

// Over a damaged file (junk, then values of the wrong type): text an INI
// file could read back as something else and DWORD extremes survive; a
// missing or mistyped value leaves the output unchanged.
TEST_F(RegistryTest, ValuesRoundTripMistypedOnesLeaveTheOutputUnchanged) {
  QDir().mkpath(m_dir.path() + "/Halvren");
  QFile raw(QString::fromStdString(CQ9Registry::StorePath()));
  ASSERT_TRUE(raw.open(QIODevice::WriteOnly));
  raw.write("\x01\xFF\n[Software\nHalvren\\=\\\n=\n\\x\\u12\n[Software]\n");
  for (const char* line :
       {"Negative=-1", "TooBig=4294967296", "Trailing=12abc", "List=a, b", "Bytes=@ByteArray(xyz)"})
    raw.write(QByteArray("Halvren\\App\\Sec\\") + line + "\n");
  raw.close();

  const std::string text = "\xC3\xA9 a=b;c # no comment\n[section]\r\n a,b, \"c\" @ByteArray(x) \\";
  const uint32_t dwords[] = {0, 0xFFFFFFFF};
  {
    CQ9Registry reg;  // left without Close: destruction writes the file
    ASSERT_TRUE(reg.OpenUserRegistryKey("App", "Sec"));
    ASSERT_TRUE(reg.SetRegistryString("s", text));
    for (uint32_t v : dwords) ASSERT_TRUE(reg.SetRegistryDword("d" + std::to_string(v), &v));
  }
  UseACopyOfTheFile();
  CQ9Registry reg;
  ASSERT_TRUE(reg.OpenRegistryKey(kHkeyCurrentUser, kKey, kKeyAllAccess));
  std::string out;
  EXPECT_TRUE(reg.GetRegistryString("s", out));
  EXPECT_EQ(out, text);
  for (uint32_t v : dwords) {
    uint32_t got = 12345;
    EXPECT_TRUE(reg.GetRegistryDword("d" + std::to_string(v), &got)) << v;
    EXPECT_EQ(got, v);
  }
  // The file is untyped: a number that is not a DWORD still reads as text.
  const std::pair<const char*, bool> mistyped[] = {{"Missing", false}, {"Negative", true},
                                                   {"TooBig", true},   {"Trailing", true},
                                                   {"List", false},    {"Bytes", false}};
  for (const auto& [name, isText] : mistyped) {
    uint32_t value = 777;
    std::string str = "unchanged";
    EXPECT_FALSE(reg.GetRegistryDword(name, &value)) << name;
    EXPECT_EQ(value, 777u) << name;
    EXPECT_EQ(reg.GetRegistryString(name, str), isText) << name;
    EXPECT_EQ(str == "unchanged", !isText) << name;
  }
}

TEST_F(RegistryTest, OpenNeedsAnExistingKeyCreateMakesIt) {
  CQ9Registry reg;
  EXPECT_FALSE(reg.CloseRegistryKey());  // nothing open: nothing closed
  EXPECT_FALSE(reg.OpenUserRegistryKey("Q9Convrt", "Settings"));
  ASSERT_TRUE(reg.CreateUserRegistryKey("Q9Convrt", "Settings"));
  ASSERT_TRUE(reg.SetRegistryString("Dest_Server", "/signs/out"));
  ASSERT_TRUE(reg.CloseRegistryKey());
  EXPECT_FALSE(reg.CloseRegistryKey());
  // The user key lies under Software\Halvren; either separator, and
  // separators at the ends, name the same key.
  std::string out;
  ASSERT_TRUE(reg.OpenRegistryKey(kHkeyCurrentUser, "\\Software\\Halvren/Q9Convrt\\Settings\\",
                                  kKeyAllAccess));
  EXPECT_TRUE(reg.GetRegistryString("Dest_Server", out));
  EXPECT_EQ(out, "/signs/out");
  EXPECT_FALSE(reg.OpenUserRegistryKey("q9convrt", "Settings"));  // case-sensitive
  // Both names are needed: an empty one would reach the application's key.
  EXPECT_FALSE(reg.CreateUserRegistryKey("Q9Convrt", ""));
  EXPECT_FALSE(reg.OpenUserRegistryKey("", "Settings"));
  EXPECT_FALSE(reg.CreateRegistryKey(kHkeyCurrentUser, "Software\\\\Halvren", kKeyAllAccess));
  EXPECT_FALSE(reg.CreateRegistryKey(0x80000002, kKey, kKeyAllAccess));  // machine root
  ASSERT_TRUE(reg.CreateRegistryKey(kHkeyCurrentUser, kKey, kKeyAllAccess));
  for (const char* bad : {"", "a/b", "a\\b"}) EXPECT_FALSE(reg.SetRegistryString(bad, "x")) << bad;
}

// A value pending when the folder became unwritable is reported by Close.
TEST_F(RegistryTest, StoreThatCannotBeWrittenGivesZero) {
  const QString live = m_dir.path() + "/live";
  PointStoreAt(live);
  CQ9Registry reg;
  ASSERT_TRUE(reg.CreateRegistryKey(kHkeyCurrentUser, kKey, kKeyAllAccess));
  ASSERT_TRUE(reg.SetRegistryString("WAV_Path", "/wav"));
  // A plain file takes the folder's name, so nothing can be written there
  // whoever runs the test.
  ASSERT_TRUE(QDir().rename(live, live + "-moved"));
  QFile blocker(live);
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  EXPECT_FALSE(reg.CloseRegistryKey());
}

}  // namespace
}  // namespace q9::platform
