// The controller's side of the MPI requests that arrive through MPTCOMMAND: one table of the
// functions it answers, the common reply frame, and the IOC facts and SAS IO unit control
// answers. Configuration and firmware transfers have their own files.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "common/bytes.h"
#include "flash/emulator/lab.h"

namespace emu {

constexpr uint8_t kFunctionIocFacts = 0x03;
constexpr uint8_t kFunctionConfig = 0x04;
constexpr uint8_t kFunctionFwDownload = 0x09;
constexpr uint8_t kFunctionFwUpload = 0x12;
constexpr uint8_t kFunctionSasIoUnitControl = 0x1B;

constexpr uint16_t kIocStatusSuccess = 0x0000;
// The emulator's answers to requests it cannot carry out (LAB.md lists them).
constexpr uint16_t kIocStatusInvalidFunction = 0x0001;
constexpr uint16_t kIocStatusInvalidField = 0x0007;
constexpr uint16_t kIocStatusConfigInvalidAction = 0x0020;
constexpr uint16_t kIocStatusConfigInvalidType = 0x0021;
constexpr uint16_t kIocStatusConfigInvalidPage = 0x0022;

constexpr size_t kMaxReplyBytes = 128;
constexpr size_t kReplyIocStatus = 14;
constexpr size_t kReplyIocLogInfo = 16;

// One request on its way through the controller: the message, the caller's data buffers (each
// bounded by the size the caller gave) and the reply frame being built.
struct MpiExchange {
    ByteReader request;
    ByteReader dataOut;
    ByteWriter dataIn;
    std::array<uint8_t, kMaxReplyBytes> reply{};
    size_t replyLength = 0;

    ByteWriter Reply() { return ByteWriter(reply.data(), replyLength); }
    void SetStatus(uint16_t iocStatus) { Reply().U16(kReplyIocStatus, iocStatus); }
    uint16_t Status() const { return ByteReader(reply.data(), replyLength).U16(kReplyIocStatus); }
};

// 0 with the reply built, or the negated errno of a request the driver refuses (a message too
// short for its function, a lab that cannot be written). `detail` gets the request's fields for
// the trace.
int HandleMpiRequest(Controller& controller, MpiExchange& exchange, std::string* detail);

}  // namespace emu
