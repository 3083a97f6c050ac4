#pragma once
// How our own operations report failure: they return a Result, which holds
// either their value or a Failure. A Failure's reason is one line that
// names no path the caller gave: the caller knows which file it was working
// on and adds it ("cannot write " + path + ": " + reason). Where callers
// must tell causes apart (a file too large from one that is missing), the
// Failure also carries an errno value.
//
// The operations whose names and results the system defines keep them
// (OpenCreate's 1/0, the AVIERR codes, the old-sequence codes, the imaging
// adapter's kImagingSuccess); they use Results inside. src/README.md shows
// an example.

#include <cstring>
#include <string>
#include <utility>
#include <variant>

namespace q9::platform {

struct Failure {
  std::string reason;
  int errorNumber = 0;  // an errno value, 0 when the failure is not a system call's

  // The system's text for an errno value.
  static Failure FromErrno(int errorNumber) { return {std::strerror(errorNumber), errorNumber}; }
};

template <typename T = void>
class [[nodiscard]] Result {
 public:
  Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
  Result(Failure failure) : m_state(std::in_place_index<1>, std::move(failure)) {}

  bool Ok() const { return m_state.index() == 0; }
  explicit operator bool() const { return Ok(); }

  // The value; only after success.
  T& Value() & { return std::get<0>(m_state); }
  const T& Value() const& { return std::get<0>(m_state); }
  T&& Value() && { return std::get<0>(std::move(m_state)); }
  T& operator*() & { return Value(); }
  const T& operator*() const& { return Value(); }
  T* operator->() { return &Value(); }
  const T* operator->() const { return &Value(); }

  // The failure; only after a failure.
  const Failure& Error() const { return std::get<1>(m_state); }
  const std::string& Reason() const { return Error().reason; }

 private:
  std::variant<T, Failure> m_state;
};

template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Failure failure) : m_failure(std::move(failure)), m_failed(true) {}

  bool Ok() const { return !m_failed; }
  explicit operator bool() const { return Ok(); }
  const Failure& Error() const { return m_failure; }
  const std::string& Reason() const { return m_failure.reason; }

 private:
  Failure m_failure;
  bool m_failed = false;
};

// For the older functions that answer bool and fill in a reason: whether
// the result succeeded, with its reason in error after a failure.
template <typename T>
bool Succeeded(const Result<T>& result, std::string& error) {
  if (!result) error = result.Reason();
  return result.Ok();
}

}  // namespace q9::platform
