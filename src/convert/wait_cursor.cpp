#include "convert/wait_cursor.h"

#include <utility>

namespace q9::convert {
namespace {

struct Hooks {
  WaitCursorHook begin;
  WaitCursorHook end;
};

Hooks& TheHooks() {
  static Hooks hooks;
  return hooks;
}

}  // namespace

void SetWaitCursorHooks(WaitCursorHook begin, WaitCursorHook end) {
  TheHooks() = Hooks{std::move(begin), std::move(end)};
}

WaitCursor::WaitCursor() {
  const Hooks& hooks = TheHooks();
  // Only a guard that showed the cursor restores it.
  if (hooks.begin && hooks.end) {
    hooks.begin();
    m_end = hooks.end;
  }
}

WaitCursor::~WaitCursor() {
  if (m_end) m_end();
}

}  // namespace q9::convert
