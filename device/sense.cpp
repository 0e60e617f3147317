// From request status and sense data to the catalogue's texts.
#include <cstring>

#include "device/scsi_device.h"
#include "messages/messages.h"

namespace orlix {

std::string TSCSIDevice::GetAspiError(uint8_t Status, uint8_t HaStat, uint8_t TargStat) {
  target_busy_ = false;
  switch (Status) {
    case SS_PENDING:
    case SS_COMP:
      return Text(ERR_NONE);
    case SS_ABORTED:
    case SS_ABORT_FAIL:
      return Text(ERR_ABORTED);
    case SS_ERR:
      switch (HaStat) {
        case HASTAT_OK:
          switch (TargStat) {
            case STATUS_GOOD:
            case STATUS_CHKCOND:
              return Text(ERR_CHECKCONDITION);
            case STATUS_BUSY:
              target_busy_ = true;
              return Text(ERR_TARGETBUSY);
            case STATUS_RESCONF:
              return Text(ERR_TARGETCONFLICT);
            case STATUS_QUEUE_FULL:
              return Text(ERR_QUEFULL);
          }
          break;
        case HASTAT_TIMEOUT:
          return Text(ERR_TIMEOUT);
        case HASTAT_COMMAND_TIMEOUT:
          return Text(ERR_SRBTIMEOUT);
        case HASTAT_MESSAGE_REJECT:
          return Text(ERR_MESSAGEREJECT);
        case HASTAT_BUS_RESET:
          return Text(ERR_BUSRESET);
        case HASTAT_PARITY_ERROR:
          return Text(ERR_PARITYERR);
        case HASTAT_REQUEST_SENSE_FAILED:
          return Text(ERR_REQUESTSENSEFAILED);
        case HASTAT_SEL_TO:
          return Text(ERR_SELECTIONTIMEOUT);
        case HASTAT_DO_DU:
          return Text(ERR_DATAOVERRUN);
        case HASTAT_BUS_FREE:
          return Text(ERR_UNEXPECTEDBUSFREE);
      }
      break;
    case SS_INVALID_CMD:
      return Text(ERR_INVALIDREQUEST);
    case SS_INVALID_HA:
      return Text(ERR_INVALIDHA);
    case SS_NO_DEVICE:
      return Text(ERR_NODEVICE);
    case SS_INVALID_SRB:
      return Text(ERR_INVALIDSRB);
    case SS_BUFFER_ALIGN:
      return Text(ERR_BUFFERALIGNMENT);
    case SS_ASPI_IS_BUSY:
      return Text(ERR_ASPIBUSY);
    case SS_BUFFER_TOO_BIG:
      return Text(ERR_BUFFERTOOBIG);
  }
  return Text(ERR_UNKNOWN);
}

namespace {

std::string SenseKeyText(const uint8_t* sense, const std::string& unchanged) {
  if (sense[0] == 0) return Text(ERR_NONE);
  if ((sense[0] & 0x7E) != 0x70) return Text(ERR_UNKNOWN);  // not fixed-format sense
  switch (sense[2] & 0x0F) {
    case 0x0:
      if (sense[2] & 0x80) return Text(ERR_FILEMARK);
      if (sense[2] & 0x40) return Text(ERR_ENDOFMEDIA);
      if (sense[2] & 0x20) return Text(ERR_ILLEGALLENGTH);
      return Text(ERR_AS_00_00);
    case 0x1:
      return Text(ERR_RECOVEREDERROR);
    case 0x2:
      return Text(ERR_NOTREADY);
    case 0x3:
      return Text(ERR_MEDIUMERROR);
    case 0x4:
      return Text(ERR_HARDWAREERROR);
    case 0x5:
      return Text(ERR_ILLEGALREQUEST);
    case 0x6:
      return Text(ERR_UNITATTENTION);
    case 0x7:
      return Text(ERR_DATAPROTECT);
    case 0x8:
      return Text(ERR_ERASECHECK);
    case 0xA:
      return Text(ERR_COPYABORTED);
    case 0xB:
      return Text(ERR_ABORTEDCOMMAND);
    case 0xD:
      return Text(ERR_VOLUMEOVERFLOW);
    case 0xE:
      return Text(ERR_MISCOMPARE);
    case 0xF:
      return Text(ERR_RESERVED);
    default:  // 9 and 0x0C
      return unchanged;
  }
}

}  // namespace

std::string TSCSIDevice::DecodeSense(const TSRB_ExecSCSICmd& SRB) {
  std::string text = GetAspiError(SRB.SRB_Status, SRB.SRB_HaStat, SRB.SRB_TargStat);
  if (text == Text(ERR_CHECKCONDITION)) text = SenseKeyText(SRB.SenseArea, text);
  last_error_ = text;
  AdditionalSenseInformation(SRB);
  return text;
}

void TSCSIDevice::AdditionalSenseInformation(const TSRB_ExecSCSICmd& SRB) {
  const uint8_t asc = SRB.SenseArea[12], ascq = SRB.SenseArea[13];
  std::string text;
  if (auto id = SenseMessage(asc, ascq))
    text = Text(*id);
  else
    text = std::to_string(asc) + "," + std::to_string(ascq);
  std::memcpy(last_sense_, SRB.SenseArea, sizeof last_sense_);
  if (SRB.SenseArea[7] != 0) last_error_ += " (" + text + ")";
}

}  // namespace orlix
