// vftool cat ARCHIVE NAME [-o OUT]: the content of NAME, as ReadEntry hands it
// out (a loose file beside the archive wins), to standard output or a file.
#include "base/fs.h"
#include "base/sjis.h"
#include "common/cli.h"
#include "common/run_main.h"
#include "common/tool_input.h"
#include "vftool/vftool.h"

namespace vftool {
namespace {

// Standard output as a stream that ReadEntry can write to. Its position is
// the count written; rewinding (as ReadEntry does at the end) changes nothing.
class StdoutStream : public TStream {
 public:
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void* buffer, int64_t count) override {
    if (count <= 0) return 0;
    if (!tools::WriteStdout(buffer, static_cast<size_t>(count))) return 0;
    written_ += count;
    return count;
  }
  int64_t Seek(int64_t, SeekOrigin) override { return written_; }

 private:
  int64_t written_ = 0;
};

// ReadEntry, with a name the archive does not hold as exit code 1.
void ReadNamedEntry(TVrFileCollection& archive, TStream& out, const std::string& name) {
  try {
    archive.ReadEntry(out, name);
  } catch (const EEntryNotFound& e) {
    throw tools::ToolError(tools::kExitNotFound, tools::SjisToUtf8(e.Message()));
  }
}

}  // namespace

int Cat(const CatOptions& o) {
  TVrFileCollection archive;
  OpenArchive(archive, o.archive);
  const std::string name = EntryArgument(o.name);
  if (o.output == "-") {
    StdoutStream out;
    ReadNamedEntry(archive, out, name);
    if (!tools::FlushStdout()) throw tools::ToolError(tools::kExitBadInput, "standard output: cannot write");
    return tools::kExitOk;
  }
  // Into a file beside the output that takes its place when complete; any
  // failure on the way erases it.
  const std::string path = tools::PathArgument(o.output);
  const std::string temp = path + ".vftool-part";
  try {
    {
      TFileStream out(temp, kFmCreate);
      ReadNamedEntry(archive, out, name);
    }
    if (!fs::MoveReplacing(temp, path)) throw tools::ToolError(tools::kExitBadInput, o.output + ": cannot write");
  } catch (...) {
    fs::EraseFile(temp);
    throw;
  }
  return tools::kExitOk;
}

}  // namespace vftool
