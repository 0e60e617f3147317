// The message catalogue: every text the library hands to its host. Each
// message has a name (ERR_..., MSG_..., CUESEND_ERR, CUEFILE_ERR_n,
// ERR_AS_hh_qq) and a default text; the host may replace texts at run time.
// Success is the current text of ERR_NONE, compared, never a literal.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#include "framework/export.h"

namespace orlix {

enum MessageId : uint16_t {
#define ORLIX_MESSAGE(name, text) name,
#include "messages/catalogue.def"
#undef ORLIX_MESSAGE
  kMessageCount
};

// The current text (after any replacement). Safe from any thread.
ORLIX_API std::string Text(MessageId id);
ORLIX_API std::string_view MessageName(MessageId id);
ORLIX_API std::optional<MessageId> FindMessage(std::string_view name);

// Replacing texts: by id, by name, or from a file of NAME=text lines (blank
// lines and lines starting with '#' or ';' are ignored). LoadTexts returns the
// number of texts replaced, or -1 when the file cannot be read; unknown names
// are skipped. ResetTexts restores every default.
//
// Texts are later used as printf-style formats, so a replacement must carry
// the same placeholders, in the same order, as the default text (flags, width
// and precision may differ); any other replacement is refused (false, or
// skipped by LoadTexts) and the previous text stays.
ORLIX_API bool SetText(MessageId id, std::string text);
ORLIX_API bool SetText(std::string_view name, std::string text);
ORLIX_API int LoadTexts(const std::string& path);
ORLIX_API void ResetTexts();

// True when `result` is the current text of ERR_NONE.
ORLIX_API bool IsSuccess(const std::string& result);

// The additional-sense message of an ASC/ASCQ pair, when the catalogue has one.
ORLIX_API std::optional<MessageId> SenseMessage(uint8_t asc, uint8_t ascq);

// One argument of Format, reduced to what a placeholder can take.
struct FormatArg {
  char kind;  // 'i' integer, 'f' floating point, 's' text
  long long i = 0;
  double f = 0;
  const char* s = nullptr;
};

namespace detail {
template <typename T>
FormatArg MakeFormatArg(const T& v) {
  if constexpr (std::is_same_v<T, std::string>) {
    return {'s', 0, 0, v.c_str()};
  } else if constexpr (std::is_convertible_v<const T&, const char*>) {
    return {'s', 0, 0, static_cast<const char*>(v)};
  } else if constexpr (std::is_floating_point_v<T>) {
    return {'f', 0, static_cast<double>(v), nullptr};
  } else {
    static_assert(std::is_integral_v<T> || std::is_enum_v<T>,
                  "Format takes integers, floating point and text");
    return {'i', static_cast<long long>(v), 0, nullptr};
  }
}
}  // namespace detail

// Formats `format` with `args`. Each placeholder takes the next argument if
// its kind fits (%d and friends an integer, %s a text, %f and friends a
// number); a placeholder without a fitting argument is left as it stands, so
// a mistake never reads a wrong argument.
ORLIX_API std::string FormatText(std::string_view format, std::initializer_list<FormatArg> args);

// "1,385": a count with its thousands separated by commas, as speeds and
// sizes are shown in messages.
ORLIX_API std::string GroupThousands(uint64_t value);

// printf-style formatting of a message's current text with its arguments
// (integers, const char* or std::string).
template <typename... Args>
std::string Format(MessageId id, const Args&... args) {
  if constexpr (sizeof...(Args) == 0) {
    return Text(id);
  } else {
    return FormatText(Text(id), {detail::MakeFormatArg(args)...});
  }
}

}  // namespace orlix
