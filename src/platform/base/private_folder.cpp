#include "platform/base/private_folder.h"

#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace q9::platform {

Result<PrivateFolder> PrivateFolder::Create(const std::string& prefix) {
  const char* tmp = getenv("TMPDIR");
  std::string pattern = (tmp && *tmp ? std::string(tmp) : std::string("/tmp")) + "/" + prefix;
  pattern += "XXXXXX";
  // mkdtemp makes it with mode 0700.
  if (mkdtemp(pattern.data()) == nullptr) return Failure::FromErrno(errno);
  return PrivateFolder(std::move(pattern));
}

PrivateFolder::PrivateFolder(PrivateFolder&& other) noexcept : m_path(std::move(other.m_path)) {
  other.m_path.clear();
}

PrivateFolder& PrivateFolder::operator=(PrivateFolder&& other) noexcept {
  if (this != &other) {
    Remove();
    m_path = std::move(other.m_path);
    other.m_path.clear();
  }
  return *this;
}

PrivateFolder::~PrivateFolder() {
  Remove();
}

void PrivateFolder::Remove() {
  if (m_path.empty()) return;
  std::error_code ec;
  std::filesystem::remove_all(m_path, ec);
  m_path.clear();
}

}  // namespace q9::platform
