#include "text/gbk.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace lanzhou::text {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Both directions of the code page, built once from the C library's converter. A table lookup
// per character keeps the 3.5 MB timetable text well under a millisecond per megabyte.
struct GbkTables {
  // Index (lead - 0x81) * 191 + (trail - 0x40); 0 = no character.
  std::vector<char16_t> to_unicode;
  // Unicode BMP code point -> GBK bytes (lead << 8 | trail, or a single byte < 0x100); 0 = none.
  std::vector<std::uint16_t> from_unicode;
  std::string error;  // why the converter could not be opened; empty when it was
};

GbkTables BuildTables(const char* gbk_name) {
  GbkTables t;
  t.to_unicode.assign(126 * 191, 0);
  t.from_unicode.assign(0x10000, 0);
  for (unsigned c = 0; c < 0x80; ++c) t.from_unicode[c] = static_cast<std::uint16_t>(c);
  errno = 0;
  iconv_t cd = iconv_open("UTF-32LE", gbk_name);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    // Without the converter every Chinese character would read as U+FFFD: say so instead.
    t.error = std::string("cannot convert GBK text: the C library has no ") + gbk_name +
              " converter (" + std::strerror(errno) + ")";
    return t;
  }
  // One conversion per lead byte (its 190 pairs in a row, into UTF-32 so that every character
  // takes four bytes) instead of one per pair: the table is built at every start. A pair the
  // converter refuses is skipped; a row that does not convert pair for pair is redone one pair
  // at a time.
  const auto store = [&](unsigned lead, unsigned trail, std::uint32_t u) {
    if (u == 0 || u > 0xFFFF) return;  // not exactly one BMP char
    t.to_unicode[(lead - 0x81) * 191 + (trail - 0x40)] = static_cast<char16_t>(u);
    if (t.from_unicode[u] == 0) t.from_unicode[u] = static_cast<std::uint16_t>(lead << 8 | trail);
  };
  const auto read32 = [](const char* p) {
    std::uint32_t u = 0;
    for (int k = 3; k >= 0; --k) u = u << 8 | static_cast<unsigned char>(p[k]);
    return u;
  };
  const auto convert_pair = [&](unsigned lead, unsigned trail) {
    char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    char out[8];
    char* inp = in;
    char* outp = out;
    std::size_t inleft = 2, outleft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inp, &inleft, &outp, &outleft) == static_cast<std::size_t>(-1)) return;
    if (inleft != 0 || sizeof out - outleft != 4) return;
    store(lead, trail, read32(out));
  };
  std::array<unsigned, 190> trails{};
  for (unsigned trail = 0x40, k = 0; trail <= 0xFE; ++trail) {
    if (trail != 0x7F) trails[k++] = trail;
  }
  for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
    std::array<char, 2 * trails.size()> in{};
    for (std::size_t k = 0; k < trails.size(); ++k) {
      in[2 * k] = static_cast<char>(lead);
      in[2 * k + 1] = static_cast<char>(trails[k]);
    }
    std::array<char, 4 * trails.size()> out{};
    bool row_ok = true;
    std::size_t pair = 0;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    while (pair < trails.size() && row_ok) {
      char* inp = in.data() + 2 * pair;
      char* outp = out.data();
      std::size_t inleft = in.size() - 2 * pair, outleft = out.size();
      const std::size_t rc = iconv(cd, &inp, &inleft, &outp, &outleft);
      const auto consumed = static_cast<std::size_t>(inp - in.data()) - 2 * pair;
      const auto produced = static_cast<std::size_t>(outp - out.data());
      // Whole pairs in, one character each out; else this row goes pair by pair.
      row_ok = consumed % 2 == 0 && produced == 2 * consumed;
      for (std::size_t k = 0; row_ok && k < consumed / 2; ++k) {
        store(lead, trails[pair + k], read32(out.data() + 4 * k));
      }
      pair += consumed / 2;
      if (rc != static_cast<std::size_t>(-1)) break;
      if (errno != EILSEQ) row_ok = false;
      ++pair;  // the refused pair has no character
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    if (!row_ok) {
      for (const unsigned trail : trails) convert_pair(lead, trail);
    }
  }
  iconv_close(cd);
  return t;
}

const GbkTables& Tables() {
  static const GbkTables tables = BuildTables("GBK");
  return tables;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | c >> 6));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | c >> 12));
    out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | c >> 18));
    out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// Decodes one UTF-8 character at text[i]; advances i. Invalid input yields kReplacement and
