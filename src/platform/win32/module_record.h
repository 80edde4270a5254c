// The module record of Corvane.dll: its instance handle, its three critical sections and the
// states of dialogs whose windows are being created. Set up by DllMain at process attach (no
// constructor runs at load) and torn down at process detach.
#pragma once

#include "platform/platform.h"

namespace corvane::platform {

// The instance handle the module was loaded at (where its resources are).
HINSTANCE ModuleInstance();

// A window's state waiting for the window that `thread_id` is creating.
struct PendingWindow {
  void* state;
  DWORD thread_id;
  PendingWindow* next;
};

// Registers `state` under the window-creation lock for the next window that this thread creates,
// for as long as the scope lives. The window's procedure takes it with TieWindowToPendingState at
// its first message, so the state is reachable before WM_INITDIALOG; a registration no window
// took (the window could not be created) is withdrawn when the scope ends.
class PendingWindowScope {
 public:
  explicit PendingWindowScope(void* state);
  ~PendingWindowScope();
  PendingWindowScope(const PendingWindowScope&) = delete;
  PendingWindowScope& operator=(const PendingWindowScope&) = delete;

 private:
  PendingWindow entry_;
};

// Under the window-creation lock: takes this thread's registration, stores its state in the
// window's slot `index` (SetWindowLongPtrA) and returns it; null when the thread registered none.
void* TieWindowToPendingState(HWND window, int index);

}  // namespace corvane::platform
