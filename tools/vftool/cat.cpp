// vftool cat ARCHIVE NAME: the content of NAME, as ReadEntry hands it out (a
// loose file beside the archive wins), to standard output.
#include "common/cli.h"
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

}  // namespace

int Cat(const Args& args) {
  if (args.size() != 2) tools::Exit(tools::kExitUsage, "usage: vftool cat ARCHIVE NAME");
  TVrFileCollection archive;
  OpenArchive(archive, args[0]);
  StdoutStream out;
  archive.ReadEntry(out, SjisArgument(args[1]));
  if (!tools::FlushStdout()) tools::Exit(tools::kExitBadInput, "cannot write to standard output");
  return tools::kExitOk;
}

}  // namespace vftool
