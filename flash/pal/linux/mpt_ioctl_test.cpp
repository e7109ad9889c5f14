#include "flash/pal/linux/mpt_ioctl.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kMessage = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7};

struct CommandCase {
    const char* name;
    const MptCommandLayout* layout;
    uint64_t reply, dataIn, dataOut, sense;
    Bytes expected;
};

const CommandCase kCommandCases[] = {
    {"ThirtyTwoBitPointers",
     &kMptCommandLayout32,
     0x11223344,
     0x55667788,
     0x99AABBCC,
     0xDDEEFF00,
     {
         0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x38, 0x00, 0x00, 0x00,  // header
         0x0E, 0x01, 0x00, 0x00,                                                  // timeout
         0x44, 0x33, 0x22, 0x11,                                                  // reply
         0x88, 0x77, 0x66, 0x55,                                                  // data in
         0xCC, 0xBB, 0xAA, 0x99,                                                  // data out
         0x00, 0xFF, 0xEE, 0xDD,                                                  // sense
         0x18, 0x00, 0x00, 0x00,                                                  // maxReplyBytes
         0x04, 0x01, 0x00, 0x00,                                                  // dataInSize
         0x08, 0x02, 0x00, 0x00,                                                  // dataOutSize
         0x0C, 0x00, 0x00, 0x00,                                                  // maxSenseBytes
         0x02, 0x00, 0x00, 0x00,                                                  // dataSgeOffset
         0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7,                          // message
     }},
    {"SixtyFourBitPointers",
     &kMptCommandLayout64,
     0x0102030405060708,
     0x1112131415161718,
     0x2122232425262728,
     0x3132333435363738,
     {
         0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x48, 0x00, 0x00, 0x00,  // header
         0x0E, 0x01, 0x00, 0x00,                                                  // timeout
         0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01,                          // reply
         0x18, 0x17, 0x16, 0x15, 0x14, 0x13, 0x12, 0x11,                          // data in
         0x28, 0x27, 0x26, 0x25, 0x24, 0x23, 0x22, 0x21,                          // data out
         0x38, 0x37, 0x36, 0x35, 0x34, 0x33, 0x32, 0x31,                          // sense
         0x18, 0x00, 0x00, 0x00,                                                  // maxReplyBytes
         0x04, 0x01, 0x00, 0x00,                                                  // dataInSize
         0x08, 0x02, 0x00, 0x00,                                                  // dataOutSize
         0x0C, 0x00, 0x00, 0x00,                                                  // maxSenseBytes
         0x02, 0x00, 0x00, 0x00,                                                  // dataSgeOffset
         0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7,                          // message
     }},
};

MptCommand CommandOf(const CommandCase& c) {
    MptCommand command;
    command.header.iocNumber = 2;
    command.header.maxDataSize = 0xDEAD;  // the layout decides, not the caller
    command.timeoutSeconds = 270;
    command.replyFrameBufPtr = c.reply;
    command.dataInBufPtr = c.dataIn;
    command.dataOutBufPtr = c.dataOut;
    command.senseDataPtr = c.sense;
    command.maxReplyBytes = 0x18;
    command.dataInSize = 0x104;
    command.dataOutSize = 0x208;
    command.maxSenseBytes = 0x0C;
    command.message = kMessage;
    return command;
}

TEST(MptCommand, EncodesBothPointerLayouts) {
    for (const CommandCase& c : kCommandCases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.expected.size(), MptCommandSize(*c.layout, kMessage.size()));
        Bytes out(c.expected.size() + 4, 0xEE);
        ASSERT_TRUE(EncodeMptCommand(*c.layout, CommandOf(c), out));
        EXPECT_EQ(c.expected, Bytes(out.begin(), out.begin() + c.expected.size()));
        EXPECT_EQ(Bytes(4, 0xEE), Bytes(out.end() - 4, out.end()));

        // One byte short is refused, not truncated.
        Bytes shortOut(c.expected.size() - 1);
        EXPECT_FALSE(EncodeMptCommand(*c.layout, CommandOf(c), shortOut));
    }
}

TEST(MptCommand, DecodesWhatTheDriverReceives) {
    for (const CommandCase& c : kCommandCases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.layout, MptCommandLayoutFor(c.layout->requestNumber));
        MptCommand got;
        ASSERT_TRUE(DecodeMptCommand(*c.layout, c.expected, &got));
        EXPECT_EQ(2u, got.header.iocNumber);
        EXPECT_EQ(c.layout->fixedSize, got.header.maxDataSize);
        EXPECT_EQ(270u, got.timeoutSeconds);
        EXPECT_EQ(c.reply, got.replyFrameBufPtr);
        EXPECT_EQ(c.dataIn, got.dataInBufPtr);
        EXPECT_EQ(c.dataOut, got.dataOutBufPtr);
        EXPECT_EQ(c.sense, got.senseDataPtr);
        EXPECT_EQ(0x18u, got.maxReplyBytes);
        EXPECT_EQ(0x104u, got.dataInSize);
        EXPECT_EQ(0x208u, got.dataOutSize);
        EXPECT_EQ(0x0Cu, got.maxSenseBytes);
        EXPECT_EQ(kMessage, Bytes(got.message.begin(), got.message.end()));

        // A message that dataSgeOffset says runs past the structure is refused.
        Bytes truncated(c.expected.begin(), c.expected.end() - 1);
        EXPECT_FALSE(DecodeMptCommand(*c.layout, truncated, &got));
    }
    EXPECT_EQ(nullptr, MptCommandLayoutFor(0xC05C6D11));
}

