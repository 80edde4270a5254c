// DllMain and the module record. Only the window-creation lock is ever taken; the type
// information and object table locks exist because the module record has them, and the object
// table is empty: the library publishes no COM class.
#include "platform/win32/module_record.h"

#include <initguid.h>

#include "corvane_type_library.h"  // LIBID_CORVANELib, generated from res/Corvane.idl

namespace corvane::platform {
namespace {

struct ModuleRecord {
  HINSTANCE instance;
  CRITICAL_SECTION type_information_lock;
  CRITICAL_SECTION window_creation_lock;
  CRITICAL_SECTION object_table_lock;
  const CLSID* const* object_table;  // null-terminated
  const GUID* type_library;
  PendingWindow* pending_windows;
};

constexpr const CLSID* kNoObjects[] = {nullptr};

constinit ModuleRecord module_record{};

void StartModule(HINSTANCE instance) {
  module_record.instance = instance;
  InitializeCriticalSection(&module_record.type_information_lock);
  InitializeCriticalSection(&module_record.window_creation_lock);
  InitializeCriticalSection(&module_record.object_table_lock);
  module_record.object_table = kNoObjects;
  module_record.type_library = &LIBID_CORVANELib;
  DisableThreadLibraryCalls(instance);
}

void StopModule() {
  DeleteCriticalSection(&module_record.object_table_lock);
  DeleteCriticalSection(&module_record.window_creation_lock);
  DeleteCriticalSection(&module_record.type_information_lock);
}

// Removes and returns the first entry of the pending list that `matches`; the caller holds the
// window-creation lock.
template <typename Matches>
PendingWindow* UnlinkPending(Matches matches) {
  for (PendingWindow** link = &module_record.pending_windows; *link != nullptr;
       link = &(*link)->next) {
    PendingWindow* entry = *link;
    if (matches(*entry)) {
      *link = entry->next;
      return entry;
    }
  }
  return nullptr;
}

}  // namespace

HINSTANCE ModuleInstance() { return module_record.instance; }

PendingWindowScope::PendingWindowScope(void* state)
    : entry_{state, GetCurrentThreadId(), nullptr} {
  EnterCriticalSection(&module_record.window_creation_lock);
  entry_.next = module_record.pending_windows;
  module_record.pending_windows = &entry_;
  LeaveCriticalSection(&module_record.window_creation_lock);
}

PendingWindowScope::~PendingWindowScope() {
  EnterCriticalSection(&module_record.window_creation_lock);
  UnlinkPending([this](const PendingWindow& entry) { return &entry == &entry_; });
  LeaveCriticalSection(&module_record.window_creation_lock);
}

void* TieWindowToPendingState(HWND window, int index) {
  const DWORD thread_id = GetCurrentThreadId();
  EnterCriticalSection(&module_record.window_creation_lock);
  const PendingWindow* entry =
      UnlinkPending([thread_id](const PendingWindow& e) { return e.thread_id == thread_id; });
  void* state = entry != nullptr ? entry->state : nullptr;
  if (state != nullptr) SetWindowLongPtrA(window, index, reinterpret_cast<LONG_PTR>(state));
  LeaveCriticalSection(&module_record.window_creation_lock);
  return state;
}

}  // namespace corvane::platform

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) corvane::platform::StartModule(instance);
  if (reason == DLL_PROCESS_DETACH) corvane::platform::StopModule();
  return TRUE;
}
