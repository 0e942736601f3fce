#include <windows.h>

#include "archive/bigstreams.h"
#include "base/encoding.h"
#include "base/format.h"

TResourceStream::TResourceStream(void* module, const std::string& res_name, const std::string& res_type)
    : TFixedMemoryStream(nullptr, 0) {
  HMODULE m = static_cast<HMODULE>(module);
  if (!m) m = GetModuleHandleW(nullptr);
  const std::wstring name = enc::Wide(res_name), type = enc::Wide(res_type);
  HRSRC info = FindResourceW(m, name.c_str(), type.c_str());
  HGLOBAL handle = info ? LoadResource(m, info) : nullptr;
  // Resource memory belongs to the module: nothing to free, it lives as long
  // as the module stays loaded.
  const void* data = handle ? LockResource(handle) : nullptr;
  if (!info || !handle || (!data && SizeofResource(m, info) != 0)) {
    throw EResNotFound(Format("リソース %s が見つかりません", res_name.c_str()));
  }
  Reset(data, static_cast<int64_t>(SizeofResource(m, info)));
}

TTpBigResourceStream::TTpBigResourceStream(void* module, std::string res_name, std::string res_type)
    : TTpBigStreamOver(std::make_unique<TResourceStream>(module, res_name, res_type)),
      res_name_(std::move(res_name)),
      res_type_(std::move(res_type)) {}
