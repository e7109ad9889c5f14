#include "flash/images/firmware_validation.h"

#include <cstring>

#include "flash/adapters/adapter_list.h"
#include "flash/adapters/ioc_state.h"
#include "flash/adapters/platform_hooks.h"
#include "flash/frontend/command_list.h"
#include "flash/frontend/console.h"
#include "flash/frontend/messages.h"
#include "flash/images/chip_revision.h"

namespace {

enum class Variant { kStrict, kAdvanced, kDowngrade };

// Output modes 2 and 3 both answer questions with their error.
bool QuestionsSilenced() {
    const uint8_t mode = GetOutputMode();
    return mode == kModeSilent || mode == kModeVerbose;
}

bool AskYesNo(const char* question) {
    MessageAt(kLevelReport, "%s", question);
    char word[kConsoleWordSize];
    const char answer = ReadConsoleWord(word);
    return answer == 'y' || answer == 'Y';
}

bool RunningFirmwareAnswers(uint32_t handle) {
    const uint32_t state = IocState(handle) & MPI_IOC_STATE_MASK;
    return state == MPI_IOC_STATE_OPERATIONAL || state == MPI_IOC_STATE_READY;
}

bool SameIdentity(const NvdataIdentity& x, const NvdataIdentity& y) {
    return std::memcmp(x.vendorId, y.vendorId, sizeof x.vendorId) == 0 &&
           std::memcmp(x.productId, y.productId, sizeof x.productId) == 0;
}

void PrintFwVersion(const char* label, uint32_t version) {
    MessageAt(kLevelReport, "\t%s: %02d.%02d.%02d.%02d\n", label, int(version >> 24),
              int((version >> 16) & 0xFF), int((version >> 8) & 0xFF), int(version & 0xFF));
}

// The vendor and product ids of the file against those of the running firmware.
bool IdentityAccepted(Variant variant, const NvdataIdentity& file, const NvdataIdentity& running) {
    if (SameIdentity(file, running)) {
        MessageAt(kLevelReport, "\t\tProduct ID and Vendor ID match verified.\n\n");
        return true;
    }
    if (variant != Variant::kAdvanced || QuestionsSilenced()) {
        MessageAt(kLevelError, "\t\tERROR: Product ID and Vendor ID match FAILED.\n\n");
        return false;
    }
    const bool yes = AskYesNo(
        "\t\tProduct ID and Vendor ID do not match.\n\t\tWould you like to flash anyway [y/n]? ");
    MessageAt(kLevelReport, "\n");
    return yes;
}

// An IR/IT change: an error for the strict variant and in silent mode, else a question.
bool KindChangeAccepted(Variant variant, bool fileIr) {
    if (variant == Variant::kStrict || QuestionsSilenced()) {
        MessageAt(kLevelError, fileIr ? "\tERROR: Cannot Flash IR Firmware over IT Firmware!\n\n"
                                      : "\tERROR: Cannot Flash IT Firmware over IR Firmware!\n\n");
        return false;
    }
    const bool yes = AskYesNo(fileIr ? "\t\tFlashing IR Firmware over IT Firmware!\n"
                                       "\t\tWould you like to flash anyway [y/n]? "
                                     : "\t\tFlashing IT Firmware over IR Firmware!\n"
                                       "\t\tWould you like to flash anyway [y/n]? ");
    MessageAt(kLevelReport, "\n\n");
    return yes;
}

bool Validate(Variant variant, const uint8_t* data, uint32_t length, uint32_t handle,
              uint16_t* iocStatus, uint32_t* iocLogInfo) {
    const FirmwareImage file{data, length};
    const AdapterRecord* adapter = CurrentAdapter();
    if (!CheckFirmwareFile(file, adapter ? adapter->pciDeviceId : 0,
                           adapter ? adapter->pciRevision : 0))
        return false;
    NvdataIdentity fileIdentity;
    if (!ReadIdentity(file, &fileIdentity)) {
        if (variant == Variant::kDowngrade)
            MessageAt(kLevelError, "\t\tNo Valid NVDATA concatenated to image!\n\n");
        return false;
    }

    // A missing bootloader is remembered here and fails after the remaining tests have run.
    bool result = true;
    uint16_t runningProductId = 0;
    if (RunningFirmwareAnswers(handle)) {
        if (variant != Variant::kDowngrade)
            MessageAt(kLevelReport, "\t\tVerifying NVDATA Compatibility. . .\n");
        UploadedImage running;
        if (!running.Upload(handle, MPI_FW_UPLOAD_ITYPE_FW_FLASH, iocStatus, iocLogInfo))
            return false;
        NvdataIdentity runningIdentity;
        if (!ReadIdentity(running.image(), &runningIdentity)) return false;
        runningProductId = ImageProductId(running.image());
        if (variant != Variant::kDowngrade) {
            if ((fileIdentity.version >> 8) < (runningIdentity.version >> 8)) {
                MessageAt(kLevelError,
                          variant == Variant::kStrict
                              ? "\t\tERROR: Cannot move backwards from NVDATA version 0x%x to "
                                "0x%x.\n\n"
                              : "\t\tERROR: Cannot move backwards from NVDATA version %X to "
                                "%X.\n\n",
                          runningIdentity.version, fileIdentity.version);
                return false;
            }
            MessageAt(kLevelReport, "\t\tNVDATA Versions Compatible\n\n");
        }
        if (!IdentityAccepted(variant, fileIdentity, runningIdentity)) return false;
        result = FindBootloaderImage(file) != 0;
        if (result) MessageAt(kLevelReport, "\t\tValid BootLoader Image verified.\n\n");
        if (variant == Variant::kStrict && AllAdaptersMode()) {
            const uint32_t runningVersion = ImageFwVersion(running.image());
            const uint32_t fileVersion = ImageFwVersion(file);
            if (!(fileVersion > runningVersion)) {
                PrintFwVersion("FW Version in flash", runningVersion);
                PrintFwVersion("FW Version from file", fileVersion);
                MessageAt(kLevelReport,
                          "\tWill not flash since file version is not greater than current.\n\n");
                return false;
            }
        }
    }

    const uint16_t fileProductId = ImageProductId(file);
    const bool raidOnChip = ChipFamily(fileProductId) == kChipFamilyT470;
    if (variant == Variant::kAdvanced && raidOnChip) {
        if (!FindInitImage(file)) return false;
        MessageAt(kLevelReport, "\t\tValid Initialization Image verified.\n\n");
    }

    const bool fileIr = IsIrFirmware(fileProductId);
    if (fileIr && result && !raidOnChip && !IocHasNvsram(handle)) {
        MessageAt(kLevelError, "\tERROR: NVSRAM is required to flash IR firmware!\n\n");
        return false;
    }
    if (!result) return false;
    if (variant == Variant::kDowngrade || runningProductId == 0) return true;
    if (fileIr == IsIrFirmware(runningProductId)) return true;
    return KindChangeAccepted(variant, fileIr);
}

}  // namespace

