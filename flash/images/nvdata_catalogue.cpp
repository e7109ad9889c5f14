#include "flash/images/nvdata_catalogue.h"

namespace {

constexpr NvdataField U8(const char* name, uint16_t offset) {
    return {name, NvdataArea::kPage, NvdataWidth::kU8, offset, 1, false};
}
constexpr NvdataField U16(const char* name, uint16_t offset) {
    return {name, NvdataArea::kPage, NvdataWidth::kU16, offset, 2, false};
}
constexpr NvdataField U32(const char* name, uint16_t offset) {
    return {name, NvdataArea::kPage, NvdataWidth::kU32, offset, 4, false};
}
constexpr NvdataField Text(const char* name, uint16_t offset, uint16_t extent) {
    return {name, NvdataArea::kPage, NvdataWidth::kText, offset, extent, false};
}
constexpr NvdataField HeaderU16(const char* name, uint16_t offset) {
    return {name, NvdataArea::kHeader, NvdataWidth::kU16, offset, 2, false};
}
constexpr NvdataField IdentityText(const char* name, uint16_t offset, uint16_t extent) {
    return {name, NvdataArea::kIdentity, NvdataWidth::kText, offset, extent, false};
}
constexpr NvdataField IdentityTextZ(const char* name, uint16_t offset, uint16_t extent) {
    return {name, NvdataArea::kIdentity, NvdataWidth::kText, offset, extent, true};
}

constexpr NvdataField kForceUpdateField{
    "FORCEUPDATE", NvdataArea::kForceUpdate, NvdataWidth::kU8, 0, 1, false};

// The page header fields: accepted in every page section, never in the image's data records.
constexpr NvdataField kPageHeaderFields[] = {
    U8("PAGE_VERSION", 0x00), U8("PAGE_LENGTH", 0x01), U8("PAGE_NUMBER", 0x02),
    U8("PAGE_TYPE", 0x03),    kForceUpdateField,
};
constexpr NvdataField kExtendedHeaderFields[] = {
    U8("PAGE_VERSION", 0x00),
    U8("CONFIG_EXTENDED_PAGE_HEADER_RESERVED1", 0x01),
    U8("CONFIG_EXTENDED_PAGE_HEADER_RESERVED2", 0x07),
    U16("EXT_PAGE_LENGTH", 0x04),
    U8("EXT_PAGE_TYPE", 0x06),
    U8("PAGE_NUMBER", 0x02),
    U8("PAGE_TYPE", 0x03),
    kForceUpdateField,
};
// The enclosure page names its extended length 32 bits wide, over the ext page type.
constexpr NvdataField kEnclosureHeaderFields[] = {
    U8("PAGE_VERSION", 0x00),
    U8("CONFIG_EXTENDED_PAGE_HEADER_RESERVED1", 0x01),
    U8("CONFIG_EXTENDED_PAGE_HEADER_RESERVED2", 0x07),
    U32("EXT_PAGE_LENGTH", 0x04),
    U8("EXT_PAGE_TYPE", 0x06),
    U8("PAGE_NUMBER", 0x02),
    U8("PAGE_TYPE", 0x03),
    kForceUpdateField,
};

constexpr NvdataField kGeneralDataFields[] = {
    HeaderU16("USER_VERSION", 0x08),
    IdentityTextZ("NVDATA_PRODUCTID", 0x0c, 16),
    IdentityTextZ("NVDATA_VENDORID", 0x04, 8),
    IdentityText("NVDATA_PRODUCT_REVISION", 0x1c, 36),
};
constexpr NvdataField kManufacturingPage0Fields[] = {
    Text("CHIP_NAME", 0x04, 16),           Text("CHIP_REVISION", 0x14, 8),
    Text("BOARD_NAME", 0x1c, 16),          Text("BOARD_ASSEMBLY", 0x2c, 16),
    Text("BOARD_TRACER_NUMBER", 0x3c, 16),
};
constexpr NvdataField kManufacturingPage1Fields[] = {
    Text("VPD", 0x04, 256),
};
constexpr NvdataField kIocMfgPage2Fields[] = {
    U16("DEVICE_ID", 0x04),
    U8("PCI_REVISION", 0x06),
    U8("MPI_CHIP_REVISION_ID_RESERVED", 0x07),
    U16("SSID_FCN_0", 0x08),
    U16("SSVID_FCN_0", 0x0a),
    U8("PCI_MEM_DIAG_SIZE", 0x0c),
    U8("RESERVED05", 0x0d),
    U16("SSID_FCN_1", 0x0e),
    U16("SSVID_FCN_1", 0x10),
    U8("AUTODOWNLOAD_CHECKSUM", 0x12),
    U8("RESERVED0B", 0x13),
    U8("VENDORIDDEVICEIDLOCK", 0x14),
    U8("RESERVED0D", 0x15),
    U16("VENDOR_ID_0", 0x16),
    U16("DEVICE_ID_0", 0x18),
    U16("VENDOR_ID_1", 0x1a),
    U16("DEVICE_ID_1", 0x1c),
    U8("CC_0_SPECIFIC_CLASS", 0x1e),
    U8("CC_0_SUB_CLASS", 0x1f),
    U8("CC_0_BASE_CLASS", 0x20),
    U8("CC_1_SPECIFIC_CLASS", 0x22),
    U8("CC_1_SUB_CLASS", 0x23),
    U8("CC_1_BASE_CLASS", 0x24),
    U8("RESERVED19", 0x21),
    U8("RESERVED1D", 0x25),
    U16("HARDWARECONFIG", 0x26),
    U32("OPTIONROMOFFSETFUNC0", 0x28),
    U32("OPTIONROMOFFSETFUNC1", 0x2c),
};
constexpr NvdataField kIocMfgPage3Fields[] = {
    U16("DEVICE_ID", 0x04),
    U8("PCI_REVISION_ID", 0x06),
    U8("MPI_CHIP_REVISION_ID_RESERVED", 0x07),
    U16("GPIODEFINITION_0", 0x08),
    U16("GPIODEFINITION_1", 0x0a),
    U16("GPIODEFINITION_2", 0x0c),
    U16("GPIODEFINITION_3", 0x0e),
    U16("GPIODEFINITION_4", 0x10),
    U16("GPIODEFINITION_5", 0x12),
    U16("GPIODEFINITION_6", 0x14),
    U16("GPIODEFINITION_7", 0x16),
    U8("FLASH_TIME", 0x18),
    U8("NVS_TIME", 0x19),
    U8("FLAG", 0x1a),
    U8("RUNTIMECONFIG", 0x1b),
    U8("SGPIOTYPE", 0x1c),
    U8("MP3_SEPTYPE", 0x1d),
    U8("RESERVED", 0x1e),
    U8("PCIELANECONFIG", 0x1e),
    U8("RESERVED0", 0x1f),
    U32("RESERVED1", 0x20),
    U32("PCIECONFIG2", 0x20),
    U32("RESERVED2", 0x24),
    U8("PHYIDLEFILTERVALUE_0", 0x28),
    U8("RESERVED3_0", 0x28),
    U8("PHYIDLEFILTERVALUE_1", 0x29),
    U8("RESERVED3_1", 0x29),
    U8("RESERVED4", 0x2a),
    U8("RESERVED5", 0x2b),
    U8("IOC_QUAD_CONFIG0_HOT_PLUG_TIM_OUT", 0x2c),
    U8("IOC_QUAD_CONFIG0_MAX_CMD_FRAMES", 0x2d),
    U16("IOC_QUAD_CONFIG0_RESERVED1", 0x2e),
    U32("IOC_QUAD_CONFIG0_RESERVED2_0", 0x30),
    U32("IOC_QUAD_CONFIG0_RESERVED2_1", 0x34),
    U32("IOC_QUAD_CONFIG0_RESERVED2_2", 0x38),
    U32("IOC_QUAD_CONFIG0_RESERVED2_3", 0x3c),
    U32("QUAD0_PHY0_GIG_CONFIG0", 0x40),
    U32("QUAD0_PHY0_GIG_CONFIG1", 0x44),
    U32("QUAD0_PHY0_GIG_CONFIG2", 0x48),
    U32("QUAD0_PHY0_GIG_CONFIG3", 0x4c),
    U8("QUAD0_PHY0_GIG_CONFIG3_RESERVED", 0x50),
    U32("QUAD0_PHY1_GIG_CONFIG0", 0x54),
    U32("QUAD0_PHY1_GIG_CONFIG1", 0x58),
    U32("QUAD0_PHY1_GIG_CONFIG2", 0x5c),
    U32("QUAD0_PHY1_GIG_CONFIG3", 0x60),
    U8("QUAD0_PHY1_GIG_CONFIG3_RESERVED", 0x64),
    U32("QUAD0_PHY2_GIG_CONFIG0", 0x68),
    U32("QUAD0_PHY2_GIG_CONFIG1", 0x6c),
    U32("QUAD0_PHY2_GIG_CONFIG2", 0x70),
    U32("QUAD0_PHY2_GIG_CONFIG3", 0x74),
    U8("QUAD0_PHY2_GIG_CONFIG3_RESERVED", 0x78),
    U32("QUAD0_PHY3_GIG_CONFIG0", 0x7c),
    U32("QUAD0_PHY3_GIG_CONFIG1", 0x80),
    U32("QUAD0_PHY3_GIG_CONFIG2", 0x84),
    U32("QUAD0_PHY3_GIG_CONFIG3", 0x88),
    U8("QUAD0_PHY3_GIG_CONFIG3_RESERVED", 0x8c),
    U8("IOC_QUAD_CONFIG1_HOT_PLUG_TIM_OUT", 0x90),
    U8("IOC_QUAD_CONFIG1_MAX_CMD_FRAMES", 0x91),
    U16("IOC_QUAD_CONFIG1_RESERVED1", 0x92),
    U32("IOC_QUAD_CONFIG1_RESERVED2_0", 0x94),
    U32("IOC_QUAD_CONFIG1_RESERVED2_1", 0x98),
    U32("IOC_QUAD_CONFIG1_RESERVED2_2", 0x9c),
    U32("IOC_QUAD_CONFIG1_RESERVED2_3", 0xa0),
    U32("QUAD1_PHY0_GIG_CONFIG0", 0xa4),
    U32("QUAD1_PHY0_GIG_CONFIG1", 0xa8),
    U32("QUAD1_PHY0_GIG_CONFIG2", 0xac),
    U32("QUAD1_PHY0_GIG_CONFIG3", 0xb0),
    U8("QUAD1_PHY0_GIG_CONFIG3_RESERVED", 0xb4),
    U32("QUAD1_PHY1_GIG_CONFIG0", 0xb8),
    U32("QUAD1_PHY1_GIG_CONFIG1", 0xbc),
    U32("QUAD1_PHY1_GIG_CONFIG2", 0xc0),
    U32("QUAD1_PHY1_GIG_CONFIG3", 0xc4),
    U8("QUAD1_PHY1_GIG_CONFIG3_RESERVED", 0xc8),
    U32("QUAD1_PHY2_GIG_CONFIG0", 0xcc),
    U32("QUAD1_PHY2_GIG_CONFIG1", 0xd0),
    U32("QUAD1_PHY2_GIG_CONFIG2", 0xd4),
    U32("QUAD1_PHY2_GIG_CONFIG3", 0xd8),
    U8("QUAD1_PHY2_GIG_CONFIG3_RESERVED", 0xdc),
    U32("QUAD1_PHY3_GIG_CONFIG0", 0xe0),
    U32("QUAD1_PHY3_GIG_CONFIG1", 0xe4),
    U32("QUAD1_PHY3_GIG_CONFIG2", 0xe8),
    U32("QUAD1_PHY3_GIG_CONFIG3", 0xec),
    U8("QUAD1_PHY3_GIG_CONFIG3_RESERVED", 0xf0),
};
constexpr NvdataField kManufacturingPage4Fields[] = {
    U32("RESERVED1", 0x04),        U8("INFO_OFFSET_0", 0x08),
    U8("INFO_SIZE_0", 0x09),       U8("INFO_OFFSET_1", 0x0a),
    U8("INFO_SIZE_1", 0x0b),       U8("INQUIRY_SIZE", 0x0c),
    U8("MP4_FLAGS", 0x0d),         U16("EXTENDED_FLAGS", 0x0e),
    U8("DEVICE_TYPE", 0x10),       U8("DEVICE_TYPE_MOD", 0x11),
    U8("VERSIONS", 0x12),          U8("DATA_FORMAT", 0x13),
    U8("ADDITIONAL_LENGTH", 0x14), U8("CAPABILITY_BITS", 0x17),
    Text("VENDOR_ID", 0x18, 8),    Text("PRODUCT_ID", 0x20, 16),
    Text("PRODUCT_REV", 0x30, 4),  Text("VENDOR_SPECIFIC", 0x34, 20),
    U32("ISVOLUMESETTINGS", 0x48), U32("IMEVOLUMESETTINGS", 0x4c),
    U32("IMVOLUMESETTINGS", 0x50), U32("RESERVED3", 0x54),
    U32("RESERVED4", 0x58),        U32("RESERVED5", 0x5c),
    U8("IME_DATASCRUBRATE", 0x60), U8("IME_RESYNCRATE", 0x61),
    U16("RESERVED6", 0x62),        U8("IM_DATASCRUBRATE", 0x64),
    U8("IM_RESYNCRATE", 0x65),     U16("RESERVED7", 0x66),
    U32("RESERVED8", 0x68),        U32("RESERVED9", 0x6c),
};
constexpr NvdataField kManufacturingPage5Fields[] = {
    U32("Base_WWID_Low", 0x04),       U32("Base_WWID_Hi", 0x08),     U8("MANUFACT_5_FLAGS", 0x0c),
    U8("MAN_5_NUM_FORCE_WWID", 0x0d), U16("RESERVED2", 0x0e),        U32("RESERVED3", 0x10),
    U32("RESERVED4", 0x14),           U32("FORCE_WWID_0_LOW", 0x18), U32("FORCE_WWID_0_HI", 0x1c),
    U32("FORCE_WWID_1_LOW", 0x20),    U32("FORCE_WWID_1_HI", 0x24),  U32("FORCE_WWID_2_LOW", 0x28),
    U32("FORCE_WWID_2_HI", 0x2c),     U32("FORCE_WWID_3_LOW", 0x30), U32("FORCE_WWID_3_HI", 0x34),
    U32("FORCE_WWID_4_LOW", 0x38),    U32("FORCE_WWID_4_HI", 0x3c),  U32("FORCE_WWID_5_LOW", 0x40),
    U32("FORCE_WWID_5_HI", 0x44),     U32("FORCE_WWID_6_LOW", 0x48), U32("FORCE_WWID_6_HI", 0x4c),
    U32("FORCE_WWID_7_LOW", 0x50),    U32("FORCE_WWID_7_HI", 0x54),
};
constexpr NvdataField kManufacturingPage6Fields[] = {
    U16("MAN_6_CHIP_DEV_ID", 0x04),       U8("MAN_6_CHIP_REV_ID", 0x06),
    U8("MAN_6_RESERVED", 0x07),           U32("MAN_6_FLAGS", 0x08),
    U32("MAN_6_LATCH_ADDR", 0x0c),        U8("MAN_6_LATCH_FUNC_0", 0x10),
    U8("MAN_6_LATCH_FUNC_1", 0x11),       U8("MAN_6_LATCH_FUNC_2", 0x12),
    U8("MAN_6_LATCH_FUNC_3", 0x13),       U8("MAN_6_LATCH_FUNC_4", 0x14),
    U8("MAN_6_LATCH_FUNC_5", 0x15),       U8("MAN_6_LATCH_FUNC_6", 0x16),
    U8("MAN_6_LATCH_FUNC_7", 0x17),       U8("MAN_6_LATCH_FUNC_8", 0x18),
    U8("MAN_6_LATCH_FUNC_9", 0x19),       U8("MAN_6_LATCH_FUNC_10", 0x1a),
    U8("MAN_6_LATCH_FUNC_11", 0x1b),      U8("MAN_6_LATCH_FUNC_12", 0x1c),
    U8("MAN_6_LATCH_FUNC_13", 0x1d),      U8("MAN_6_LATCH_FUNC_14", 0x1e),
    U8("MAN_6_LATCH_FUNC_15", 0x1f),      U32("MAN_6_GPIO_OPEN_DRAIN", 0x38),
    U16("MAN_6_GPIODEFINITION_0", 0x3c),  U16("MAN_6_GPIODEFINITION_1", 0x3e),
    U16("MAN_6_GPIODEFINITION_2", 0x40),  U16("MAN_6_GPIODEFINITION_3", 0x42),
    U16("MAN_6_GPIODEFINITION_4", 0x44),  U16("MAN_6_GPIODEFINITION_5", 0x46),
    U16("MAN_6_GPIODEFINITION_6", 0x48),  U16("MAN_6_GPIODEFINITION_7", 0x4a),
    U16("MAN_6_GPIODEFINITION_8", 0x4c),  U16("MAN_6_GPIODEFINITION_9", 0x4e),
    U16("MAN_6_GPIODEFINITION_10", 0x50), U16("MAN_6_GPIODEFINITION_11", 0x52),
    U16("MAN_6_GPIODEFINITION_12", 0x54), U16("MAN_6_GPIODEFINITION_13", 0x56),
    U16("MAN_6_GPIODEFINITION_14", 0x58), U16("MAN_6_GPIODEFINITION_15", 0x5a),
    U16("MAN_6_GPIODEFINITION_16", 0x5c), U16("MAN_6_GPIODEFINITION_17", 0x5e),
    U16("MAN_6_GPIODEFINITION_18", 0x60), U16("MAN_6_GPIODEFINITION_19", 0x62),
    U16("MAN_6_GPIODEFINITION_20", 0x64), U16("MAN_6_GPIODEFINITION_21", 0x66),
    U16("MAN_6_GPIODEFINITION_22", 0x68), U16("MAN_6_GPIODEFINITION_23", 0x6a),
    U16("MAN_6_GPIODEFINITION_24", 0x6c), U16("MAN_6_GPIODEFINITION_25", 0x6e),
    U16("MAN_6_GPIODEFINITION_26", 0x70), U16("MAN_6_GPIODEFINITION_27", 0x72),
    U16("MAN_6_GPIODEFINITION_28", 0x74), U16("MAN_6_GPIODEFINITION_29", 0x76),
    U16("MAN_6_GPIODEFINITION_30", 0x78), U16("MAN_6_GPIODEFINITION_31", 0x7a),
};
constexpr NvdataField kManufacturingPage7Fields[] = {
    U8("RESERVED1", 0x04),
    U8("RESERVED2", 0x08),
    U8("RESERVED3", 0x21),
    U8("RESERVED4", 0x22),
    U32("MP7_FLAGS", 0x0c),
    Text("ENCLOSURE_NAME", 0x10, 16),
    U8("NUM_PHYS", 0x20),
    U32("CONN_INFO_0_PINOUT", 0x24),
    Text("CONN_INFO_0_CONNECTOR", 0x28, 16),
    U8("CONN_INFO_0_LOCATION", 0x38),
    U8("CONN_INFO_0_RESERVED1", 0x39),
    U8("CONN_INFO_0_RESERVED2", 0x3c),
    U16("CONN_INFO_0_SLOT", 0x3a),
    U32("CONN_INFO_1_PINOUT", 0x40),
    Text("CONN_INFO_1_CONNECTOR", 0x44, 16),
    U8("CONN_INFO_1_LOCATION", 0x54),
    U8("CONN_INFO_1_RESERVED1", 0x55),
    U8("CONN_INFO_1_RESERVED2", 0x58),
    U16("CONN_INFO_1_SLOT", 0x56),
    U32("CONN_INFO_2_PINOUT", 0x5c),
    Text("CONN_INFO_2_CONNECTOR", 0x60, 16),
    U8("CONN_INFO_2_LOCATION", 0x70),
    U8("CONN_INFO_2_RESERVED1", 0x71),
    U8("CONN_INFO_2_RESERVED2", 0x74),
    U16("CONN_INFO_2_SLOT", 0x72),
    U32("CONN_INFO_3_PINOUT", 0x78),
    Text("CONN_INFO_3_CONNECTOR", 0x7c, 16),
    U8("CONN_INFO_3_LOCATION", 0x8c),
    U8("CONN_INFO_3_RESERVED1", 0x8d),
    U8("CONN_INFO_3_RESERVED2", 0x90),
    U16("CONN_INFO_3_SLOT", 0x8e),
    U32("CONN_INFO_4_PINOUT", 0x94),
    Text("CONN_INFO_4_CONNECTOR", 0x98, 16),
    U8("CONN_INFO_4_LOCATION", 0xa8),
    U8("CONN_INFO_4_RESERVED1", 0xa9),
    U8("CONN_INFO_4_RESERVED2", 0xac),
    U16("CONN_INFO_4_SLOT", 0xaa),
    U32("CONN_INFO_5_PINOUT", 0xb0),
    Text("CONN_INFO_5_CONNECTOR", 0xb4, 16),
    U8("CONN_INFO_5_LOCATION", 0xc4),
    U8("CONN_INFO_5_RESERVED1", 0xc5),
    U8("CONN_INFO_5_RESERVED2", 0xc8),
    U16("CONN_INFO_5_SLOT", 0xc6),
    U32("CONN_INFO_6_PINOUT", 0xcc),
    Text("CONN_INFO_6_CONNECTOR", 0xd0, 16),
    U8("CONN_INFO_6_LOCATION", 0xe0),
    U8("CONN_INFO_6_RESERVED1", 0xe1),
    U8("CONN_INFO_6_RESERVED2", 0xe4),
    U16("CONN_INFO_6_SLOT", 0xe2),
    U32("CONN_INFO_7_PINOUT", 0xe8),
    Text("CONN_INFO_7_CONNECTOR", 0xec, 16),
    U8("CONN_INFO_7_LOCATION", 0xfc),
    U8("CONN_INFO_7_RESERVED1", 0xfd),
    U8("CONN_INFO_7_RESERVED2", 0x100),
    U16("CONN_INFO_7_SLOT", 0xfe),
};
constexpr NvdataField kManufacturingPage8Fields[] = {
    U32("MAN_8_FLAGS", 0x04),          U16("MAN_8_CONTR_I2C_ADDR", 0x08),
    U16("MAN_8_RESERVED", 0x0a),       U8("MAN_8_NUM_DA_SEP_DEVS", 0x10),
    U8("MAN_8_SEP_TYPE_0", 0x14),      U8("MAN_8_SEP_FLAGS_0", 0x15),
    U16("MAN_8_SEP_I2C_ADDR_0", 0x16), U8("MAN_8_MUX_TYPE_0", 0x18),
    U8("MAN_8_MUX_PORT_0", 0x19),      U16("MAN_8_MUX_I2C_ADDR_0", 0x1a),
    U8("MAN_8_SEP_TYPE_1", 0x1c),      U8("MAN_8_SEP_FLAGS_1", 0x1d),
    U16("MAN_8_SEP_I2C_ADDR_1", 0x1e), U8("MAN_8_MUX_TYPE_1", 0x20),
    U8("MAN_8_MUX_PORT_1", 0x21),      U16("MAN_8_MUX_I2C_ADDR_1", 0x22),
};
constexpr NvdataField kIoUnitPage0Fields[] = {
    U32("UNIQUE_VALUE_HI", 0x08),
    U32("UNIQUE_VALUE_LOW", 0x04),
};
constexpr NvdataField kIoUnitPage1Fields[] = {
    U32("IO_UNIT_PAGE_1_FLAGS", 0x04),
};
constexpr NvdataField kIoUnitPage2Fields[] = {
    U32("IO_UNIT_PAGE_2_FLAGS", 0x04), U32("BIOS_VERSION", 0x08),    U8("PCI_BUS_NUMBER_0", 0x0c),
    U8("PCI_DEVICE_FUNCTION_0", 0x0d), U16("ADAPTER_FLAGS_0", 0x0e), U8("PCI_BUS_NUMBER_1", 0x10),
    U8("PCI_DEVICE_FUNCTION_1", 0x11), U16("ADAPTER_FLAGS_1", 0x12), U8("PCI_BUS_NUMBER_2", 0x14),
    U8("PCI_DEVICE_FUNCTION_2", 0x15), U16("ADAPTER_FLAGS_2", 0x16), U8("PCI_BUS_NUMBER_3", 0x18),
    U8("PCI_DEVICE_FUNCTION_3", 0x19), U16("ADAPTER_FLAGS_3", 0x1a), U32("RESERVED1", 0x1c),
};
constexpr NvdataField kIoUnitPage3Fields[] = {
    U8("GPIOCOUNT", 0x04),   U8("RESERVED1", 0x05),   U8("RESERVED2", 0x06),
    U16("GPIOVAL_0", 0x08),  U16("GPIOVAL_1", 0x0a),  U16("GPIOVAL_2", 0x0c),
    U16("GPIOVAL_3", 0x0e),  U16("GPIOVAL_4", 0x10),  U16("GPIOVAL_5", 0x12),
    U16("GPIOVAL_6", 0x14),  U16("GPIOVAL_7", 0x16),  U16("GPIOVAL_8", 0x18),
    U16("GPIOVAL_9", 0x1a),  U16("GPIOVAL_10", 0x1c), U16("GPIOVAL_11", 0x1e),
    U16("GPIOVAL_12", 0x20), U16("GPIOVAL_13", 0x22), U16("GPIOVAL_14", 0x24),
    U16("GPIOVAL_15", 0x26), U16("GPIOVAL_16", 0x28), U16("GPIOVAL_17", 0x2a),
    U16("GPIOVAL_18", 0x2c), U16("GPIOVAL_19", 0x2e), U16("GPIOVAL_20", 0x30),
    U16("GPIOVAL_21", 0x32), U16("GPIOVAL_22", 0x34), U16("GPIOVAL_23", 0x36),
    U16("GPIOVAL_24", 0x38), U16("GPIOVAL_25", 0x3a), U16("GPIOVAL_26", 0x3c),
    U16("GPIOVAL_27", 0x3e), U16("GPIOVAL_28", 0x40), U16("GPIOVAL_29", 0x42),
    U16("GPIOVAL_30", 0x44), U16("GPIOVAL_31", 0x46),
};
constexpr NvdataField kIoUnitPage4Fields[] = {
    U8("IOUNIT_4_RESERVED1", 0x04),
    U32("FWIMAGE_FLAGS", 0x08),
    U32("FWIMAGE_64HIGH", 0x10),
    U32("FWIMAGE_64LOW", 0x0c),
};
constexpr NvdataField kIocPage0Fields[] = {
    U32("TOTAL_NV_STORE", 0x04), U32("FREE_NV_STORE", 0x08), U16("VENDOR_ID", 0x0c),
    U16("DEVICE_ID", 0x0e),      U8("REVISION_ID", 0x10),    U8("RESERVED_0", 0x11),
    U8("RESERVED_1", 0x12),      U8("RESERVED_2", 0x13),     U32("CLASS_CODE", 0x14),
    U16("SS_VNDR_ID", 0x18),     U16("SS_ID", 0x1a),
};
constexpr NvdataField kIocPage1Fields[] = {
    U32("IOC_PAGE_1_FLAGS", 0x04), U32("COALESCING_TIMEOUT", 0x08), U8("COALESCING_DEPTH", 0x0c),
    U8("PCI_SLOT_NUM", 0x0d),      U8("RESERVED_0", 0x0e),          U8("RESERVED_1", 0x0f),
};
constexpr NvdataField kIocPage2Fields[] = {
    U32("CAP_FLAGS", 0x04),    U8("NUM_ACTIVE_VOLS", 0x08),
    U8("MAX_VOLS", 0x09),      U8("NUM_ACTIVE_PHYS_DSKS", 0x0a),
    U8("MAX_PHYS_DSKS", 0x0b), U8("VOL_ID", 0x0c),
    U8("VOL_BUS", 0x0d),       U8("VOL_IOC", 0x0e),
    U8("VOL_PAGE_NUM", 0x0f),  U8("VOL_TYPE", 0x10),
    U8("FLAGS", 0x11),         U16("RESERVED", 0x12),
};
constexpr NvdataField kIocPage3Fields[] = {
    U8("NUM_PHYS_DSKS", 0x04), U8("RESERVED1", 0x05),    U16("RESERVED2", 0x06),
    U8("PHYS_DSK_ID", 0x08),   U8("PHYS_DSK_BUS", 0x09), U8("PHYS_DSK_IOC", 0x0a),
    U8("PHYS_DSK_NUM", 0x0b),
};
constexpr NvdataField kIocPage4Fields[] = {
    U8("ACTIVE_SEP", 0x04),    U8("MAX_SEP", 0x05), U16("RESERVED1", 0x06),
    U8("SEP_TARGET_ID", 0x08), U8("SEP_BUS", 0x09), U16("IOC_4_SEP_RESERVED", 0x0a),
};
constexpr NvdataField kIocPage5Fields[] = {
    U32("RESERVED1", 0x04),     U8("NUM_HOT_SPARES", 0x08), U8("RESERVED2", 0x09),
    U16("RESERVED3", 0x0a),     U8("PHYS_DSK_NUM", 0x0c),   U8("IOC_5_HOT_SPARE_RESERVED", 0x0d),
    U8("HOT_SPARE_POOL", 0x0e), U8("FLAGS", 0x0f),
};
constexpr NvdataField kIocPage6Fields[] = {
    U32("ALL", 0x04),
};
constexpr NvdataField kSasIoUnit0Fields[] = {
    U16("NVDATA_VER_DEFAULT", 0x08),
    U16("NVDATA_VER_PERSISTENT", 0x0a),
    U8("NUM_PHYS", 0x0c),
    U8("RESERVED2", 0x0d),
    U16("RESERVED3", 0x0e),
    U8("PORT", 0x10),
    U8("PORT_FLGS", 0x11),
    U8("PHY_FLGS", 0x12),
    U8("NEGOT_LINK_RATE", 0x13),
    U32("CNTLR_PHY_DEV_INFO", 0x14),
    U16("ATTCH_DEV_HNDL", 0x18),
    U32("SAS0_DISCOVERYSTATUS", 0x1c),
    U16("CNTLR_DEV_HNDL", 0x1a),
};
constexpr NvdataField kSasIoUnit1Fields[] = {
    U16("CONTROLFLAGS", 0x08),
    U16("MAXSATATARGETS", 0x0a),
    U16("ADDCONTROLFLAGS", 0x0c),
    U16("RESERVED1", 0x0e),
    U8("NUM_PHYS", 0x10),
    U8("SATAMAXQDEPTH", 0x11),
    U8("REPDEVMISSINGDELAY", 0x12),
    U8("IODEVMISSINGDELAY", 0x13),
    U8("SAS_IO_UNIT1_PHY_0_PORT", 0x14),
    U8("SAS_IO_UNIT1_PHY_0_PORT_FLGS", 0x15),
    U8("SAS_IO_UNIT1_PHY_0_PHY_FLGS", 0x16),
    U8("SAS_IO_UNIT1_PHY_0_MIN_MAX_LINK_RATE", 0x17),
    U32("SAS_IO_UNIT1_PHY_0_CNTLR_PHY_DEV_INFO", 0x18),
    U16("SAS_IO_UNIT1_PHY_0_MAX_TARG_PORT_CONN_TIME", 0x1c),
    U8("SAS_IO_UNIT1_PHY_0_RESERVED1", 0x1e),
    U8("SAS_IO_UNIT1_PHY_1_PORT", 0x20),
    U8("SAS_IO_UNIT1_PHY_1_PORT_FLGS", 0x21),
    U8("SAS_IO_UNIT1_PHY_1_PHY_FLGS", 0x22),
    U8("SAS_IO_UNIT1_PHY_1_MIN_MAX_LINK_RATE", 0x23),
    U32("SAS_IO_UNIT1_PHY_1_CNTLR_PHY_DEV_INFO", 0x24),
    U16("SAS_IO_UNIT1_PHY_1_MAX_TARG_PORT_CONN_TIME", 0x28),
    U8("SAS_IO_UNIT1_PHY_1_RESERVED1", 0x2a),
    U8("SAS_IO_UNIT1_PHY_2_PORT", 0x2c),
    U8("SAS_IO_UNIT1_PHY_2_PORT_FLGS", 0x2d),
    U8("SAS_IO_UNIT1_PHY_2_PHY_FLGS", 0x2e),
    U8("SAS_IO_UNIT1_PHY_2_MIN_MAX_LINK_RATE", 0x2f),
    U32("SAS_IO_UNIT1_PHY_2_CNTLR_PHY_DEV_INFO", 0x30),
    U16("SAS_IO_UNIT1_PHY_2_MAX_TARG_PORT_CONN_TIME", 0x34),
    U8("SAS_IO_UNIT1_PHY_2_RESERVED1", 0x36),
    U8("SAS_IO_UNIT1_PHY_3_PORT", 0x38),
    U8("SAS_IO_UNIT1_PHY_3_PORT_FLGS", 0x39),
    U8("SAS_IO_UNIT1_PHY_3_PHY_FLGS", 0x3a),
    U8("SAS_IO_UNIT1_PHY_3_MIN_MAX_LINK_RATE", 0x3b),
    U32("SAS_IO_UNIT1_PHY_3_CNTLR_PHY_DEV_INFO", 0x3c),
    U16("SAS_IO_UNIT1_PHY_3_MAX_TARG_PORT_CONN_TIME", 0x40),
    U8("SAS_IO_UNIT1_PHY_3_RESERVED1", 0x42),
    U8("SAS_IO_UNIT1_PHY_4_PORT", 0x44),
    U8("SAS_IO_UNIT1_PHY_4_PORT_FLGS", 0x45),
    U8("SAS_IO_UNIT1_PHY_4_PHY_FLGS", 0x46),
    U8("SAS_IO_UNIT1_PHY_4_MIN_MAX_LINK_RATE", 0x47),
    U32("SAS_IO_UNIT1_PHY_4_CNTLR_PHY_DEV_INFO", 0x48),
    U16("SAS_IO_UNIT1_PHY_4_MAX_TARG_PORT_CONN_TIME", 0x4c),
    U8("SAS_IO_UNIT1_PHY_4_RESERVED1", 0x4e),
    U8("SAS_IO_UNIT1_PHY_5_PORT", 0x50),
    U8("SAS_IO_UNIT1_PHY_5_PORT_FLGS", 0x51),
    U8("SAS_IO_UNIT1_PHY_5_PHY_FLGS", 0x52),
    U8("SAS_IO_UNIT1_PHY_5_MIN_MAX_LINK_RATE", 0x53),
    U32("SAS_IO_UNIT1_PHY_5_CNTLR_PHY_DEV_INFO", 0x54),
    U16("SAS_IO_UNIT1_PHY_5_MAX_TARG_PORT_CONN_TIME", 0x58),
    U8("SAS_IO_UNIT1_PHY_5_RESERVED1", 0x5a),
    U8("SAS_IO_UNIT1_PHY_6_PORT", 0x5c),
    U8("SAS_IO_UNIT1_PHY_6_PORT_FLGS", 0x5d),
    U8("SAS_IO_UNIT1_PHY_6_PHY_FLGS", 0x5e),
    U8("SAS_IO_UNIT1_PHY_6_MIN_MAX_LINK_RATE", 0x5f),
    U32("SAS_IO_UNIT1_PHY_6_CNTLR_PHY_DEV_INFO", 0x60),
    U16("SAS_IO_UNIT1_PHY_6_MAX_TARG_PORT_CONN_TIME", 0x64),
    U8("SAS_IO_UNIT1_PHY_6_RESERVED1", 0x66),
    U8("SAS_IO_UNIT1_PHY_7_PORT", 0x68),
    U8("SAS_IO_UNIT1_PHY_7_PORT_FLGS", 0x69),
    U8("SAS_IO_UNIT1_PHY_7_PHY_FLGS", 0x6a),
    U8("SAS_IO_UNIT1_PHY_7_MIN_MAX_LINK_RATE", 0x6b),
    U32("SAS_IO_UNIT1_PHY_7_CNTLR_PHY_DEV_INFO", 0x6c),
    U16("SAS_IO_UNIT1_PHY_7_MAX_TARG_PORT_CONN_TIME", 0x70),
    U8("SAS_IO_UNIT1_PHY_7_RESERVED1", 0x72),
};
constexpr NvdataField kSasIoUnit2Fields[] = {
    U8("SAS2_NUMDEVICESPERENCLOSURE", 0x08),
    U8("RESERVED1", 0x09),
    U16("RESERVED2", 0x0a),
    U16("MAX_PERSIST_IDS", 0x0c),
    U16("MAX_PERSIST_IDS_USED", 0x0e),
    U8("STATUS", 0x10),
    U8("FLAGS", 0x11),
    U16("SAS2_MAXNUMPHYMAPPEDID", 0x12),
};
constexpr NvdataField kSasIoUnit3Fields[] = {
    U32("RESERVED1", 0x08),
    U32("MAX_INVALID_DWRD_CNT", 0x0c),
    U32("INVALID_DWRD_CNT_TIME", 0x10),
    U32("MAX_RUNNING_DISPARE_ERR_CNT", 0x14),
    U32("RUNNING_DISPARE_ERR_TIME", 0x18),
    U32("MAX_LOSS_DWRD_SYNC_CNT", 0x1c),
    U32("LOSS_DWRD_SYNC_CNT_TIME", 0x20),
    U32("MAX_PHY_RESET_PROB_CNT", 0x24),
    U32("PHY_RESET_PROB_TIME", 0x28),
};
constexpr NvdataField kSasExpander0Fields[] = {
    U8("SAS_EXP0_PHYSICALPORT", 0x08),
    U8("RESERVED1", 0x09),
    U16("SAS_EXP0_ENCLOSUREHANDLE", 0x0a),
    U32("SASADRSHIGH", 0x10),
    U32("SASADRSLOW", 0x0c),
    U32("SAS_EXP0_DISCOVERYSTATUS", 0x14),
    U16("DEVHNDL", 0x18),
    U16("PARENTDEVHNDL", 0x1a),
    U16("EXPNDRCHGCNT", 0x1c),
    U16("EXPNDRROUTEINDX", 0x1e),
    U16("NUMPHYS", 0x20),
    U8("SASLEVEL", 0x21),
    U8("FLAGS", 0x22),
    U8("RESERVED3", 0x23),
};
constexpr NvdataField kSasExpander1Fields[] = {
    U8("SAS_EXP1_PHYSICALPORT", 0x08),
    U8("RESERVED1", 0x09),
    U16("RESERVED2", 0x0a),
    U8("NUMPHYS", 0x0c),
    U8("PHY", 0x0d),
    U16("SAS_EXP1_NUMTBLENTRIESPROG", 0x0e),
    U8("PROGLINKRATE", 0x10),
    U8("HWLINKRATE", 0x11),
    U16("ATTCHDDEVHANDLE", 0x12),
    U32("PHYINFO", 0x14),
    U32("ATTCHDDEVINFO", 0x18),
    U16("OWNERDEVHNDL", 0x1c),
    U8("CHGCNT", 0x1e),
    U8("NEGLNKRATE", 0x1f),
    U8("PHYIDENTIFIER", 0x20),
    U8("ATTCHDPHYIDENT", 0x21),
    U8("RESERVED3", 0x22),
    U8("DISCOVERYINFO", 0x23),
    U8("RESERVED4", 0x09),
};
constexpr NvdataField kSasDevice0Fields[] = {
    U16("SLOT", 0x08),
    U16("ENCLOSURE_HANDLE", 0x0a),
    U32("SASADRSHIGH", 0x10),
    U32("SASADRSLOW", 0x0c),
    U16("SAS_DEV0_PARENTDEVHANDLE", 0x14),
    U8("SAS_DEV0_PHYNUM", 0x16),
    U8("SAS_DEV0_ACCESSSTATUS", 0x17),
    U16("DEVHNDL", 0x18),
    U8("TARGETID", 0x1a),
    U8("BUS", 0x1b),
    U32("DEVICEINFO", 0x1c),
    U16("FLAGS", 0x20),
    U8("RESERVED2", 0x23),
};
constexpr NvdataField kSasDevice1Fields[] = {
    U32("RESERVED1", 0x08), U32("SASADRSHIGH", 0x10),     U32("SASADRSLOW", 0x0c),
    U32("RESERVED2", 0x14), U16("DEVHNDL", 0x18),         U8("TARGETID", 0x1a),
    U8("BUS", 0x1b),        U8("INITREGDEVICEFIS", 0x1c),
};
constexpr NvdataField kSasDevice2Fields[] = {
    U32("SAS_DEV2_PHYSICALIDHIGH", 0x0c),
    U32("SAS_DEV2_PHYSICALIDLOW", 0x08),
    U32("SAS_DEV2_ENCLOSURE_MAPPING", 0x10),
};
constexpr NvdataField kSasPhy0Fields[] = {
    U16("RESERVED1", 0x0a),     U16("SAS_PHY0_OWNER_DEV_HANDLE", 0x08),
    U32("SASADRSHIGH", 0x10),   U32("SASADRSLOW", 0x0c),
    U16("ATTCHDDEVHNDL", 0x14), U8("ATTCHDPHYIDENTIFIER", 0x16),
    U8("RESERVED2", 0x17),      U32("ATTCHDDEVINFO", 0x18),
    U8("PRGMDLINKRATE", 0x1c),  U8("HWLINKRATE", 0x1d),
    U8("CHNGCOUNT", 0x1e),      U8("SAS_PHY0_FLAGS", 0x1f),
    U32("PHYINFO", 0x20),
};
constexpr NvdataField kSasPhy1Fields[] = {
    U32("RESERVED1", 0x08),       U32("INVALIDDWRDCNT", 0x0c),  U32("RUNNGDISPARITYERRCNT", 0x10),
    U32("LOSSDWRDSYNCCNT", 0x14), U32("PHYRESETPROBCNT", 0x18),
};
constexpr NvdataField kSasEnclosure0Fields[] = {
    U32("RESERVED1", 0x08),
    U32("ENCLOSURELOGICALID_LOW", 0x0c),
    U32("ENCLOSURELOGICALID_HIGH", 0x10),
    U16("FLAGS", 0x14),
    U16("ENCLOSUREHANDLE", 0x16),
    U16("NUMSLOTS", 0x18),
    U16("STARTSLOT", 0x1a),
    U8("STARTTARGETID", 0x1c),
    U8("STARTBUS", 0x1d),
    U8("SEPTARGETID", 0x1e),
    U8("SEPBUS", 0x1f),
    U32("RESERVED2", 0x20),
    U32("RESERVED3", 0x24),
};
constexpr NvdataField kPersistentIdFields[] = {
    U32("PERSISTID_SASADDRESS_HIGH_0", 0x0c),
    U32("PERSISTID_SASADDRESS_LOW_0", 0x08),
    U8("PERSISTID_RESERVED_0", 0x10),
};
constexpr NvdataField kRaidVolPage0Fields[] = {
    U8("ALL", 0x25),
};
constexpr NvdataField kRaidVolPage1Fields[] = {
    U8("RAIDVOL1_VOLUMEID", 0x04),   U8("RAIDVOL1_VOLUMEBUS", 0x05), U8("RAIDVOL1_VOLUMEIOC", 0x06),
    U32("RAIDVOL1_WWID_HIGH", 0x44), U32("RAIDVOL1_WWID_LOW", 0x40),
};
constexpr NvdataField kRaidPhysDiskPage0Fields[] = {
    U8("ALL", 0x18),
};
constexpr NvdataField kRaidPhysDiskPage1Fields[] = {
    U8("RAIDPHYDISK1_NUMPHYSDISKPATH", 0x04),
    U8("RAIDPHYDISK1_PHYSDISKNUM", 0x05),
};
constexpr NvdataField kBios1Fields[] = {
    U32("BIOSOPTIONS", 0x04),   U32("IOCSETTINGS", 0x08),          U32("RESERVED1", 0x0c),
    U32("DEVSETTINGS", 0x10),   U16("BIOS_NUMDEVS", 0x14),         U8("BIOS1_EXPANDERSPINUP", 0x16),
    U8("RESERVED2", 0x17),      U16("IOTIMOUTBLKDEVSNONRM", 0x18), U16("IOTIMOUTSEQUENTIAL", 0x1a),
    U16("IOTIMOUTOTHER", 0x1c), U16("IOTIMOUTBLKDEVSRM", 0x1e),
};
constexpr NvdataField kBios2Fields[] = {
    U32("RESERVED1", 0x04),
    U32("RESERVED2", 0x08),
    U32("RESERVED3", 0x0c),
    U32("RESERVED4", 0x10),
    U32("RESERVED5", 0x14),
    U32("RESERVED6", 0x18),
    U8("BIOS2_BOOTDEVICEFORM", 0x1c),
    U8("BIOS2_PREVBOOTDEVFORM", 0x1d),
    U16("RESERVED8", 0x1e),
    U32("BIOS2_SASADDRESS_HIGH", 0x24),
    U32("BIOS2_SASADDRESS_LOW", 0x20),
    U8("BIOS2_SASADDRESS_LUN", 0x30),
};
constexpr NvdataField kBios4Fields[] = {
    U32("BIOS4_REASSIGNMENTBASEWWID_HIGH", 0x08),
    U32("BIOS4_REASSIGNMENTBASEWWID_LOW", 0x04),
};
constexpr NvdataField kLog0Fields[] = {
    U16("ALL", 0x10),
};

// Record order. The persistent-ID fields describe a 20-byte area with an 8-byte header that is
// kept like a page but never written to the image.
constexpr NvdataSection kSections[] = {
    {"SECTION_GENERAL_DATA", NvdataRecord::kNone, 0, 0, 0, 0, false, {}, kGeneralDataFields},
    {"SECTION_MANUFACTURING_PAGE_0", NvdataRecord::kPage, 9, 0, 76, 4, false, kPageHeaderFields,
     kManufacturingPage0Fields},
    {"SECTION_MANUFACTURING_PAGE_1", NvdataRecord::kPage, 9, 1, 260, 4, false, kPageHeaderFields,
     kManufacturingPage1Fields},
    {"SECTION_IOC_MFG_PAGE_2", NvdataRecord::kPage, 9, 2, 48, 4, false, kPageHeaderFields,
     kIocMfgPage2Fields},
    {"SECTION_IOC_MFG_PAGE_3", NvdataRecord::kPage, 9, 3, 244, 4, false, kPageHeaderFields,
     kIocMfgPage3Fields},
    {"SECTION_MANUFACTURING_PAGE_4", NvdataRecord::kPage, 9, 4, 112, 4, false, kPageHeaderFields,
     kManufacturingPage4Fields},
    {"SECTION_MANUFACTURING_PAGE_5", NvdataRecord::kPage, 9, 5, 88, 4, false, kPageHeaderFields,
     kManufacturingPage5Fields},
    {"SECTION_MANUFACTURING_PAGE_6", NvdataRecord::kPage, 9, 6, 124, 4, true, kPageHeaderFields,
     kManufacturingPage6Fields},
    {"SECTION_MANUFACTURING_PAGE_7", NvdataRecord::kPage, 9, 7, 260, 4, false, kPageHeaderFields,
     kManufacturingPage7Fields},
    {"SECTION_MANUFACTURING_PAGE_8", NvdataRecord::kPage, 9, 8, 36, 4, true, kPageHeaderFields,
     kManufacturingPage8Fields},
    {"SECTION_IO_UNIT_PAGE_0", NvdataRecord::kPage, 0, 0, 12, 4, false, kPageHeaderFields,
     kIoUnitPage0Fields},
    {"SECTION_IO_UNIT_PAGE_1", NvdataRecord::kPage, 0, 1, 8, 4, false, kPageHeaderFields,
     kIoUnitPage1Fields},
    {"SECTION_IO_UNIT_PAGE_2", NvdataRecord::kPage, 0, 2, 32, 4, false, kPageHeaderFields,
     kIoUnitPage2Fields},
    {"SECTION_IO_UNIT_PAGE_3", NvdataRecord::kPage, 0, 3, 72, 4, false, kPageHeaderFields,
     kIoUnitPage3Fields},
    {"SECTION_IO_UNIT_PAGE_4", NvdataRecord::kPage, 0, 4, 20, 4, false, kPageHeaderFields,
     kIoUnitPage4Fields},
    {"SECTION_IOC_PAGE_0", NvdataRecord::kPage, 1, 0, 28, 4, false, kPageHeaderFields,
     kIocPage0Fields},
    {"SECTION_IOC_PAGE_1", NvdataRecord::kPage, 1, 1, 16, 4, false, kPageHeaderFields,
     kIocPage1Fields},
    {"SECTION_IOC_PAGE_2", NvdataRecord::kPage, 1, 2, 20, 4, false, kPageHeaderFields,
     kIocPage2Fields},
    {"SECTION_IOC_PAGE_3", NvdataRecord::kPage, 1, 3, 12, 4, false, kPageHeaderFields,
     kIocPage3Fields},
    {"SECTION_IOC_PAGE_4", NvdataRecord::kPage, 1, 4, 12, 4, false, kPageHeaderFields,
     kIocPage4Fields},
    {"SECTION_IOC_PAGE_5", NvdataRecord::kPage, 1, 5, 16, 4, false, kPageHeaderFields,
     kIocPage5Fields},
    {"SECTION_IOC_PAGE_6", NvdataRecord::kPage, 1, 6, 60, 4, false, kPageHeaderFields,
     kIocPage6Fields},
    {"SECTION_SAS_IO_UNIT_0", NvdataRecord::kPage, 16, 0, 144, 8, false, kExtendedHeaderFields,
     kSasIoUnit0Fields},
    {"SECTION_SAS_IO_UNIT_1", NvdataRecord::kPage, 16, 1, 116, 8, false, kExtendedHeaderFields,
     kSasIoUnit1Fields},
    {"SECTION_SAS_IO_UNIT_2", NvdataRecord::kPage, 16, 2, 20, 8, false, kExtendedHeaderFields,
     kSasIoUnit2Fields},
    {"SECTION_SAS_IO_UNIT_3", NvdataRecord::kPage, 16, 3, 44, 8, false, kExtendedHeaderFields,
     kSasIoUnit3Fields},
    {"SECTION_SAS_EXPANDER_0", NvdataRecord::kPage, 17, 0, 36, 8, false, kExtendedHeaderFields,
     kSasExpander0Fields},
    {"SECTION_SAS_EXPANDER_1", NvdataRecord::kPage, 17, 1, 40, 8, false, kExtendedHeaderFields,
     kSasExpander1Fields},
    {"SECTION_SAS_DEVICE_0", NvdataRecord::kPage, 18, 0, 36, 8, false, kExtendedHeaderFields,
     kSasDevice0Fields},
    {"SECTION_SAS_DEVICE_1", NvdataRecord::kPage, 18, 1, 48, 8, false, kExtendedHeaderFields,
     kSasDevice1Fields},
    {"SECTION_SAS_DEVICE_2", NvdataRecord::kPage, 18, 2, 20, 8, false, kExtendedHeaderFields,
     kSasDevice2Fields},
    {"SECTION_SAS_PHY_0", NvdataRecord::kPage, 19, 0, 36, 8, false, kExtendedHeaderFields,
     kSasPhy0Fields},
    {"SECTION_SAS_PHY_1", NvdataRecord::kPage, 19, 1, 28, 8, false, kExtendedHeaderFields,
     kSasPhy1Fields},
    {"SECTION_SAS_ENCLOSURE_0", NvdataRecord::kPage, 21, 0, 40, 8, false, kEnclosureHeaderFields,
     kSasEnclosure0Fields},
    {"SECTION_PERSISTENT_ID", NvdataRecord::kDescriptorOnly, 0xEE, 0, 20, 8, false,
     kExtendedHeaderFields, kPersistentIdFields},
    {"SECTION_RAID_VOL_PAGE_0", NvdataRecord::kPage, 8, 0, 44, 4, false, kPageHeaderFields,
     kRaidVolPage0Fields},
    {"SECTION_RAID_VOL_PAGE_1", NvdataRecord::kPage, 8, 1, 80, 4, false, kPageHeaderFields,
     kRaidVolPage1Fields},
    {"SECTION_RAID_PHYS_DISK_PAGE_0", NvdataRecord::kPage, 10, 0, 120, 4, false, kPageHeaderFields,
     kRaidPhysDiskPage0Fields},
    {"SECTION_RAID_PHYS_DISK_PAGE_1", NvdataRecord::kPage, 10, 1, 36, 4, false, kPageHeaderFields,
     kRaidPhysDiskPage1Fields},
    {"SECTION_BIOS_1", NvdataRecord::kPage, 2, 1, 32, 4, false, kPageHeaderFields, kBios1Fields},
    {"SECTION_BIOS_2", NvdataRecord::kPage, 2, 2, 100, 4, false, kPageHeaderFields, kBios2Fields},
    {"SECTION_BIOS_4", NvdataRecord::kPage, 2, 4, 12, 4, false, kPageHeaderFields, kBios4Fields},
    {"SECTION_LOG_0", NvdataRecord::kPage, 20, 0, 60, 8, false, kExtendedHeaderFields, kLog0Fields},
};
static_assert(std::size(kSections) == kNvdataSectionCount);

constexpr bool FitsIn(std::span<const NvdataField> fields, size_t pageLength) {
    for (const NvdataField& f : fields) {
        size_t area = pageLength;
        if (f.area == NvdataArea::kHeader) area = kNvdataHeaderSize;
        if (f.area == NvdataArea::kIdentity) area = kNvdataIdentitySize;
        if (f.area == NvdataArea::kForceUpdate) continue;
        // A terminated text also needs the byte after its extent.
        if (size_t{f.offset} + f.extent + (f.zeroAfterText ? 1 : 0) > area) return false;
    }
    return true;
}

// Every write of every field stays inside its buffer, whatever the text says.
constexpr bool CatalogueFits() {
    for (const NvdataSection& s : kSections) {
        if (s.pageLength > kNvdataMaxPageLength || s.pageLength < s.headerLength) return false;
        if (!FitsIn(s.headerFields, s.pageLength) || !FitsIn(s.fields, s.pageLength)) return false;
    }
    return true;
}
static_assert(CatalogueFits());

const NvdataField* FindIn(std::span<const NvdataField> fields, std::string_view name) {
    for (const NvdataField& f : fields)
        if (name == f.name) return &f;
    return nullptr;
}

}  // namespace

std::span<const NvdataSection> NvdataSections() {
    return kSections;
}

int FindNvdataSection(std::string_view name) {
    for (size_t i = 0; i < std::size(kSections); ++i)
        if (name == kSections[i].name) return static_cast<int>(i);
    return -1;
}

const NvdataField* FindNvdataField(const NvdataSection& section, std::string_view name) {
    const NvdataField* field = FindIn(section.headerFields, name);
    return field ? field : FindIn(section.fields, name);
}
