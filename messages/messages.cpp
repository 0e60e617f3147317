// The catalogue's current texts and their safe replacement.
#include "messages/messages.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>
#include <vector>

namespace orlix {
namespace {

constexpr std::array<std::string_view, kMessageCount> kNames = {
#define ORLIX_MESSAGE(name, text) #name,
#include "messages/catalogue.def"
#undef ORLIX_MESSAGE
};

constexpr std::array<std::string_view, kMessageCount> kDefaults = {
#define ORLIX_MESSAGE(name, text) text,
#include "messages/catalogue.def"
#undef ORLIX_MESSAGE
};

struct Texts {
  std::shared_mutex lock;
  std::array<std::string, kMessageCount> text;
  Texts() {
    for (size_t i = 0; i < kMessageCount; ++i) text[i] = kDefaults[i];
  }
};

Texts& Current() {
  static Texts texts;
  return texts;
}

// One printf conversion: where it starts and ends in the text, and the kind
// of argument it takes.
struct Placeholder {
  size_t begin;
  size_t end;  // one past the conversion character
  char kind;   // 'i', 'f', 's'
};

// Reads the placeholders of `text`. Only plain conversions are accepted:
// flags, a width and a precision of at most three digits each, and one of
// d i u x X o c (integer), f F e E g G (floating point) or s (text). No
// length modifiers, '*', '$' or %n: those let a text read arguments the
// caller never passed. Returns false for any other use of '%'.
bool ParsePlaceholders(std::string_view text, std::vector<Placeholder>* out) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') continue;
    const size_t begin = i++;
    if (i < text.size() && text[i] == '%') continue;
    while (i < text.size() && std::string_view("-+ #0").find(text[i]) != std::string_view::npos) ++i;
    size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
    if (digits > 3) return false;
    if (i < text.size() && text[i] == '.') {
      ++i;
      digits = 0;
      while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
      if (digits > 3) return false;
    }
    if (i >= text.size()) return false;
    char kind;
    switch (text[i]) {
      case 'd':
      case 'i':
      case 'u':
      case 'x':
      case 'X':
      case 'o':
      case 'c':
        kind = 'i';
        break;
      case 'f':
      case 'F':
      case 'e':
      case 'E':
      case 'g':
      case 'G':
        kind = 'f';
        break;
      case 's':
        kind = 's';
        break;
      default:
        return false;
    }
    if (out) out->push_back({begin, i + 1, kind});
  }
  return true;
}

bool SamePlaceholders(std::string_view replacement, std::string_view original) {
  std::vector<Placeholder> a, b;
  if (!ParsePlaceholders(replacement, &a) || !ParsePlaceholders(original, &b)) return false;
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].kind != b[i].kind) return false;
  return true;
}

// Formats one placeholder with its argument; integers go through "ll" so
// that no width of the caller's value is lost or misread.
void AppendOne(std::string& out, std::string_view spec, const FormatArg& arg) {
  std::string fmt(spec);
  const bool wide = arg.kind == 'i' && fmt.back() != 'c';
  if (wide) fmt.insert(fmt.size() - 1, "ll");
  auto print = [&](char* dst, size_t room) {
    if (wide) return std::snprintf(dst, room, fmt.c_str(), arg.i);
    if (arg.kind == 'i') return std::snprintf(dst, room, fmt.c_str(), static_cast<int>(arg.i));
    if (arg.kind == 'f') return std::snprintf(dst, room, fmt.c_str(), arg.f);
    return std::snprintf(dst, room, fmt.c_str(), arg.s ? arg.s : "");
  };
  const int n = print(nullptr, 0);
  if (n <= 0) return;
  const size_t at = out.size();
  out.resize(at + static_cast<size_t>(n) + 1);
  print(out.data() + at, static_cast<size_t>(n) + 1);
  out.resize(at + static_cast<size_t>(n));
}

}  // namespace

