// Code page 932 through iconv (glibc's CP932 table, which maps 0x5C to the
// backslash and 0x7E to the tilde, as the Windows table does).
#include <errno.h>
#include <iconv.h>

#include <stdexcept>

#include "base/encoding_cp932.h"

namespace enc {
namespace {

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv has no code page 932 table");
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts in; on a byte sequence it cannot take, appends `replacement`,
  // skips `skip` input bytes and clears *lossless.
  std::string Run(const char* in, size_t in_left, const std::string& replacement, size_t skip, bool* lossless) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    char buf[4096];
    char* src = const_cast<char*>(in);
    while (in_left > 0) {
      char* dst = buf;
      size_t out_left = sizeof buf;
      const size_t r = iconv(cd_, &src, &in_left, &dst, &out_left);
      out.append(buf, dst - buf);
      if (r == static_cast<size_t>(-1)) {
        if (errno == E2BIG) continue;
        // EILSEQ, or EINVAL for a sequence cut off at the end.
        out += replacement;
        const size_t n = in_left < skip ? in_left : skip;
        src += n;
        in_left -= n;
        if (lossless) *lossless = false;
      }
    }
    return out;
  }

 private:
  iconv_t cd_;
};

}  // namespace

namespace platform {

std::u16string FromCp932(std::string_view sjis) {
  thread_local Converter conv("UTF-16LE", "CP932");
  const std::string bytes = conv.Run(sjis.data(), sjis.size(), std::string("\xFD\xFF", 2), 1, nullptr);
  std::u16string out(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                   (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  return out;
}

std::string ToCp932(std::u16string_view text) {
  thread_local Converter conv("CP932", "UTF-16LE");
  std::string bytes(text.size() * 2, '\0');
  for (size_t i = 0; i < text.size(); ++i) {
    bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
  }
  return conv.Run(bytes.data(), bytes.size(), "?", 2, nullptr);
}

}  // namespace platform
}  // namespace enc
