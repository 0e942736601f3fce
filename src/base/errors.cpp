#include "base/errors.h"

#include "base/format.h"

namespace errors {

EFOpenError OpenFailed(const std::string& path) { return EFOpenError(Format("ファイル %s を開けません", path.c_str())); }

EFCreateError CreateFailed(const std::string& path) {
  return EFCreateError(Format("ファイル %s を作成できません", path.c_str()));
}

EReadError ReadFailed() { return EReadError("ストリームの読み込みエラーです"); }

EWriteError WriteFailed() { return EWriteError("ストリームの書き込みエラーです（ディスクの空き容量を確認してください）"); }

EStreamError TooLargeForMemory(const std::string& path, int64_t size) {
  const std::string what = path.empty() ? std::string("データ") : Format("ファイル %s", path.c_str());
  return EStreamError(Format("%sは大きすぎてメモリに読み込めません (%lld バイト)", what.c_str(),
                             static_cast<long long>(size)));
}

}  // namespace errors
