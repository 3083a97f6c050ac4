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

const std::string kSettingsPath =
    "Software\\Halvren\\Quillan9100\\V5.0\\Q9Edit\\ImportDialog\\Settings";

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { PointStoreAt(m_dir.path()); }

  void PointStoreAt(const QString& dir) {
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir);
    const std::string store = CQ9Registry::StorePath();
    ASSERT_EQ(store.rfind(dir.toStdString() + "/", 0), 0u) << store;
    ASSERT_NE(store, kUsersOwnStore);
  }

  QString StoreFile() const { return QString::fromStdString(CQ9Registry::StorePath()); }

  void WriteRawStore(const QByteArray& text) {
    QDir().mkpath(QFileInfo(StoreFile()).absolutePath());
    QFile f(StoreFile());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
  }

  // Reads a copy of the file under another name, so that nothing cached in
  // this process can answer: proves what reached the disk.
  void ReadFromACopyOfTheFile() {
    const QString copy = m_dir.path() + "/copy";
    QDir().mkpath(copy + "/Halvren");
    QFile::remove(copy + "/Halvren/Q9100Converter.ini");
    ASSERT_TRUE(QFile::copy(StoreFile(), copy + "/Halvren/Q9100Converter.ini"));
    PointStoreAt(copy);
  }

  // The folder the store is in goes away and a plain file takes its name, so
  // nothing can be written there whoever runs the test.
  void BlockFolder(const QString& dir) {
    if (QDir(dir).exists()) {
      ASSERT_TRUE(QDir().rename(dir, dir + "-moved"));
    }
    QFile blocker(dir);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  }

  QTemporaryDir m_dir;
};

TEST_F(RegistryTest, ValuesRoundTripThroughTheFile) {
  // Text that an INI file could read back as something else.
  const std::string strings[] = {"",
                                 "UTF-8 \xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80",
                                 "a=b;c # not a comment\n[section]\r\n",
                                 "  a,b, \"c\"  ",
                                 "@ByteArray(x) back\\slash /slash",
                                 std::string(20000, 'x')};
  const uint32_t dwords[] = {0, 0x80000000, 0xFFFFFFFF};
  {
    CQ9Registry reg;  // left without Close: destruction writes the file
    ASSERT_TRUE(reg.CreateRegistryKey(kHkeyCurrentUser, kSettingsPath, kKeyAllAccess));
    for (size_t i = 0; i < std::size(strings); ++i)
      ASSERT_TRUE(reg.SetRegistryString("s" + std::to_string(i), strings[i])) << i;
    for (uint32_t v : dwords) ASSERT_TRUE(reg.SetRegistryDword("d" + std::to_string(v), &v));
  }
  QFile raw(StoreFile());
  ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
  EXPECT_TRUE(raw.readAll().contains("d4294967295=4294967295")) << "DWORDs are readable text";

  ReadFromACopyOfTheFile();
  CQ9Registry reg;
  ASSERT_TRUE(reg.OpenRegistryKey(kHkeyCurrentUser, kSettingsPath, kKeyAllAccess));
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
  EXPECT_TRUE(reg.CloseRegistryKey());
}

// The values follow junk that a damaged file might hold: reading them, and
// writing to the file, still work.
TEST_F(RegistryTest, MissingOrMistypedValuesLeaveTheOutputUnchanged) {
  QByteArray junk;
  for (int i = 0; i < 4096; ++i) junk.append(char((i * 7919) & 0xFF));
  WriteRawStore(junk +
                "\n[Software\nHalvren\\=\\\n=\n\\x\\u12\n"
                "[Software]\n"
                "Halvren\\App\\Sec\\Text=hello\n"
                "Halvren\\App\\Sec\\Negative=-1\n"
                "Halvren\\App\\Sec\\TooBig=4294967296\n"
                "Halvren\\App\\Sec\\Trailing=12abc\n"
                "Halvren\\App\\Sec\\Empty=\n"
                "Halvren\\App\\Sec\\List=a, b\n"
                "Halvren\\App\\Sec\\Bytes=@ByteArray(xyz)\n"
                "Halvren\\App\\Sec\\Good=42\n");
  CQ9Registry reg;
  ASSERT_TRUE(reg.OpenUserRegistryKey("App", "Sec"));
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
  uint32_t good = 0;
  std::string text;
  EXPECT_TRUE(reg.GetRegistryDword("Good", &good));
  EXPECT_EQ(good, 42u);
  EXPECT_TRUE(reg.GetRegistryString("Good", text));  // the file is untyped text
  EXPECT_EQ(text, "42");
  EXPECT_FALSE(reg.GetRegistryDword("Good", nullptr));
  reg.SubkeyNames();  // whatever the junk parsed into, listing it is safe
  ASSERT_TRUE(reg.SetRegistryString("WAV_Path", "/wav"));
  ASSERT_TRUE(reg.CloseRegistryKey());

  ReadFromACopyOfTheFile();
  ASSERT_TRUE(reg.OpenUserRegistryKey("App", "Sec"));
  EXPECT_TRUE(reg.GetRegistryString("WAV_Path", text));
  EXPECT_EQ(text, "/wav");
}

