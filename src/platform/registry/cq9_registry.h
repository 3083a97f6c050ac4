#pragma once
// The per-user settings store, organised as registry keys holding named
// string and DWORD values. It lives in one INI file in the user's config
// folder:
//
//   $XDG_CONFIG_HOME/Halvren/Q9100Converter.ini   (default ~/.config/...)
//
// A key path such as "Software\Halvren\Q9Convrt\Settings" is an INI group
// "Software/Halvren/Q9Convrt/Settings"; "\" and "/" both separate keys.
// Key and value names are case-sensitive. The file is text, so a DWORD is
// stored as its decimal number and a value reads as a DWORD only when it is
// one; any value reads as a string.
//
// A key exists while it holds a value or a subkey: a key created and left
// empty is not kept. Every call returns non-zero for success and 0 for
// failure; nothing throws and nothing is reported, since callers treat a
// settings failure as "nothing stored".
//
// No Qt type appears here, so layers without Qt can use the store.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QSettings;

namespace q9::platform {

// The one root key: the current user's settings. Other roots fail.
constexpr uint32_t kHkeyCurrentUser = 0x80000001u;

// Access masks as the registry defines them. Reading values needs
// kKeyQueryValue, writing needs kKeySetValue, listing subkeys needs
// kKeyEnumerateSubKeys.
constexpr uint32_t kKeyQueryValue = 0x0001;
constexpr uint32_t kKeySetValue = 0x0002;
constexpr uint32_t kKeyEnumerateSubKeys = 0x0008;
constexpr uint32_t kKeyRead = 0x20019;
constexpr uint32_t kKeyWrite = 0x20006;
constexpr uint32_t kKeyAllAccess = 0xF003F;

class CQ9Registry {
 public:
  CQ9Registry();
  ~CQ9Registry();  // closes the key, writing what is pending
  CQ9Registry(const CQ9Registry&) = delete;
  CQ9Registry& operator=(const CQ9Registry&) = delete;

  // The per-user key of an application section, opened with full access:
  // "Software\Halvren\<application>\<section>". Open fails when the key does
  // not exist; Create makes it (it fails only when the store cannot be
  // written). Empty names fail.
  int OpenUserRegistryKey(std::string_view application, std::string_view section);
  int CreateUserRegistryKey(std::string_view application, std::string_view section);

  // Any key below the root. An open key is closed first. An empty subkey is
  // the root itself; a path with an empty component ("a\\b") fails.
  int OpenRegistryKey(uint32_t root, std::string_view subkey, uint32_t access);
  int CreateRegistryKey(uint32_t root, std::string_view subkey, uint32_t access);

  // Values of the open key. Get leaves `out` unchanged when the value is
  // missing or is not of the asked type (a list, or a non-number for a
  // DWORD). Set fails when the store cannot be written; what it sets reaches
  // the file at CloseRegistryKey (one write per key, not one per value).
  // Value names must be non-empty and hold no "\" or "/".
  int GetRegistryString(std::string_view name, std::string& out);
  int SetRegistryString(std::string_view name, std::string_view value);
  int GetRegistryDword(std::string_view name, uint32_t* out);
  int SetRegistryDword(std::string_view name, const uint32_t* in);

  // Writes what is pending to the file and closes. Fails when no key is
  // open, or when something set or deleted did not reach the file (a store
  // that became unwritable, a full disk).
  int CloseRegistryKey();

  bool IsOpen() const { return m_settings != nullptr; }

  // The names of the open key's subkeys (the named settings sets), sorted;
  // empty when no key is open.
  std::vector<std::string> SubkeyNames();
  // Removes a subkey of the open key with everything below it (a value of
  // the same name beside it stays). Fails when there is no such subkey.
  int DeleteSubkey(std::string_view name);

  // The file the store lives in (tests check it is not the user's own).
  static std::string StorePath();

 private:
  int Open(uint32_t root, std::string_view subkey, uint32_t access, bool create);
  bool CanRead() const;
  bool CanWrite() const;
  bool Commit();

  std::unique_ptr<QSettings> m_settings;
  std::string m_group;  // "Software/Halvren/..." without leading or trailing "/"
  uint32_t m_access = 0;
  bool m_dirty = false;        // something set or deleted since the open
  bool m_writeFailed = false;  // a write was refused or did not reach the file
};

}  // namespace q9::platform
