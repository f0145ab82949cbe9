#include "app/startup_task_win32.h"

#include <windows.h>
#define SECURITY_WIN32
#include <security.h>
#include <taskschd.h>

#include <utility>

#include "base/text_win32.h"

namespace zlv {

namespace {

// COM for the calling thread for as long as the object lives. A thread that
// has COM in the other threading model already keeps it; the calls below
// work in either.
class ComScope {
 public:
  ComScope() {
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    owned_ = SUCCEEDED(hr);
    usable_ = owned_ || hr == RPC_E_CHANGED_MODE;
  }
  ~ComScope() {
    if (owned_) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  bool usable() const { return usable_; }

 private:
  bool owned_ = false;
  bool usable_ = false;
};

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() {
    if (p_ != nullptr) p_->Release();
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  T* operator->() const { return p_; }
  T** out() { return &p_; }
  T* get() const { return p_; }

 private:
  T* p_ = nullptr;
};

class Bstr {
 public:
  explicit Bstr(const std::wstring& text) : b_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  Bstr() = default;
  ~Bstr() { SysFreeString(b_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return b_; }
  BSTR* out() { return &b_; }

 private:
  BSTR b_ = nullptr;
};

VARIANT Empty() {
  VARIANT v;
  VariantInit(&v);
  return v;
}

// The root folder of the local Task Scheduler, connected as this process's user.
bool RootFolder(ComPtr<ITaskFolder>& folder) {
  ComPtr<ITaskService> service;
  if (FAILED(CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService,
                              reinterpret_cast<void**>(service.out())))) {
    return false;
  }
  if (FAILED(service->Connect(Empty(), Empty(), Empty(), Empty()))) return false;
  Bstr root(L"\\");
  return SUCCEEDED(service->GetFolder(root.get(), folder.out()));
}

bool FindTask(ComPtr<IRegisteredTask>& task) {
  ComPtr<ITaskFolder> folder;
  if (!RootFolder(folder)) return false;
  Bstr name(ToWide(kStartupTaskName));
  return SUCCEEDED(folder->GetTask(name.get(), task.out())) && task.get() != nullptr;
}

}  // namespace

Text CurrentUserId() {
  wchar_t name[512] = {};
  ULONG size = static_cast<ULONG>(std::size(name));
  if (GetUserNameExW(NameSamCompatible, name, &size)) return FromWide(name);
  // Without a domain part the Task Scheduler takes the local account.
  DWORD plain = static_cast<DWORD>(std::size(name));
  if (GetUserNameW(name, &plain)) return FromWide(name);
  return Text();
}

Text ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return Text();
    if (n < path.size()) {
      path.resize(n);
      return FromWide(path);
    }
    path.resize(path.size() * 2);
  }
}

TaskSchedulerStartupTask::TaskSchedulerStartupTask(Text program) : program_(std::move(program)) {}

Text TaskSchedulerStartupTask::Definition() const {
  return StartupTaskXml(StartupTaskDefinition{CurrentUserId(), program_});
}

bool TaskSchedulerStartupTask::Exists() {
  ComScope com;
  if (!com.usable()) return false;
  ComPtr<IRegisteredTask> task;
  return FindTask(task);
}

std::optional<Text> TaskSchedulerStartupTask::RegisteredXml() {
  ComScope com;
  if (!com.usable()) return std::nullopt;
  ComPtr<IRegisteredTask> task;
  if (!FindTask(task)) return std::nullopt;
  Bstr xml;
  if (FAILED(task->get_Xml(xml.out())) || xml.get() == nullptr) return std::nullopt;
  return FromWide(std::wstring(xml.get(), SysStringLen(xml.get())));
}

bool TaskSchedulerStartupTask::Enable() {
  ComScope com;
  if (!com.usable()) return false;
  ComPtr<ITaskFolder> folder;
  if (!RootFolder(folder)) return false;
  Bstr name(ToWide(kStartupTaskName));
  Bstr xml(ToWide(Definition()));
  ComPtr<IRegisteredTask> registered;
  const HRESULT hr = folder->RegisterTask(name.get(), xml.get(), TASK_CREATE_OR_UPDATE, Empty(),
                                          Empty(), TASK_LOGON_INTERACTIVE_TOKEN, Empty(),
                                          registered.out());
  return SUCCEEDED(hr);
}

bool TaskSchedulerStartupTask::Disable() {
  ComScope com;
  if (!com.usable()) return false;
  ComPtr<ITaskFolder> folder;
  if (!RootFolder(folder)) return false;
  Bstr name(ToWide(kStartupTaskName));
  const HRESULT hr = folder->DeleteTask(name.get(), 0);
  if (SUCCEEDED(hr) || hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) return true;
  ComPtr<IRegisteredTask> task;
  return !FindTask(task);
}

}  // namespace zlv
