// The controller's flash, one region per image type, each a binary file under regions/. A
// firmware download (type 1) is written to the backup region and runs after the next hard reset;
// the whole flash (type 10) is the regions one after another, erased bytes up to the flash size.
#pragma once

#include <string>

#include "common/bytes.h"
#include "flash/emulator/lab.h"
#include "flash/emulator/mpi_messages.h"

namespace emu {

constexpr uint8_t kImageTypeFirmware = 1;
constexpr uint8_t kImageTypeBios = 2;
constexpr uint8_t kImageTypeBackup = 5;
constexpr uint8_t kImageTypeOmbra = 9;
constexpr uint8_t kImageTypeComplete = 10;
constexpr uint8_t kImageTypeCommonBootBlock = 11;

// The file of a region, relative to the controller's directory; null for a type without one.
const char* RegionFileName(uint8_t imageType);

std::string DescribeFirmwareRequest(ByteReader request);
int HandleFirmwareDownload(Controller& controller, MpiExchange& exchange);
int HandleFirmwareUpload(Controller& controller, MpiExchange& exchange);

// At a hard reset: a downloaded firmware becomes the running one.
bool PromotePendingFirmware(Controller& controller);

// What IOC facts and MPTIOCINFO report: the ProductId and FWVersion of the image in the firmware
// region when it carries the firmware signatures, else those of controller.conf.
struct RunningFirmwareIdentity {
    uint16_t productId;
    uint32_t fwVersion;
};
RunningFirmwareIdentity RunningFirmware(const Controller& controller);

}  // namespace emu
