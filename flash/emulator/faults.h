// Looking up the faults a lab injects into one controller.
#pragma once

#include "common/bytes.h"
#include "flash/emulator/lab.h"

namespace emu {

// The errno that ioctls of this kind fail with, or 0.
int InjectedIoctlError(const Faults& faults, IoctlKind kind);

// The first reply_status fault that matches the request (function, and for configuration
// requests the page it names), or null.
const ReplyStatusFault* InjectedReplyStatus(const Faults& faults, ByteReader request);

}  // namespace emu
