#pragma once
// The wait cursor while the core works. The core has no window, so the
// desktop program sets two hooks at start-up (show the wait cursor, restore
// the previous one); without hooks a guard does nothing. Guards may nest:
// every begin is paired with its own end. User-interface thread only.

#include <functional>

namespace q9::convert {

using WaitCursorHook = std::function<void()>;

// Sets the process-wide hooks; empty functions remove them. A guard that is
// alive keeps the end hook it started with.
void SetWaitCursorHooks(WaitCursorHook begin, WaitCursorHook end);

class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  WaitCursorHook m_end;
};

}  // namespace q9::convert
