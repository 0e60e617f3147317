// Choosing the layer behind the two ASPI entry points.
#include <exception>

#include "platform/dynamic_library.h"
#include "platform/scsi_passthrough.h"
#include "transport/transport_state.h"

namespace orlix {

const char* const kEmulationLayerName = "OXASPI32";
const char* const kAspiManagerBaseName = "wnaspi32";

TSendASPI32Command SendASPI32Command = nullptr;
TGetASPI32SupportInfo GetASPI32SupportInfo = nullptr;
std::atomic<bool> ASPIDLLLoaded{false};
std::string ASPILayerName;
bool TryInternalASPIFirst = false;
TLibHandle ASPILibHandle = nullptr;
std::string ASPILibPath;
std::string ASPILayerError;
// Defined here, before the finalizer below, so that it outlives it.
TPassThroughOps PassThrough = SystemPassThrough();

namespace {

void InstallEmulation() {
  GetASPI32SupportInfo = &__GetASPI32SupportInfo;
  SendASPI32Command = &__SendASPI32Command;
  ASPIDLLLoaded = true;
  ASPILayerName = kEmulationLayerName;
}

// Loads the first candidate that loads; a loader failure of any kind only
// means "not there".
TLibHandle LoadFirst(const std::string& library_path, std::string& loaded_from) {
  const std::string file = LibraryFileName(kAspiManagerBaseName);
  std::string candidates[3];
  int n = 0;
  if (!library_path.empty()) candidates[n++] = library_path;
  candidates[n++] = "./" + file;
  candidates[n++] = file;
  for (int i = 0; i < n; ++i) {
    TLibHandle handle = nullptr;
    try {
      handle = LoadSharedLibrary(candidates[i]);
    } catch (const std::exception&) {
      handle = nullptr;
    }
    if (handle) {
      loaded_from = candidates[i];
      return handle;
    }
  }
  return nullptr;
}

// Takes the two entry points; a library without both is unusable and is
// unloaded again.
bool InstallLibrary(TLibHandle handle, const std::string& loaded_from) {
  void* send = SharedLibrarySymbol(handle, "SendASPI32Command");
  void* info = SharedLibrarySymbol(handle, "GetASPI32SupportInfo");
  if (!send || !info) {
    ASPILayerError = "ASPI manager " + loaded_from + " lacks the entry point " +
                     (send ? "GetASPI32SupportInfo" : "SendASPI32Command") + "; not used";
    FreeSharedLibrary(handle);
    return false;
  }
  ASPILibHandle = handle;
  ASPILibPath = loaded_from;
  SendASPI32Command = reinterpret_cast<TSendASPI32Command>(send);
  GetASPI32SupportInfo = reinterpret_cast<TGetASPI32SupportInfo>(info);
  ASPILayerName = LibraryFileName(kAspiManagerBaseName);
  ASPIDLLLoaded = true;
  return true;
}

// Unloading the transport releases what the last selection left.
struct TLayerFinalizer {
  ~TLayerFinalizer() {
    if (ASPILibHandle) {
      ASPIDLLLoaded = false;
      SendASPI32Command = nullptr;
      GetASPI32SupportInfo = nullptr;
      FreeSharedLibrary(ASPILibHandle);
      ASPILibHandle = nullptr;
    }
    if (SPTIAvailable) SPTIDeInit();
    ASPILayerName.clear();
  }
} layer_finalizer;

}  // namespace

bool _InitializeASPI(bool TryInternalFirst, const std::string& LibraryPath) {
  uint32_t previous_mode = SetQuietErrorMode();
  if (!ASPIDLLLoaded) {
    // Nothing may stay callable from a layer that is gone.
    SendASPI32Command = nullptr;
    GetASPI32SupportInfo = nullptr;
    ASPILayerName.clear();
    ASPILayerError.clear();
  }
  if (TryInternalFirst && SPTIInit() > 0) InstallEmulation();
  if (!ASPIDLLLoaded) {
    ASPILibHandle = nullptr;
    ASPILibPath.clear();
    std::string loaded_from;
    TLibHandle handle = LoadFirst(LibraryPath, loaded_from);
    if (handle) InstallLibrary(handle, loaded_from);
  }
  if (!ASPIDLLLoaded && SPTIInit() > 0) InstallEmulation();
  // An ASPI manager sets itself up on this first call.
  if (ASPIDLLLoaded) GetASPI32SupportInfo();
  TryInternalASPIFirst = TryInternalFirst;
  RestoreErrorMode(previous_mode);
  return ASPIDLLLoaded;
}

bool _ReInitializeASPI() {
  if (ASPILayerName == kEmulationLayerName) {
    ASPIDLLLoaded = false;
    SPTIDeInit();
  } else {
    _DeInitializeASPI();
  }
  _InitializeASPI(TryInternalASPIFirst, "");
  return true;
}

bool _DeInitializeASPI() {
  if (!ASPIDLLLoaded || !ASPILibHandle) return true;
  ASPIDLLLoaded = false;
  SendASPI32Command = nullptr;
  GetASPI32SupportInfo = nullptr;
  ASPILayerName.clear();
  FreeSharedLibrary(ASPILibHandle);
  ASPILibHandle = nullptr;
  ASPILibPath.clear();
  return true;
}

}  // namespace orlix
