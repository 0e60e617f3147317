#include "burner/name_reports.h"

#include "messages/messages.h"

namespace orlix {

void ReportNameChange(TOrlixBurner& burner, const std::string& image_path, const std::string& given,
                      const std::string& written, TNameChange why) {
  if (burner.OnNameChanged) burner.OnNameChanged(&burner, image_path, given, written, why);
  const std::string quoted = "\"" + image_path + "\"";
  std::string text;
  switch (why) {
    case TNameChange::ncJolietCut:
      text = Format(MSG_JOLIETCUT, quoted, written);
      break;
    case TNameChange::ncJolietChars:
      text = Format(MSG_JOLIETCHARS, quoted, written);
      break;
    case TNameChange::ncIsoUnique:
      text = Format(MSG_ISOUNIQUE, quoted, written, given);
      break;
    case TNameChange::ncVolumeText:
      text = Format(MSG_VOLUMETEXT, image_path, written);
      break;
  }
  burner.DebugMsg(">>> " + text, 4);
}

TNameSink NameSinkOf(TOrlixBurner& burner) {
  return [&burner](const std::string& image_path, const std::string& given, const std::string& written,
                   TWrittenName why) {
    TNameChange change = TNameChange::ncVolumeText;
    switch (why) {
      case TWrittenName::JolietCut:
        change = TNameChange::ncJolietCut;
        break;
      case TWrittenName::JolietChars:
        change = TNameChange::ncJolietChars;
        break;
      case TWrittenName::VolumeText:
        change = TNameChange::ncVolumeText;
        break;
    }
    ReportNameChange(burner, image_path, given, written, change);
  };
}

}  // namespace orlix
