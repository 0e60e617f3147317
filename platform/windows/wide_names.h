// Names cross into the system as UTF-16 and come back as UTF-8, the
// library's encoding for every name, so that no character is lost to the
// ANSI code page.
#pragma once

#include <string>

namespace orlix {

// Text that is not valid UTF-8 is taken byte by byte as Latin-1, so that
// every name still reaches the system as something.
std::wstring Utf8ToWide(const std::string& text);
// Unpaired surrogates become U+FFFD.
std::string WideToUtf8(const wchar_t* text, size_t length);
std::string WideToUtf8(const std::wstring& text);

}  // namespace orlix
