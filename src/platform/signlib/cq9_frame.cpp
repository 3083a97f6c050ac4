#include "platform/signlib/cq9_frame.h"

namespace q9::platform {

bool CQ9RuntimeClass::IsDerivedFrom(const CQ9RuntimeClass* other) const {
  for (const CQ9RuntimeClass* c = this; c != nullptr; c = c->base) {
    if (c == other) return true;
  }
  return false;
}

CQ9Frame::~CQ9Frame() = default;

bool CQ9Frame::IsKindOf(const CQ9RuntimeClass* runtimeClass) const {
  return runtimeClass != nullptr && GetRuntimeClass()->IsDerivedFrom(runtimeClass);
}

}  // namespace q9::platform