std::string Text(MessageId id) {
  if (id >= kMessageCount) return {};
  Texts& t = Current();
  std::shared_lock guard(t.lock);
  return t.text[id];
}

std::string_view MessageName(MessageId id) { return id < kMessageCount ? kNames[id] : std::string_view(); }

std::optional<MessageId> FindMessage(std::string_view name) {
  static const auto* index = [] {
    auto* m = new std::unordered_map<std::string_view, MessageId>();
    for (size_t i = 0; i < kMessageCount; ++i) m->emplace(kNames[i], static_cast<MessageId>(i));
    return m;
  }();
  auto it = index->find(name);
  if (it == index->end()) return std::nullopt;
  return it->second;
}

bool SetText(MessageId id, std::string text) {
  if (id >= kMessageCount) return false;
  if (!SamePlaceholders(text, kDefaults[id])) return false;
  Texts& t = Current();
  std::unique_lock guard(t.lock);
  t.text[id] = std::move(text);
  return true;
}

bool SetText(std::string_view name, std::string text) {
  auto id = FindMessage(name);
  return id && SetText(*id, std::move(text));
}

int LoadTexts(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return -1;
  int replaced = 0;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos) continue;
    if (line[start] == '#' || line[start] == ';') continue;
    size_t eq = line.find('=', start);
    if (eq == std::string::npos) continue;
    std::string_view name(line.data() + start, eq - start);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
    if (SetText(name, line.substr(eq + 1))) ++replaced;
  }
  return replaced;
}

void ResetTexts() {
  Texts& t = Current();
  std::unique_lock guard(t.lock);
  for (size_t i = 0; i < kMessageCount; ++i) t.text[i] = kDefaults[i];
}

bool IsSuccess(const std::string& result) { return result == Text(ERR_NONE); }

std::optional<MessageId> SenseMessage(uint8_t asc, uint8_t ascq) {
  static const auto* index = [] {
    auto* m = new std::unordered_map<uint16_t, MessageId>();
    constexpr std::string_view kPrefix = "ERR_AS_";
    for (size_t i = 0; i < kMessageCount; ++i) {
      std::string_view n = kNames[i];
      unsigned a, q;
      if (n.substr(0, kPrefix.size()) != kPrefix) continue;
      if (std::sscanf(n.data() + kPrefix.size(), "%2x_%2x", &a, &q) != 2) continue;
      m->emplace(static_cast<uint16_t>(a << 8 | q), static_cast<MessageId>(i));
    }
    return m;
  }();
  auto it = index->find(static_cast<uint16_t>(asc << 8 | ascq));
  if (it == index->end()) return std::nullopt;
  return it->second;
}

std::string GroupThousands(uint64_t value) {
  const std::string digits = std::to_string(value);
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

std::string FormatText(std::string_view format, std::initializer_list<FormatArg> args) {
  std::vector<Placeholder> places;
  std::string out;
  const FormatArg* next = args.begin();
  size_t pos = 0;
  // A text that is not a clean format is given back as it stands.
  if (!ParsePlaceholders(format, &places)) return std::string(format);
  for (const Placeholder& p : places) {
    // Literal text before the placeholder, with %% reduced to %.
    for (size_t i = pos; i < p.begin; ++i) {
      out += format[i];
      if (format[i] == '%') ++i;
    }
    std::string_view spec = format.substr(p.begin, p.end - p.begin);
    const bool fits = next != args.end() && (next->kind == p.kind || (p.kind == 'f' && next->kind == 'i'));
    if (!fits) {
      out += spec;
    } else if (p.kind == 'f' && next->kind == 'i') {
      FormatArg as_double{'f', 0, static_cast<double>(next->i), nullptr};
      AppendOne(out, spec, as_double);
    } else {
      AppendOne(out, spec, *next);
    }
    if (next != args.end()) ++next;
    pos = p.end;
  }
  for (size_t i = pos; i < format.size(); ++i) {
    out += format[i];
    if (format[i] == '%') ++i;
  }
  return out;
}

}  // namespace orlix
