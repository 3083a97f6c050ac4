#include "platform/registry/cq9_registry.h"

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <charconv>

namespace q9::platform {
namespace {

constexpr const char* kOrganization = "Halvren";
constexpr const char* kStoreName = "Q9100Converter";
constexpr std::string_view kUserKeyPrefix = "Software/Halvren/";

QString ToQString(std::string_view s) {
  return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

std::unique_ptr<QSettings> OpenStore() {
  auto store = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                           kOrganization, kStoreName);
  // Only the user's own file: a system-wide file must not make keys appear
  // that the user cannot write.
  store->setFallbacksEnabled(false);
  return store;
}

// "Software\Halvren\x" -> "Software/Halvren/x". Separators at either end
// are dropped; an empty component in between, or a NUL, makes the path
// invalid.
bool NormaliseKeyPath(std::string_view path, std::string& out) {
  std::string p(path);
  if (p.find('\0') != std::string::npos) return false;
  std::replace(p.begin(), p.end(), '\\', '/');
  const size_t first = p.find_first_not_of('/');
  if (first == std::string::npos) {
    out.clear();
    return true;
  }
  p = p.substr(first, p.find_last_not_of('/') - first + 1);
  if (p.find("//") != std::string::npos) return false;
  out = std::move(p);
  return true;
}

// A value or subkey name: one component, not empty.
bool ValidName(std::string_view name) {
  return !name.empty() && name.find_first_of(std::string_view("\\/\0", 3)) == std::string::npos;
}

QString KeyIn(const std::string& group, std::string_view name) {
  return group.empty() ? ToQString(name) : ToQString(group) + '/' + ToQString(name);
}

bool ParseDword(const QString& text, uint32_t& out) {
  const std::string s = text.toStdString();
  if (s.empty() || s.front() < '0' || s.front() > '9') return false;
  uint32_t v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size()) return false;
  out = v;
  return true;
}

}  // namespace

CQ9Registry::CQ9Registry() = default;

CQ9Registry::~CQ9Registry() {
  if (IsOpen()) CloseRegistryKey();
}

int CQ9Registry::OpenUserRegistryKey(std::string_view application, std::string_view section) {
  if (application.empty() || section.empty()) return 0;
  const std::string path =
      std::string(kUserKeyPrefix) + std::string(application) + "/" + std::string(section);
  return Open(kHkeyCurrentUser, path, kKeyAllAccess, false);
}

int CQ9Registry::CreateUserRegistryKey(std::string_view application, std::string_view section) {
  if (application.empty() || section.empty()) return 0;
  const std::string path =
      std::string(kUserKeyPrefix) + std::string(application) + "/" + std::string(section);
  return Open(kHkeyCurrentUser, path, kKeyAllAccess, true);
}

int CQ9Registry::OpenRegistryKey(uint32_t root, std::string_view subkey, uint32_t access) {
  return Open(root, subkey, access, false);
}

int CQ9Registry::CreateRegistryKey(uint32_t root, std::string_view subkey, uint32_t access) {
  return Open(root, subkey, access, true);
}

int CQ9Registry::Open(uint32_t root, std::string_view subkey, uint32_t access, bool create) {
  if (IsOpen()) CloseRegistryKey();
  std::string group;
  if (root != kHkeyCurrentUser || !NormaliseKeyPath(subkey, group)) return 0;
  std::unique_ptr<QSettings> store = OpenStore();
  if (create) {
    // Also makes the folders, so that a later write has somewhere to go.
    if (!store->isWritable()) return 0;
  } else if (!group.empty()) {
    store->beginGroup(ToQString(group));
    const bool exists = !store->childKeys().isEmpty() || !store->childGroups().isEmpty();
    store->endGroup();
    if (!exists) return 0;
  }
  m_settings = std::move(store);
  m_group = std::move(group);
  m_access = access;
  m_writeFailed = false;
  m_dirty = false;
  return 1;
}

bool CQ9Registry::CanRead() const {
  return IsOpen() && (m_access & kKeyQueryValue);
}
bool CQ9Registry::CanWrite() const {
  return IsOpen() && (m_access & kKeySetValue);
}

bool CQ9Registry::Commit() {
  m_settings->sync();
  // The status keeps the first error, a read error included; it matters
  // only when something was to be written.
  if (m_dirty && m_settings->status() == QSettings::AccessError) m_writeFailed = true;
  return !m_writeFailed;
}

int CQ9Registry::GetRegistryString(std::string_view name, std::string& out) {
  if (!CanRead() || !ValidName(name)) return 0;
  const QVariant v = m_settings->value(KeyIn(m_group, name));
  // A hand-written list ("a, b") or a typed "@..." value is not a string.
  if (v.typeId() != QMetaType::QString) return 0;
  out = v.toString().toStdString();
  return 1;
}

int CQ9Registry::SetRegistryString(std::string_view name, std::string_view value) {
  if (!CanWrite() || !ValidName(name)) return 0;
  if (!m_settings->isWritable()) {
    m_writeFailed = true;
    return 0;
  }
  m_settings->setValue(KeyIn(m_group, name), ToQString(value));
  m_dirty = true;
  return 1;
}

int CQ9Registry::GetRegistryDword(std::string_view name, uint32_t* out) {
  if (!out || !CanRead() || !ValidName(name)) return 0;
  const QVariant v = m_settings->value(KeyIn(m_group, name));
  uint32_t parsed = 0;
  if (v.typeId() != QMetaType::QString || !ParseDword(v.toString(), parsed)) return 0;
  *out = parsed;
  return 1;
}

int CQ9Registry::SetRegistryDword(std::string_view name, const uint32_t* in) {
  if (!in) return 0;
  // Stored as text, so the file stays readable and the value reads back the
  // same from this object and from the file.
  return SetRegistryString(name, std::to_string(*in));
}

int CQ9Registry::CloseRegistryKey() {
  if (!IsOpen()) return 0;
  const bool ok = Commit();
  m_settings.reset();
  m_group.clear();
  m_access = 0;
  m_writeFailed = false;
  m_dirty = false;
  return ok ? 1 : 0;
}

std::vector<std::string> CQ9Registry::SubkeyNames() {
  std::vector<std::string> names;
  if (!IsOpen() || !(m_access & kKeyEnumerateSubKeys)) return names;
  if (!m_group.empty()) m_settings->beginGroup(ToQString(m_group));
  for (const QString& g : m_settings->childGroups()) names.push_back(g.toStdString());
  if (!m_group.empty()) m_settings->endGroup();
  std::sort(names.begin(), names.end());
  return names;
}

int CQ9Registry::DeleteSubkey(std::string_view name) {
  if (!CanWrite() || !ValidName(name)) return 0;
  if (!m_settings->isWritable()) {
    m_writeFailed = true;
    return 0;
  }
  // Key by key: removing the group as a whole would also take a value of
  // the same name that sits beside the subkey.
  m_settings->beginGroup(KeyIn(m_group, name));
  const QStringList keys = m_settings->allKeys();
  for (const QString& key : keys) m_settings->remove(key);
  m_dirty = m_dirty || !keys.isEmpty();
  m_settings->endGroup();
  return keys.isEmpty() ? 0 : 1;
}

std::string CQ9Registry::StorePath() {
  return OpenStore()->fileName().toStdString();
}

}  // namespace q9::platform
