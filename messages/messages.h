// The message catalogue: every text the library hands to its host. Each
// message has a name (ERR_..., MSG_..., CUESEND_ERR, CUEFILE_ERR_n,
// ERR_AS_hh_qq) and a default text; the host may replace texts at run time.
// Success is the current text of ERR_NONE, compared, never a literal.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace orlix {

enum MessageId : uint16_t {
#define ORLIX_MESSAGE(name, text) name,
#include "messages/catalogue.def"
#undef ORLIX_MESSAGE
  kMessageCount
};

// The current text (after any replacement). Safe from any thread.
std::string Text(MessageId id);
std::string_view MessageName(MessageId id);
std::optional<MessageId> FindMessage(std::string_view name);

// Replacing texts: by id, by name, or from a file of NAME=text lines (blank
// lines and lines starting with '#' or ';' are ignored). LoadTexts returns the
// number of texts replaced, or -1 when the file cannot be read; unknown names
// are skipped. ResetTexts restores every default.
void SetText(MessageId id, std::string text);
bool SetText(std::string_view name, std::string text);
int LoadTexts(const std::string& path);
void ResetTexts();

// True when `result` is the current text of ERR_NONE.
bool IsSuccess(const std::string& result);

// The additional-sense message of an ASC/ASCQ pair, when the catalogue has one.
std::optional<MessageId> SenseMessage(uint8_t asc, uint8_t ascq);

// printf-style formatting of a message's current text with its arguments.
template <typename... Args>
std::string Format(MessageId id, Args... args) {
  const std::string fmt = Text(id);
  if constexpr (sizeof...(Args) == 0) {
    return fmt;
  } else {
    int n = std::snprintf(nullptr, 0, fmt.c_str(), args...);
    if (n < 0) return fmt;
    std::string out(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(out.data(), out.size(), fmt.c_str(), args...);
    out.resize(static_cast<size_t>(n));
    return out;
  }
}

}  // namespace orlix
