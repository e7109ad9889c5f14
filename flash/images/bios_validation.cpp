#include "flash/images/bios_validation.h"

#include "common/bytes.h"
#include "flash/frontend/messages.h"
#include "flash/images/bios_rom_chain.h"
#include "flash/images/firmware_image.h"

bool IsCompatibleBiosDeviceId(uint16_t deviceId) {
    switch (deviceId) {
        case 0x0050:
        case 0x0051:
        case 0x0054:
        case 0x0055:
        case 0x0056:
        case 0x0057:
        case 0x0058:
        case 0x0059:
        case 0x005C:
        case 0x0060:
        case 0x0062:
            return true;
        default:
            return false;
    }
}

bool ValidateBiosImage(uint8_t* image, size_t length, uint16_t adapterDeviceId, bool alternate) {
    MessageAt(kLevelReport, "\t\tValidating BIOS Image. . .\n\n");
    ByteReader r(image, length);
    if (r.U16(0) != kRomSignature) {
        MessageAt(kLevelReport, "\t\tBIOS Header Signature Invalid.\n\n");
        return false;
    }
    MessageAt(kLevelReport, "\t\tBIOS Header Signature Valid.\n\n");

    // The structure's fields are read and the device id written, so all of them must be there.
    const size_t pcir = r.U16(kRomPcirPointerOffset);
    if (!r.Has(pcir, kPcirFieldsSize)) {
        MessageAt(kLevelReport,
                  "\t\tERROR: BIOS PCI Structure offset 0x%zx lies outside the %zu bytes of the "
                  "file.\n\n",
                  pcir, length);
        return false;
    }
    if (ByteChecksum(image, length) != 0) return false;

    const uint16_t fileDeviceId = r.U16(pcir + kPcirDeviceIdOffset);
    ByteWriter(image, length)
        .U16(pcir + kPcirDeviceIdOffset,
             alternate ? AlternateDeviceId(adapterDeviceId) : PrimaryDeviceId(adapterDeviceId));

    if (r.U32(pcir) != kPcirSignature) {
        MessageAt(kLevelReport, "\t\tBIOS PCI Structure signature invalid!.\n\n");
        return false;
    }
    // The merge copies the image out by its length field, so it has to describe the file.
    RomImage first;
    switch (CheckRomImage(ByteSpan(image, length), 0, &first)) {
        case RomImageCheck::kValid:
            break;
        case RomImageCheck::kZeroLength:
            MessageAt(kLevelReport, "\t\tERROR: BIOS Image length field is 0.\n\n");
            return false;
        case RomImageCheck::kPastEnd:
            MessageAt(kLevelReport,
                      "\t\tERROR: BIOS Image length of %zu bytes runs past the end of the "
                      "%zu-byte file.\n\n",
                      size_t{r.U16(pcir + kPcirImageLengthOffset)} * kRomBlockSize, length);
            return false;
        default:
            MessageAt(kLevelReport, "\t\tERROR: BIOS PCI Structure lies outside the image.\n\n");
            return false;
    }
    if (!IsCompatibleBiosDeviceId(fileDeviceId)) {
        MessageAt(kLevelReport,
                  "\t\tERROR: BIOS Image not compatible with the SAS Controller.\n\n");
        return false;
    }
    MessageAt(kLevelReport, "\t\tBIOS Image compatible with the SAS Controller.\n\n");
    return true;
}