// consumes one byte, so a broken text still converts character by character.
char32_t NextUtf8(std::string_view text, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(text[i]);
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  int extra = 0;
  char32_t c = 0;
  char32_t min = 0;
  if ((b0 & 0xE0) == 0xC0) {
    extra = 1, c = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2, c = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3, c = b0 & 0x07, min = 0x10000;
  } else {
    ++i;
    return kReplacement;
  }
  if (i + extra >= text.size()) {  // truncated sequence
    ++i;
    return kReplacement;
  }
  for (int k = 1; k <= extra; ++k) {
    const auto b = static_cast<unsigned char>(text[i + k]);
    if ((b & 0xC0) != 0x80) {
      ++i;
      return kReplacement;
    }
    c = c << 6 | (b & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++i;
    return kReplacement;
  }
  i += extra + 1;
  return c;
}

// GBK code of a Unicode character as (bytes, length); length 0 when GBK has none.
std::pair<std::uint16_t, int> GbkCode(char32_t c) {
  if (c < 0x80) return {static_cast<std::uint16_t>(c), 1};
  if (c >= 0x10000) return {0, 0};
  const std::uint16_t g = Tables().from_unicode[c];
  if (g == 0) return {0, 0};
  return {g, g > 0xFF ? 2 : 1};
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) {
  const GbkTables& t = Tables();
  std::string out;
  out.reserve(gbk.size() + gbk.size() / 2);
  for (std::size_t i = 0; i < gbk.size();) {
    const auto b = static_cast<unsigned char>(gbk[i]);
    if (b < 0x80) {
      out.push_back(static_cast<char>(b));
      ++i;
      continue;
    }
    if (b >= 0x81 && b <= 0xFE && i + 1 < gbk.size()) {
      const auto trail = static_cast<unsigned char>(gbk[i + 1]);
      if (trail >= 0x40 && trail <= 0xFE && trail != 0x7F) {
        const char16_t u = t.to_unicode[(b - 0x81) * 191 + (trail - 0x40)];
        AppendUtf8(out, u != 0 ? u : kReplacement);
        i += 2;
        continue;
      }
    }
    AppendUtf8(out, kReplacement);
    ++i;
  }
  return out;
}

std::string Utf8ToGbk(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const auto [code, len] = GbkCode(NextUtf8(utf8, i));
    if (len == 2) {
      out.push_back(static_cast<char>(code >> 8));
      out.push_back(static_cast<char>(code & 0xFF));
    } else if (len == 1) {
      out.push_back(static_cast<char>(code));
    } else {
      out.push_back('?');
    }
  }
  return out;
}

std::size_t GbkLength(std::string_view utf8) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto [code, len] = GbkCode(NextUtf8(utf8, i));
    n += len == 0 ? 1 : static_cast<std::size_t>(len);
  }
  return n;
}

int CompareGbk(std::string_view a, std::string_view b) {
  // Compare character by character on GBK bytes without building both strings.
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const auto [ca, la] = GbkCode(NextUtf8(a, i));
    const auto [cb, lb] = GbkCode(NextUtf8(b, j));
    const std::uint16_t ka = la == 0 ? '?' : ca;
    const std::uint16_t kb = lb == 0 ? '?' : cb;
    // Byte order: a two-byte code's lead byte competes with a single byte's value.
    const unsigned a0 = la == 2 ? ka >> 8 : ka, b0 = lb == 2 ? kb >> 8 : kb;
    if (a0 != b0) return a0 < b0 ? -1 : 1;
    const int na = la == 2 ? 2 : 1, nb = lb == 2 ? 2 : 1;
    if (na == 2 && nb == 2) {
      if ((ka & 0xFF) != (kb & 0xFF)) return (ka & 0xFF) < (kb & 0xFF) ? -1 : 1;
    } else if (na != nb) {
      // Same first byte, one side ends its character there: impossible for valid GBK since
      // lead bytes are >= 0x81 and single bytes < 0x80 (or '?'); keep a total order anyway.
      return na < nb ? -1 : 1;
    }
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    // ASCII runs eight bytes at a time: most of a timetable's text is digits and times.
    if (text.size() - i >= 8) {
      std::uint64_t word;
      std::memcpy(&word, text.data() + i, 8);
      if ((word & 0x8080808080808080ull) == 0) {
        i += 8;
        continue;
      }
    }
    const std::size_t before = i;
    const char32_t c = NextUtf8(text, i);
    if (c == kReplacement && !(i - before == 3 && text.substr(before, 3) == "\xEF\xBF\xBD"))
      return false;
  }
  return true;
}

std::string EscapeControls(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  const auto escape = [&](unsigned char byte) {
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
  };
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t before = i;
    const char32_t c = NextUtf8(text, i);
    const std::string_view piece = text.substr(before, i - before);
    const bool invalid =
        c == kReplacement && !(piece.size() == 3 && piece == "\xEF\xBF\xBD");
    if (invalid || c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F)) {
      for (const char byte : piece) escape(static_cast<unsigned char>(byte));
    } else if (c == '\\') {
      out += "\\\\";
    } else {
      out.append(piece);
    }
  }
  return out;
}

std::size_t Utf8Length(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); ++count) (void)NextUtf8(text, i);
  return count;
}

const std::string& GbkConverterError() {
  return Tables().error;
}

namespace detail {
std::string ConverterErrorFor(const char* gbk_name) {
  return BuildTables(gbk_name).error;
}
}  // namespace detail

}  // namespace lanzhou::text
