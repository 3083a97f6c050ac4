#pragma once
// A folder of our own for one job: made under the temporary folder with a
// fresh name that only this user may enter, and removed with everything in
// it when the object goes. A helper program that may only touch what is in
// that folder gets it as its working and temporary folder.

#include <string>

#include "platform/base/result.h"

namespace q9::platform {

class PrivateFolder {
 public:
  // A new folder in $TMPDIR (else /tmp) whose name starts with prefix.
  static Result<PrivateFolder> Create(const std::string& prefix);

  PrivateFolder(PrivateFolder&& other) noexcept;
  PrivateFolder& operator=(PrivateFolder&& other) noexcept;
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;
  ~PrivateFolder();

  const std::string& Path() const { return m_path; }
  std::string File(const std::string& name) const { return m_path + "/" + name; }

 private:
  explicit PrivateFolder(std::string path) : m_path(std::move(path)) {}
  void Remove();

  std::string m_path;
};

}  // namespace q9::platform
