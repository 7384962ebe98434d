#include "binding_tracker.h"

namespace pixoria::platform::win32 {

BindingTracker::~BindingTracker() {
  if (IBinding* binding = binding_.load()) {
    binding->Release();
  }
}

void BindingTracker::start(IBinding* binding) {
  if (binding != nullptr && binding_.load() == nullptr) {
    binding->AddRef();
    binding_ = binding;
    noteActivity();
  }
}

void BindingTracker::abort() {
  if (IBinding* binding = binding_.load()) {
    binding->Abort();
  }
}

}  // namespace pixoria::platform::win32
