#include "install/readme_rules.h"

#include <vector>

#include "base/encoding.h"
#include "base/format.h"
#include "base/os_file.h"
#include "base/paths.h"
#include "base/sjis.h"

TReadmeView ReadmeViewFor(const std::string& file, unsigned ansi_code_page) {
  if (ansi_code_page == 932) return TReadmeView::kShell;
  const std::string ext = ExtractFileExt(file);
  return sjis::EqualsNoCase(ext, ".txt") || sjis::EqualsNoCase(ext, ".text") ? TReadmeView::kOwnWindow
                                                                             : TReadmeView::kShell;
}

namespace {

std::u16string Utf16LeOf(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    out.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                        static_cast<unsigned char>(bytes[i + 1]) << 8));
  return out;
}

}  // namespace

std::u16string ReadmeDisplayText(std::string_view bytes) {
  std::u16string text;
  // Notepad honours these marks; a read-me written with one is shown as written.
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") text = enc::Utf8ToUtf16(bytes.substr(3));
  else if (bytes.substr(0, 2) == "\xFF\xFE") text = Utf16LeOf(bytes.substr(2));
  else text = enc::SjisToUtf16(bytes);

  std::u16string out;
  out.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'\r' || c == u'\n') {
      // CR LF, a lone LF and a lone CR are each one line break.
      if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      out += u"\r\n";
    } else {
      out.push_back(c == u'\0' ? u' ' : c);
    }
  }
  return out;
}

TReadmeText LoadReadme(const std::string& file) {
  TReadmeText r;
  OsFile f = OsFile::Open(file, OsFile::Options{});
  const int64_t size = f.IsOpen() ? f.Size() : -1;
  if (size < 0) {
    r.error = Format("%s\r\nを読み込めません", file.c_str());
    return r;
  }
  if (size > kReadmeMaxBytes) {
    r.error = Format("%s\r\nは大きすぎるため表示できません（%lld バイト、表示できるのは %lld バイトまでです）", file.c_str(),
                     static_cast<long long>(size), static_cast<long long>(kReadmeMaxBytes));
    return r;
  }
  // One byte more than the size said: a file that grew or shrank meanwhile,
  // or a read that failed on the way, is not shown in part.
  std::vector<char> bytes(static_cast<size_t>(size) + 1);
  const int64_t got = f.Read(bytes.data(), static_cast<int64_t>(bytes.size()));
  if (got != size) {
    r.error = Format("%s\r\nを読み込めません", file.c_str());
    return r;
  }
  r.text = ReadmeDisplayText(std::string_view(bytes.data(), static_cast<size_t>(got)));
  return r;
}
