#include "flash/frontend/command_list.h"

#include "flash/adapters/adapter_list.h"
#include "flash/frontend/memory.h"
#include "flash/frontend/messages.h"
#include "flash/frontend/option_table.h"

namespace {

struct CommandList {
    CommandRecord* head;
    CommandRecord* tail;
};

struct RunState {
    bool noAdapter;
    bool allAdapters;
    bool advancedTable;
    CommandRecord* current;
    // Index = command class; classes 2 and 3 use only the head, as a single slot.
    CommandList lists[9];
};

RunState gRun;

bool Contains(const CommandList& list, uint32_t identifier) {
    for (CommandRecord* r = list.head; r; r = r->next) {
        if (r->identifier == identifier) return true;
    }
    return false;
}

void PushFront(CommandList& list, CommandRecord* record) {
    record->next = list.head;
    list.head = record;
    if (!list.tail) list.tail = record;
}

void PushBack(CommandList& list, CommandRecord* record) {
    record->next = nullptr;
    if (list.tail) {
        list.tail->next = record;
    } else {
        list.head = record;
    }
    list.tail = record;
}

CommandRecord* PopFront(CommandList& list) {
    CommandRecord* record = list.head;
    if (!record) return nullptr;
    list.head = record->next;
    if (!list.head) list.tail = nullptr;
    record->next = nullptr;
    return record;
}

// -o goes first so the advanced table is current before any other command of its list runs.
void FileOrderedByMode(CommandList& list, CommandRecord* record) {
    if (record->identifier == cmd::kAdvancedMode) {
        PushFront(list, record);
    } else {
        PushBack(list, record);
    }
}

bool AllowedWithoutAdapter(uint32_t identifier) {
    return identifier == cmd::kAdvancedMode || identifier == cmd::kConcat ||
           identifier == cmd::kHelp || identifier == cmd::kVersion || identifier == cmd::kSilent;
}

int FileCommand(CommandRecord* record) {
    const uint32_t identifier = record->identifier;
    const uint32_t commandClass = CommandClass(identifier);
    switch (commandClass) {
        case 1:
        case 8: {
            CommandList& list = gRun.lists[commandClass];
            if (Contains(list, identifier)) return kAddDuplicate;
            FileOrderedByMode(list, record);
            return kAddFiled;
        }
        case 2:
            if (gRun.lists[2].head) return kAddSecondAdapterChoice;
            PushBack(gRun.lists[2], record);
            return kAddFiled;
        case 3:
            if (gRun.lists[3].head) return kAddDuplicate;
            PushBack(gRun.lists[3], record);
            return kAddFiled;
        case 4:
        case 5:
        case 6: {
            CommandList& list = gRun.lists[commandClass];
            // Several BIOS images may be flashed in one run.
            if (identifier != cmd::kFlashBios && Contains(list, identifier)) return kAddDuplicate;
            PushBack(list, record);
            return kAddFiled;
        }
        case 7: {
            CommandList& list = gRun.lists[7];
            if (!list.head) {
                PushBack(list, record);
                gRun.allAdapters = true;
                MessageAt(kLevelReport, "\tIgnoring All other commands except for output flags\n");
                return kAddFiled;
            }
            if (Contains(list, identifier)) return kAddDuplicate;
            PushBack(list, record);
            return kAddFiled;
        }
        default:
            return kAddFiled;  // created, filed nowhere, never runs
    }
}

}  // namespace

void ResetRunState() {
    gRun = RunState{};
    SetOutputMode(kModeNormal);
}

int AddCommand(uint32_t identifier) {
    if (gRun.noAdapter && !AllowedWithoutAdapter(identifier)) {
        MessageAt(kLevelReport, "\tERROR: Command Not allowed without an adapter!\n");
        return kAddRefused;
    }
    auto* record = static_cast<CommandRecord*>(AllocTracked(sizeof(CommandRecord)));
    if (!record) return kAddRefused;
    record->identifier = identifier;
    gRun.current = record;

    int result;
    if (gRun.noAdapter) {
        CommandList& list = gRun.lists[8];
        if (Contains(list, identifier)) return kAddDuplicate;
        FileOrderedByMode(list, record);
        result = kAddFiled;
    } else {
        result = FileCommand(record);
    }
    if (gRun.allAdapters) {
        // Once every adapter is the target, the adapter choice and the per-adapter commands of
        // the whole command line are dropped.
        for (int c = 2; c <= 6; ++c) gRun.lists[c] = CommandList{};
    }
    return result;
}

bool NextCommand() {
    if (gRun.noAdapter) {
        gRun.current = PopFront(gRun.lists[8]);
        return gRun.current != nullptr;
    }
    static constexpr int kClassOrder[] = {1, 8, 7, 2, 3, 4, 5, 6};
    for (int commandClass : kClassOrder) {
        CommandList& list = gRun.lists[commandClass];
        if (!list.head) continue;
        if (commandClass >= 3 && commandClass <= 6 && !CurrentAdapter()) {
            // Implicit "-c 1": selects the first adapter; the queued command runs next time.
            auto* choice = static_cast<CommandRecord*>(AllocTracked(sizeof(CommandRecord)));
            if (!choice) return false;
            choice->identifier = cmd::kChooseAdapter;
            choice->number[0].value = 1;
            gRun.current = choice;
            return true;
        }
        gRun.current = PopFront(list);
        if (commandClass == 7) SelectAdapter(FirstAdapter());
        return true;
    }
    gRun.current = nullptr;
    return false;
}

CommandRecord* CurrentCommand() {
    return gRun.current;
}

bool NoAdapterMode() {
    return gRun.noAdapter;
}
void SetNoAdapterMode() {
    gRun.noAdapter = true;
}
bool AllAdaptersMode() {
    return gRun.allAdapters;
}
bool AdvancedTableCurrent() {
    return gRun.advancedTable;
}
void UseAdvancedTable() {
    gRun.advancedTable = true;
}

bool FlashCommandQueued() {
    return gRun.lists[3].head != nullptr;
}

void QueueFlashCommand(CommandRecord* record) {
    gRun.lists[3] = CommandList{};
    PushBack(gRun.lists[3], record);
}