TEST(MptCommand, NarrowLayoutRefusesAWideAddress) {
    MptCommand command = CommandOf(kCommandCases[0]);
    command.dataInBufPtr = 0x100000000;
    Bytes out(MptCommandSize(kMptCommandLayout32, kMessage.size()));
    EXPECT_FALSE(EncodeMptCommand(kMptCommandLayout32, command, out));
    Bytes wide(MptCommandSize(kMptCommandLayout64, kMessage.size()));
    EXPECT_TRUE(EncodeMptCommand(kMptCommandLayout64, command, wide));
}

TEST(MptCommand, NativeLayoutFollowsThePointerWidth) {
    EXPECT_EQ(sizeof(void*), kMptCommandNative.pointerSize);
}

// _IOWR('m', nr, size): direction 3 in bits 30-31, the structure size in bits 16-29, type 'm'.
TEST(MptIoctl, RequestNumbersCarryTheirStructureSizes) {
    struct {
        unsigned long request;
        size_t size;
        unsigned number;
    } const cases[] = {
        {MPTIOCINFO, kMptIocInfoSize, 0x11},
        {MPTCOMMAND32, kMptCommandLayout32.fixedSize, 0x14},
        {MPTCOMMAND64, kMptCommandLayout64.fixedSize, 0x14},
        {MPTHARDRESET, kMptHardResetSize, 0x18},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(3u, (c.request >> 30) & 0x3) << std::hex << c.request;
        EXPECT_EQ(c.size, (c.request >> 16) & 0x3FFF) << std::hex << c.request;
        EXPECT_EQ(unsigned{'m'}, (c.request >> 8) & 0xFF) << std::hex << c.request;
        EXPECT_EQ(c.number, c.request & 0xFF) << std::hex << c.request;
    }
}

// An adapter-information structure as the driver fills it, every field distinct.
const Bytes kIocInfoBytes = {
    0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x5C, 0x00, 0x00, 0x00,  // header
    0x0D, 0x0C, 0x0B, 0x0A,                                                  // adapterType
    0x01, 0x00, 0x00, 0x00,                                                  // port
    0x58, 0x00, 0x00, 0x00,                                                  // pciId
    0x08, 0x00, 0x00, 0x00,                                                  // hwRev
    0x20, 0x30, 0x00, 0x00,                                                  // subSystemDevice
    0x00, 0x10, 0x00, 0x00,                                                  // subSystemVendor
    0x07, 0x00, 0x00, 0x00,                                                  // numDevices
    0x00, 0x1E, 0x0C, 0x01,                                                  // FWVersion
    0x00, 0x04, 0x06, 0x00,                                                  // BIOSVersion
    '3',  '.',  '0',  '4',  '.',  '1',  '0',  0x00, 0x00, 0x00, 0x00, 0x00,  // driverVersion
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  //
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,                          //
    0x01,                                                                    // busChangeEvent
    0x07,                                                                    // hostId
    0x00, 0x00,                                                              // reserved
    0xA3, 0x04, 0x00, 0x00,                                                  // pciInfo
    0x44, 0x33, 0x22, 0x11,                                                  // further word
};

TEST(MptIocInfo, DecodesAndEncodesEveryField) {
    ASSERT_EQ(kMptIocInfoSize, kIocInfoBytes.size());
    MptIocInfo info;
    ASSERT_TRUE(DecodeMptIocInfo(kIocInfoBytes, &info));
    EXPECT_EQ(3u, info.header.iocNumber);
    EXPECT_EQ(92u, info.header.maxDataSize);
    EXPECT_EQ(0x0A0B0C0Du, info.adapterType);
    EXPECT_EQ(1u, info.port);
    EXPECT_EQ(0x58u, info.pciId);
    EXPECT_EQ(8u, info.hwRev);
    EXPECT_EQ(0x3020u, info.subSystemDevice);
    EXPECT_EQ(0x1000u, info.subSystemVendor);
    EXPECT_EQ(7u, info.numDevices);
    EXPECT_EQ(0x010C1E00u, info.fwVersion);
    EXPECT_EQ(0x00060400u, info.biosVersion);
    EXPECT_STREQ("3.04.10", info.driverVersion);
    EXPECT_EQ(1u, info.busChangeEvent);
    EXPECT_EQ(7u, info.hostId);
    EXPECT_EQ(0x04A3u, info.pciInfo);
    EXPECT_EQ(0x11223344u, info.adapterWord);

    Bytes encoded(kMptIocInfoSize, 0xEE);
    ASSERT_TRUE(EncodeMptIocInfo(info, encoded));
    EXPECT_EQ(kIocInfoBytes, encoded);

    EXPECT_FALSE(DecodeMptIocInfo(Bytes(kMptIocInfoSize - 1), &info));
}

TEST(MptIoctl, HeaderAndHardReset) {
    Bytes header(kMptIoctlHeaderSize);
    EncodeMptIoctlHeader({0x0102, 0, 92}, header);
    EXPECT_EQ((Bytes{0x02, 0x01, 0, 0, 0, 0, 0, 0, 0x5C, 0, 0, 0}), header);
    const MptIoctlHeader decoded = DecodeMptIoctlHeader(header);
    EXPECT_EQ(0x0102u, decoded.iocNumber);
    EXPECT_EQ(92u, decoded.maxDataSize);

    Bytes reset(kMptHardResetSize, 0xEE);
    ASSERT_TRUE(EncodeMptHardReset(5, reset));
    EXPECT_EQ((Bytes{0x05, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), reset);
}

}  // namespace