bool CheckFirmwareFile(FirmwareImage image, uint16_t pciDeviceId, uint8_t pciRevision) {
    if (!HasFirmwareSignatures(image)) {
        MessageAt(kLevelError, "\tERROR: Firmware Image does not have a valid signature.\n\n");
        return false;
    }
    if (FirmwareChecksum(image.data, image.length) != 0) return false;
    std::vector<ChainEntry> chain;
    if (const char* problem = ReadFirmwareChain(image, &chain)) {
        ReportDamagedImage(problem);
        return false;
    }
    return MatchChipRevision(image, pciDeviceId, pciRevision);
}

bool ReadIdentity(FirmwareImage image, NvdataIdentity* identity) {
    *identity = NvdataIdentity{};
    identity->version = ReadNvdataIdentity(image, identity->vendorId, identity->productId);
    return identity->version != 0;
}

bool ValidateFirmwareImage(const uint8_t* image, uint32_t length, uint32_t handle,
                           uint16_t* iocStatus, uint32_t* iocLogInfo) {
    return Validate(Variant::kStrict, image, length, handle, iocStatus, iocLogInfo);
}

bool ValidateFirmwareImageAdvanced(const uint8_t* image, uint32_t length, uint32_t handle,
                                   uint16_t* iocStatus, uint32_t* iocLogInfo) {
    return Validate(Variant::kAdvanced, image, length, handle, iocStatus, iocLogInfo);
}

bool ValidateFirmwareImageDowngrade(const uint8_t* image, uint32_t length, uint32_t handle,
                                    uint16_t* iocStatus, uint32_t* iocLogInfo) {
    return Validate(Variant::kDowngrade, image, length, handle, iocStatus, iocLogInfo);
}