TEST_F(RegistryTest, OpenNeedsAnExistingKeyCreateMakesIt) {
  CQ9Registry reg;
  EXPECT_FALSE(reg.OpenUserRegistryKey("Q9Convrt", "Settings"));
  EXPECT_FALSE(reg.IsOpen());
  ASSERT_TRUE(reg.CreateUserRegistryKey("Q9Convrt", "Settings"));
  ASSERT_TRUE(reg.SetRegistryString("Dest_Server", "/signs/out"));
  ASSERT_TRUE(reg.CloseRegistryKey());

  // The application's user key lies under Software\Halvren; either
  // separator, and separators at the ends, name the same key.
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
  EXPECT_FALSE(reg.CreateRegistryKey(0x80000002, kSettingsPath, kKeyAllAccess));  // machine root
  ASSERT_TRUE(reg.CreateRegistryKey(kHkeyCurrentUser, kSettingsPath, kKeyAllAccess));
  for (const char* bad : {"", "a/b", "a\\b"}) EXPECT_FALSE(reg.SetRegistryString(bad, "x")) << bad;
}

TEST_F(RegistryTest, ListsAndDeletesSubkeys) {
  CQ9Registry reg;
  for (const char* name : {"morning show", "Evening", "Z\xC3\xBCrich", "General", "50%"}) {
    ASSERT_TRUE(
        reg.CreateRegistryKey(kHkeyCurrentUser, kSettingsPath + "\\" + name, kKeyAllAccess));
    uint32_t v = 64;
    ASSERT_TRUE(reg.SetRegistryDword("Brightness", &v));
  }
  ASSERT_TRUE(reg.CreateRegistryKey(kHkeyCurrentUser, kSettingsPath, kKeyAllAccess));
  ASSERT_TRUE(reg.SetRegistryString("Evening", "a value beside the subkey"));
  EXPECT_EQ(reg.SubkeyNames(), (std::vector<std::string>{"50%", "Evening", "General",
                                                         "Z\xC3\xBCrich", "morning show"}));
  EXPECT_TRUE(reg.DeleteSubkey("Evening"));
  EXPECT_FALSE(reg.DeleteSubkey("Evening"));
  ASSERT_TRUE(reg.CloseRegistryKey());

  ReadFromACopyOfTheFile();
  ASSERT_TRUE(reg.OpenRegistryKey(kHkeyCurrentUser, kSettingsPath, kKeyRead));
  EXPECT_EQ(reg.SubkeyNames(),
            (std::vector<std::string>{"50%", "General", "Z\xC3\xBCrich", "morning show"}));
  std::string kept;
  EXPECT_TRUE(reg.GetRegistryString("Evening", kept));
  EXPECT_EQ(kept, "a value beside the subkey");
  // Read access: no writing, no deleting.
  EXPECT_FALSE(reg.SetRegistryString("Evening", "x"));
  EXPECT_FALSE(reg.DeleteSubkey("General"));
  // Write access: no reading, no listing.
  ASSERT_TRUE(reg.OpenRegistryKey(kHkeyCurrentUser, kSettingsPath, kKeyWrite));
  EXPECT_FALSE(reg.GetRegistryString("Evening", kept));
  EXPECT_TRUE(reg.SubkeyNames().empty());
  EXPECT_TRUE(reg.SetRegistryString("Evening", "x"));
}

TEST_F(RegistryTest, ClosedObjectFailsEverything) {
  CQ9Registry reg;
  ASSERT_TRUE(reg.CreateRegistryKey(kHkeyCurrentUser, kSettingsPath, kKeyAllAccess));
  uint32_t v = 1;
  ASSERT_TRUE(reg.SetRegistryDword("AutoSave", &v));
  ASSERT_TRUE(reg.CreateRegistryKey(kHkeyCurrentUser, "Software\\Other", kKeyAllAccess));
  EXPECT_FALSE(reg.GetRegistryDword("AutoSave", &v)) << "the second open replaced the first";
  ASSERT_TRUE(reg.CloseRegistryKey());
  std::string s = "unchanged";
  uint32_t d = 5;
  EXPECT_FALSE(reg.GetRegistryString("AutoSave", s) || reg.SetRegistryString("AutoSave", "1") ||
               reg.GetRegistryDword("AutoSave", &d) || reg.SetRegistryDword("AutoSave", &d) ||
               reg.DeleteSubkey("x") || reg.CloseRegistryKey());
  EXPECT_TRUE(reg.SubkeyNames().empty());
  EXPECT_EQ(s, "unchanged");
  EXPECT_EQ(d, 5u);
}

TEST_F(RegistryTest, StoreThatCannotBeWrittenGivesZero) {
  // Unwritable from the start: nothing can be created.
  BlockFolder(m_dir.path() + "/blocked");
  PointStoreAt(m_dir.path() + "/blocked/config");
  CQ9Registry reg;
  EXPECT_FALSE(reg.CreateRegistryKey(kHkeyCurrentUser, kSettingsPath, kKeyAllAccess));

  // Unwritable after the open: a value pending then is reported by Close,
  // one set afterwards by Set.
  for (bool setAfterwards : {false, true}) {
    const QString live = m_dir.path() + (setAfterwards ? "/live2" : "/live1");
    PointStoreAt(live);
    ASSERT_TRUE(reg.CreateRegistryKey(kHkeyCurrentUser, kSettingsPath, kKeyAllAccess));
    if (!setAfterwards) {
      ASSERT_TRUE(reg.SetRegistryString("WAV_Path", "/wav"));
    }
    BlockFolder(live);
    if (setAfterwards) {
      EXPECT_FALSE(reg.SetRegistryString("WAV_Path", "/wav"));
    }
    EXPECT_FALSE(reg.CloseRegistryKey()) << setAfterwards;
    EXPECT_FALSE(reg.IsOpen());
  }
}

}  // namespace
}  // namespace q9::platform
