// Disks of a spanned package as the stub finds them: the first disk is opened as it is; for every
// further disk the drive is told to eject and the user is asked until the file turns up or the
// user gives up.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "stub/package/extract_target.h"

// Shows the disk prompt; true for OK, false for Cancel. The stub asks with an OK/Cancel box.
using DiskQuestion = std::function<bool(const std::string& text)>;

class Win32DiskSource : public DiskSource {
  public:
    // `prompt` carries "<DISK_NUM>"; `forcePrompt` asks for every further disk even when its file
    // is already there (a drive that lists a file of the previous disc).
    Win32DiskSource(std::string prompt, DiskQuestion ask, bool forcePrompt)
        : prompt_(std::move(prompt)), ask_(std::move(ask)), forcePrompt_(forcePrompt) {}
    std::unique_ptr<FileReader> OpenDisk(const std::string& path, unsigned number) override;

  private:
    std::string prompt_;
    DiskQuestion ask_;
    bool forcePrompt_;
};

// The prompt for disk `number`: every "<DISK_NUM>", in any case, replaced by the number.
std::string DiskPromptText(const std::string& prompt, unsigned number);

// Registers "QueryCancelAutoPlay" (once per process) and answers its message id.
UINT RegisterQueryCancelAutoPlay();
// The id once a disk change registered it, else 0. Windows answering it with 1 keep a newly
// inserted disc from starting anything.
UINT QueryCancelAutoPlayMessage();

// HKCU\Software\Marrowind\Wyvern\SpanDisk "ForcePrompt" is the string "1".
bool ReadForcePrompt();
