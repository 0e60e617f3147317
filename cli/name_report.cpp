#include "cli/name_report.h"

#include <cstdio>

#include "iso/bytes.h"

namespace orlix::cli {
namespace {

// The user's words for the burner's text properties.
std::string PropertyWords(const std::string& property) {
  static const std::pair<const char*, const char*> kWords[] = {
      {"IdVolume", "volume identifier"},
      {"IdVolumeSet", "volume set identifier"},
      {"IdSystem", "system identifier"},
      {"IdPublisher", "publisher identifier"},
      {"IdPreparer", "data preparer identifier"},
      {"IdApplication", "application identifier"},
      {"FileCopyright", "copyright file identifier"},
      {"FileAbstract", "abstract file identifier"},
      {"FileBibliographic", "bibliographic file identifier"},
  };
  for (const auto& [name, words] : kWords)
    if (property == name) return words;
  return property;
}

}  // namespace

size_t CharacterCount(const std::string& name) { return Utf8ToUcs2(name).size(); }

std::string Shown(const std::string& name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(name.size());
  const auto escape = [&](unsigned char c) {
    out += "\\x";
    out += kHex[c >> 4];
    out += kHex[c & 15];
  };
  for (size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    const bool c1 = c == 0xC2 && i + 1 < name.size() && static_cast<unsigned char>(name[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(name[i + 1]) <= 0x9F;
    if (c1) {
      escape(c);
      escape(static_cast<unsigned char>(name[++i]));
    } else if (c < 0x20 || c == 0x7F) {
      escape(c);
    } else {
      out += name[i];
    }
  }
  return out;
}

NameReport::NameReport(TOrlixBurner& burner) : burner_(burner) {
  burner_.OnNameChanged = [this](TComponent*, const std::string& image_path, const std::string& given,
                                 const std::string& written,
                                 TNameChange why) { Changed(image_path, given, written, why); };
}

NameReport::~NameReport() {
  Flush();
  burner_.OnNameChanged = nullptr;
}

void NameReport::Renamed(const std::string& image_path, const std::string& written, const std::string& why) {
  renamed_entries_.insert(image_path);
  if (!told_.insert({image_path, written, why}).second) return;
  for (Line& line : untold_) {
    if (line.image_path == image_path && line.written == written) {
      line.reasons.push_back(why);
      return;
    }
  }
  untold_.push_back({image_path, written, {why}});
}

void NameReport::Flush() {
  for (const Line& line : untold_) {
    std::string reasons;
    for (const std::string& why : line.reasons) reasons += (reasons.empty() ? "" : "; ") + why;
    std::fprintf(stderr, "orlix: renamed: %s -> %s (%s)\n", Shown(line.image_path).c_str(),
                 Shown(line.written).c_str(), Shown(reasons).c_str());
  }
  untold_.clear();
}

void NameReport::Changed(const std::string& image_path, const std::string& given, const std::string& written,
                         TNameChange why) {
  switch (why) {
    case TNameChange::ncJolietCut:
      Renamed(image_path, written, "cut to fit Joliet, unique in its folder");
      break;
    case TNameChange::ncJolietChars:
      Renamed(image_path, written, "characters Joliet forbids written as _");
      break;
    case TNameChange::ncIsoUnique:
      Renamed(image_path, "ISO 9660 name " + written, given + " is taken");
      break;
    case TNameChange::ncVolumeText:
      VolumeText(image_path, given, written);
      break;
  }
}

void NameReport::VolumeText(const std::string& property, const std::string& given,
                            const std::string& field) {
  // A fixed-width field is padded with spaces; they are not part of the text.
  const std::string written = field.substr(0, field.find_last_not_of(' ') + 1);
  if (!volume_texts_.insert(property + '\n' + written).second) return;
  // Fewer characters: the field cut it; as many: characters were mapped.
  const char* what = CharacterCount(written) < CharacterCount(given) ? "cut" : "mapped";
  std::fprintf(stderr, "orlix: %s: %s \"%s\" -> \"%s\"\n", what, PropertyWords(property).c_str(),
               Shown(given).c_str(), Shown(written).c_str());
}

}  // namespace orlix::cli
