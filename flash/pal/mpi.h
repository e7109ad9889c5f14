// Constants of the controllers' message-passing interface (MPI) that `tessel` uses: function codes,
// IOC states, configuration actions and page types, image types, SAS IO unit operations, the
// lengths of the requests and replies it sends, and the reply fields it reads. All frames are
// little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

// Function codes (byte 3 of every request).
constexpr uint8_t MPI_FUNCTION_IOC_FACTS = 0x03;
constexpr uint8_t MPI_FUNCTION_CONFIG = 0x04;
constexpr uint8_t MPI_FUNCTION_FW_DOWNLOAD = 0x09;
constexpr uint8_t MPI_FUNCTION_FW_UPLOAD = 0x12;
constexpr uint8_t MPI_FUNCTION_SAS_IO_UNIT_CONTROL = 0x1B;

// IOC states, in the top nibble of the state word.
constexpr uint32_t MPI_IOC_STATE_RESET = 0x00000000;
constexpr uint32_t MPI_IOC_STATE_READY = 0x10000000;
constexpr uint32_t MPI_IOC_STATE_OPERATIONAL = 0x20000000;
constexpr uint32_t MPI_IOC_STATE_FAULT = 0x40000000;
constexpr uint32_t MPI_IOC_STATE_MASK = 0xF0000000;

// IOCStatus values that `tessel` tells apart.
constexpr uint16_t MPI_IOCSTATUS_SUCCESS = 0x0000;
constexpr uint16_t MPI_IOCSTATUS_CONFIG_INVALID_ACTION = 0x0020;
constexpr uint16_t MPI_IOCSTATUS_CONFIG_INVALID_TYPE = 0x0021;
constexpr uint16_t MPI_IOCSTATUS_CONFIG_INVALID_PAGE = 0x0022;

// IOCLogInfo carries a log-info type when any of these bits is set.
constexpr uint32_t MPI_IOCLOGINFO_TYPE_MASK = 0x70000000;

// Configuration actions.
constexpr uint8_t MPI_CONFIG_ACTION_PAGE_HEADER = 0;
constexpr uint8_t MPI_CONFIG_ACTION_PAGE_READ_CURRENT = 1;
constexpr uint8_t MPI_CONFIG_ACTION_PAGE_WRITE_CURRENT = 2;
constexpr uint8_t MPI_CONFIG_ACTION_PAGE_DEFAULT = 3;
constexpr uint8_t MPI_CONFIG_ACTION_PAGE_WRITE_NVRAM = 4;
constexpr uint8_t MPI_CONFIG_ACTION_PAGE_READ_DEFAULT = 5;
constexpr uint8_t MPI_CONFIG_ACTION_PAGE_READ_NVRAM = 6;

// Configuration page types. An extended page names its kind in ExtPageType and counts its length
// in ExtPageLength instead of the header's PageLength.
constexpr uint8_t MPI_CONFIG_PAGETYPE_MANUFACTURING = 0x09;
constexpr uint8_t MPI_CONFIG_PAGETYPE_EXTENDED = 0x0F;
constexpr uint8_t MPI_CONFIG_EXTPAGETYPE_SAS_IO_UNIT = 0x10;

// Image types of firmware download and upload requests.
constexpr uint8_t MPI_IMAGE_TYPE_FIRMWARE = 0x01;
constexpr uint8_t MPI_IMAGE_TYPE_BIOS = 0x02;
constexpr uint8_t MPI_IMAGE_TYPE_BACKUP_FIRMWARE = 0x05;
constexpr uint8_t MPI_IMAGE_TYPE_OMBRA_FIRMWARE = 0x09;
constexpr uint8_t MPI_IMAGE_TYPE_COMPLETE_FLASH = 0x0A;
constexpr uint8_t MPI_IMAGE_TYPE_COMMON_BOOT_BLOCK = 0x0B;

// MsgFlags of a firmware download: this request carries the image's last segment.
constexpr uint8_t MPI_FW_DOWNLOAD_MSGFLAGS_LAST_SEGMENT = 0x01;

// SAS IO unit control operations that `tessel` sends.
constexpr uint8_t MPI_SAS_OP_CLEAR_NOT_PRESENT = 0x01;
constexpr uint8_t MPI_SAS_OP_CLEAR_ALL_PERSISTENT = 0x02;

// Message versions that gate firmware transfers: none up to 0x0101, and the last-segment flag
// only above 0x0104.
constexpr uint16_t kMpiMsgVersionNoFirmwareTransfer = 0x0101;
constexpr uint16_t kMpiMsgVersionNoLastSegmentFlag = 0x0104;

// Request and reply lengths in bytes.
constexpr size_t kIocFactsRequestLength = 12;
constexpr size_t kIocFactsReplyLength = 80;
constexpr size_t kConfigRequestLength = 28;
constexpr size_t kConfigReplyLength = 24;
constexpr size_t kFirmwareDownloadRequestLength = 28;
constexpr size_t kFirmwareDownloadReplyLength = 20;
constexpr size_t kFirmwareUploadRequestLength = 28;
constexpr size_t kFirmwareUploadReplyLength = 24;
constexpr size_t kSasIoUnitControlRequestLength = 32;
constexpr size_t kSasIoUnitControlReplyLength = 20;

// Fields common to every reply. Replies of kMpiReplyMinExamined bytes or less are never examined.
constexpr size_t kMpiReplyIocStatusOffset = 14;   // u16
constexpr size_t kMpiReplyIocLogInfoOffset = 16;  // u32
constexpr size_t kMpiReplyMinExamined = 20;

// IOC facts reply fields.
constexpr size_t kIocFactsMsgVersionOffset = 0;      // u16
constexpr size_t kIocFactsIocExceptionsOffset = 12;  // u16
constexpr size_t kIocFactsProductIdOffset = 30;      // u16
constexpr size_t kIocFactsNumberOfPortsOffset = 38;  // u8
constexpr size_t kIocFactsFwVersionOffset = 56;      // u32

// Configuration reply fields.
constexpr size_t kConfigReplyExtPageLengthOffset = 4;  // u16, in 32-bit words
constexpr size_t kConfigReplyHeaderOffset = 20;        // version, length (words), number, type

// Firmware upload reply field.
constexpr size_t kFirmwareUploadActualImageSizeOffset = 20;  // u32
