#include <windows.h>

#include "archive/vrfiles.h"
#include "base/encoding.h"
#include "base/sjis.h"

void TVrFileCollection::ModuleRelease::operator()(void* module) const { FreeLibrary(static_cast<HMODULE>(module)); }

namespace {

std::string RunningExecutable() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      return enc::NarrowPath(path);
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace

void TVrFileCollection::OpenResource(const std::string& module_name, const std::string& res_name,
                                     const std::string& res_type) {
  CloseArchive();
  source_name_ = module_name + "(" + res_name + ")";
  void* module = nullptr;  // the running program
  if (!sjis::EqualsNoCase(module_name, RunningExecutable())) {
    // As a data module: only its resources are wanted, and a program loaded
    // as an image would need its own base address, which the running one
    // already occupies.
    HMODULE m = LoadLibraryExW(enc::Wide(module_name).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!m) return;
    resource_module_.reset(m);
    module = m;
  }
  try {
    archive_stream_ = std::make_unique<TTpBigResourceStream>(module, res_name, res_type);
    if (archive_stream_->GetSize() == 0) throw EResNotFound("リソースが見つかりません");
    ReadDirectory(*archive_stream_);
  } catch (...) {
    CloseArchive();
    throw;
  }
}
