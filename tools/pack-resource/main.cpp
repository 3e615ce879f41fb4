// lanzhou-pack [--from-utf8] [--plain] <input> <output>
//
// Writes <input> as a packed resource (4-byte little-endian size, then zlib at level 9), or
// unchanged with --plain. --from-utf8 first turns a UTF-8 text into GBK with CR LF line ends:
// table texts are kept readable in UTF-8 in the repository and shipped as GBK.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>

#include "data/packed_resource.h"
#include "text/gbk.h"

namespace {

constexpr std::string_view kUsage =
    "usage: lanzhou-pack [--from-utf8] [--plain] <input> <output>\n";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Writes through a temporary file so a failed run never leaves a half-written output behind.
void WriteFile(const std::string& path, std::string_view bytes) {
  const std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + temp);
  }
  std::filesystem::rename(temp, path);
}

// UTF-8 text (optional byte-order mark; LF, CR LF or CR line ends) to GBK with CR LF.
std::string Utf8TextToGbk(std::string_view utf8) {
  if (utf8.starts_with("\xEF\xBB\xBF")) utf8.remove_prefix(3);
  if (!lanzhou::text::IsValidUtf8(utf8)) throw std::runtime_error("input is not valid UTF-8");
  std::string crlf;
  crlf.reserve(utf8.size() + utf8.size() / 16);
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    if (c == '\r' || c == '\n') {
      crlf += "\r\n";
      if (c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
    } else {
      crlf += c;
    }
  }
  std::string gbk = lanzhou::text::Utf8ToGbk(crlf);
  // Characters GBK cannot hold come out as '?'; refuse them rather than ship a damaged name.
  if (lanzhou::text::GbkToUtf8(gbk) != crlf) {
    throw std::runtime_error("input holds characters that GBK cannot represent");
  }
  return gbk;
}

}  // namespace

int main(int argc, char** argv) {
  bool from_utf8 = false;
  bool plain = false;
  std::string input;
  std::string output;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--from-utf8") {
      from_utf8 = true;
    } else if (arg == "--plain") {
      plain = true;
    } else if (arg.starts_with("--") || !output.empty()) {
      std::cerr << kUsage;
      return 2;
    } else if (input.empty()) {
      input = arg;
    } else {
      output = arg;
    }
  }
  if (output.empty()) {
    std::cerr << kUsage;
    return 2;
  }
  try {
    std::string bytes = ReadFile(input);
    if (from_utf8) bytes = Utf8TextToGbk(bytes);
    WriteFile(output, plain ? bytes : lanzhou::data::PackResource(bytes));
  } catch (const std::exception& error) {
    std::cerr << "lanzhou-pack: " << input << ": " << error.what() << '\n';
    return 1;
  }
  return 0;
}
