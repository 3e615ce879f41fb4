#pragma once
// GBK (code page 936) at the edges of a UTF-8 program: table text and exported files are GBK,
// some rules count GBK bytes, and some sorts follow GBK byte order.
#include <string>
#include <string_view>

namespace lanzhou::text {

// Why GBK text cannot be converted on this system (the C library's converter failed to open),
// or "" when it can. Readers of GBK text refuse to load while it is not empty: every Chinese
// character would otherwise read as U+FFFD.
[[nodiscard]] const std::string& GbkConverterError();

namespace detail {
// The message GbkConverterError gives when the converter is opened under this charset name
// (tests name one the C library lacks); "" when it opens.
[[nodiscard]] std::string ConverterErrorFor(const char* gbk_name);
}  // namespace detail

// GBK bytes to UTF-8. A byte sequence that is not GBK becomes U+FFFD; never throws.
[[nodiscard]] std::string GbkToUtf8(std::string_view gbk);

// UTF-8 to GBK bytes. A character GBK cannot hold, or an invalid UTF-8 byte, becomes '?'.
[[nodiscard]] std::string Utf8ToGbk(std::string_view utf8);

// Length in bytes of the UTF-8 text once written in GBK (a Chinese character counts 2).
[[nodiscard]] std::size_t GbkLength(std::string_view utf8);

// Three-way comparison of two UTF-8 texts by the byte order of their GBK forms (<0, 0, >0).
[[nodiscard]] int CompareGbk(std::string_view a, std::string_view b);

// True when the text is well-formed UTF-8.
[[nodiscard]] bool IsValidUtf8(std::string_view text);

// UTF-8 text as it may be shown on a terminal or in a window: control characters (C0, DEL and
// C1) and bytes that are not UTF-8 written as \xHH, a backslash doubled; everything else kept.
[[nodiscard]] std::string EscapeControls(std::string_view text);

// Number of characters (code points) of UTF-8 text; an invalid byte counts as one.
[[nodiscard]] std::size_t Utf8Length(std::string_view text);

}  // namespace lanzhou::text
