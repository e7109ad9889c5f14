// Accepted commands, filed by class, and the run state the dispatcher works from.
#pragma once

#include <cstddef>
#include <cstdint>

struct FilePosition {
    uint32_t slot;     // FileTable slot, 0 when none
    uint32_t size;     // bytes
    uint8_t* content;  // whole file, only for files opened for reading in positions 1 and 2
};

struct NumberArgument {
    uint32_t high;  // filled, never read by the commands
    uint32_t value;
};

inline constexpr size_t kCommandStringSize = 52;  // at most 51 significant characters

struct CommandRecord {
    uint32_t identifier;
    FilePosition file[3];
    NumberArgument number[3];
    char string[kCommandStringSize];
    CommandRecord* next;
};

enum AddCommandResult : int {
    kAddFiled = 0,
    kAddRefused = 1,  // no memory, or not allowed without an adapter
    kAddDuplicate = 2,
    kAddSecondAdapterChoice = 3,
};

void ResetRunState();

// Files a new record for identifier and makes it the current command, so the parser can fill
// its arguments.
int AddCommand(uint32_t identifier);
// Makes the next command in class order current; false when none is left.
bool NextCommand();
CommandRecord* CurrentCommand();

bool NoAdapterMode();
void SetNoAdapterMode();
bool AllAdaptersMode();
bool AdvancedTableCurrent();
void UseAdvancedTable();

// The class-3 slot: a firmware flash queued for the current adapter.
bool FlashCommandQueued();
void QueueFlashCommand(CommandRecord* record);
