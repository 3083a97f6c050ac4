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

  // The folder goes away and a plain file takes its name, so nothing can be
  // written there whoever runs the test.
  static void BlockFolder(const QString& dir) {
    ASSERT_TRUE(!QDir(dir).exists() || QDir().rename(dir, dir + "-moved"));
    QFile blocker(dir);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  }

  QTemporaryDir m_dir;
};

// Over a damaged file (junk, then values of the wrong type): text an INI
// file could read back as something else and DWORD extremes survive; a
// missing or mistyped value leaves the output unchanged.
TEST_F(RegistryTest, ValuesRoundTripMistypedOnesLeaveTheOutputUnchanged) {
  QByteArray junk;
  for (int i = 0; i < 4096; ++i) junk.append(char((i * 7919) & 0xFF));
  QDir().mkpath(m_dir.path() + "/Halvren");
  QFile raw(QString::fromStdString(CQ9Registry::StorePath()));
  ASSERT_TRUE(raw.open(QIODevice::WriteOnly));
  raw.write(junk + "\n[Software\nHalvren\\=\\\n=\n\\x\\u12\n[Software]\n");
  for (const char* line : {"Text=hello", "Negative=-1", "TooBig=4294967296", "Trailing=12abc",
                           "Empty=", "List=a, b", "Bytes=@ByteArray(xyz)"})
    raw.write(QByteArray("Halvren\\App\\Sec\\") + line + "\n");
  raw.close();

  const std::string strings[] = {"", "UTF-8 \xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80",
                                 "a=b;c # not a comment\n[section]\r\n  a,b, \"c\"  ",
                                 "@ByteArray(x) back\\slash /slash", std::string(20000, 'x')};
  const uint32_t dwords[] = {0, 0x80000000, 0xFFFFFFFF};
  {
    CQ9Registry reg;  // left without Close: destruction writes the file
    ASSERT_TRUE(reg.OpenUserRegistryKey("App", "Sec"));
    reg.SubkeyNames();  // whatever the junk parsed into, listing it is safe
    for (size_t i = 0; i < std::size(strings); ++i)
      ASSERT_TRUE(reg.SetRegistryString("s" + std::to_string(i), strings[i])) << i;
    for (uint32_t v : dwords) ASSERT_TRUE(reg.SetRegistryDword("d" + std::to_string(v), &v));
  }
  UseACopyOfTheFile();
  CQ9Registry reg;
  ASSERT_TRUE(reg.OpenRegistryKey(kHkeyCurrentUser, kKey, kKeyAllAccess));
  for (size_t i = 0; i < std::size(strings); ++i) {
    std::string out = "unchanged";
    EXPECT_TRUE(reg.GetRegistryString("s" + std::to_string(i), out)) << i;
    EXPECT_EQ(out, strings[i]) << i;
  }
  for (uint32_t v : dwords) {
    uint32_t out = 12345;
    EXPECT_TRUE(reg.GetRegistryDword("d" + std::to_string(v), &out)) << v;
    EXPECT_EQ(out, v);
  }
  for (const char* name :
       {"Missing", "Text", "Negative", "TooBig", "Trailing", "Empty", "List", "Bytes"}) {
    uint32_t out = 777;
    EXPECT_FALSE(reg.GetRegistryDword(name, &out)) << name;
    EXPECT_EQ(out, 777u) << name;
  }
  for (const char* name : {"Missing", "List", "Bytes"}) {
    std::string out = "unchanged";
    EXPECT_FALSE(reg.GetRegistryString(name, out)) << name;
    EXPECT_EQ(out, "unchanged") << name;
  }
  std::string text;  // the file is untyped text: a DWORD reads as a string too
  EXPECT_TRUE(reg.GetRegistryString("d4294967295", text));
  EXPECT_EQ(text, "4294967295");
  EXPECT_FALSE(reg.GetRegistryDword("d0", nullptr));
}

TEST_F(RegistryTest, OpenNeedsAnExistingKeyCreateMakesIt) {
  CQ9Registry reg;
  EXPECT_FALSE(reg.OpenUserRegistryKey("Q9Convrt", "Settings"));
  EXPECT_FALSE(reg.IsOpen());
  ASSERT_TRUE(reg.CreateUserRegistryKey("Q9Convrt", "Settings"));
  ASSERT_TRUE(reg.SetRegistryString("Dest_Server", "/signs/out"));
  ASSERT_TRUE(reg.CloseRegistryKey());

  // The user key lies under Software\Halvren; either separator, and
  // separators at the ends, name the same key.
  for (const char* path :
       {"Software\\Halvren\\Q9Convrt\\Settings", "\\Software\\Halvren/Q9Convrt\\Settings\\"}) {
    std::string out;
    ASSERT_TRUE(reg.OpenRegistryKey(kHkeyCurrentUser, path, kKeyAllAccess)) << path;
    EXPECT_TRUE(reg.GetRegistryString("Dest_Server", out)) << path;
    EXPECT_EQ(out, "/signs/out") << path;
  }
  // A key holding only a subkey exists; a created key left empty does not.
  EXPECT_TRUE(reg.OpenRegistryKey(kHkeyCurrentUser, "Software\\Halvren", kKeyAllAccess));
  ASSERT_TRUE(reg.CreateRegistryKey(kHkeyCurrentUser, "Software\\Empty", kKeyAllAccess));
  ASSERT_TRUE(reg.CloseRegistryKey());
  EXPECT_FALSE(reg.OpenRegistryKey(kHkeyCurrentUser, "Software\\Empty", kKeyAllAccess));

  EXPECT_FALSE(reg.OpenUserRegistryKey("q9convrt", "Settings"));  // case-sensitive
  EXPECT_FALSE(reg.CreateUserRegistryKey("", "Settings"));
  EXPECT_FALSE(reg.CreateRegistryKey(kHkeyCurrentUser, "Software\\\\Halvren", kKeyAllAccess));
  EXPECT_FALSE(reg.CreateRegistryKey(0x80000002, kKey, kKeyAllAccess));  // machine root
  ASSERT_TRUE(reg.CreateRegistryKey(kHkeyCurrentUser, kKey, kKeyAllAccess));
  for (const char* bad : {"", "a/b", "a\\b"}) EXPECT_FALSE(reg.SetRegistryString(bad, "x")) << bad;

  // A second open replaces the first; a closed object fails everything.
  uint32_t d = 5;
  ASSERT_TRUE(reg.SetRegistryDword("AutoSave", &d));
  ASSERT_TRUE(reg.CreateRegistryKey(kHkeyCurrentUser, "Software\\Other", kKeyAllAccess));
  EXPECT_FALSE(reg.GetRegistryDword("AutoSave", &d));
  ASSERT_TRUE(reg.CloseRegistryKey());
  std::string s = "unchanged";
  EXPECT_FALSE(reg.GetRegistryString("AutoSave", s) || reg.SetRegistryString("AutoSave", "1") ||
               reg.GetRegistryDword("AutoSave", &d) || reg.SetRegistryDword("AutoSave", &d) ||
               reg.DeleteSubkey("x") || reg.CloseRegistryKey());
  EXPECT_TRUE(reg.SubkeyNames().empty());
  EXPECT_EQ(s, "unchanged");
  EXPECT_EQ(d, 5u);
}

TEST_F(RegistryTest, ListsAndDeletesSubkeysWithinItsAccess) {
  CQ9Registry reg;
  for (const char* name : {"morning show", "Evening", "Z\xC3\xBCrich", "50%"}) {
    ASSERT_TRUE(reg.CreateRegistryKey(kHkeyCurrentUser, kKey + "\\" + name, kKeyAllAccess));
    ASSERT_TRUE(reg.SetRegistryString("Brightness", "64"));
  }
  ASSERT_TRUE(reg.CreateRegistryKey(kHkeyCurrentUser, kKey, kKeyAllAccess));
  ASSERT_TRUE(reg.SetRegistryString("Evening", "a value beside the subkey"));
  EXPECT_EQ(reg.SubkeyNames(),
            (std::vector<std::string>{"50%", "Evening", "Z\xC3\xBCrich", "morning show"}));
  EXPECT_TRUE(reg.DeleteSubkey("Evening"));
  EXPECT_FALSE(reg.DeleteSubkey("Evening"));
  ASSERT_TRUE(reg.CloseRegistryKey());

  UseACopyOfTheFile();
  ASSERT_TRUE(reg.OpenRegistryKey(kHkeyCurrentUser, kKey, kKeyRead));
  EXPECT_EQ(reg.SubkeyNames(), (std::vector<std::string>{"50%", "Z\xC3\xBCrich", "morning show"}));
  std::string kept;
  EXPECT_TRUE(reg.GetRegistryString("Evening", kept));
  EXPECT_EQ(kept, "a value beside the subkey");
  EXPECT_FALSE(reg.SetRegistryString("Evening", "x"));  // read access: no writing, no deleting
  EXPECT_FALSE(reg.DeleteSubkey("50%"));
  ASSERT_TRUE(reg.OpenRegistryKey(kHkeyCurrentUser, kKey, kKeyWrite));
  EXPECT_FALSE(reg.GetRegistryString("Evening", kept));  // write access: no reading, no listing
  EXPECT_TRUE(reg.SubkeyNames().empty());
  EXPECT_TRUE(reg.SetRegistryString("Evening", "x"));
}

TEST_F(RegistryTest, StoreThatCannotBeWrittenGivesZero) {
  BlockFolder(m_dir.path() + "/blocked");
  PointStoreAt(m_dir.path() + "/blocked/config");
  CQ9Registry reg;
  EXPECT_FALSE(reg.CreateRegistryKey(kHkeyCurrentUser, kKey, kKeyAllAccess));

  // Unwritable after the open: a value pending then is reported by Close,
  // one set afterwards by Set.
  for (bool setAfterwards : {false, true}) {
    const QString live = m_dir.path() + (setAfterwards ? "/live2" : "/live1");
    PointStoreAt(live);
    ASSERT_TRUE(reg.CreateRegistryKey(kHkeyCurrentUser, kKey, kKeyAllAccess));
    ASSERT_TRUE(setAfterwards || reg.SetRegistryString("WAV_Path", "/wav"));
    BlockFolder(live);
    EXPECT_FALSE(setAfterwards && reg.SetRegistryString("WAV_Path", "/wav"));
    EXPECT_FALSE(reg.CloseRegistryKey()) << setAfterwards;
    EXPECT_FALSE(reg.IsOpen());
  }
}

}  // namespace
}  // namespace q9::platform
