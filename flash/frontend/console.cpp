#include "flash/frontend/console.h"

#include <cstdio>

#include "flash/frontend/messages.h"
#include "flash/pal/linux/sys_calls.h"

namespace {

constexpr unsigned kPageLines = 23;
unsigned gPagerLines = 0;

bool IsBlank(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

}  // namespace

int ReadConsoleChar() {
    std::fflush(stdout);
    return std::getchar();
}

int ReadConsoleLine(char* buffer, size_t size, bool* tooLong) {
    std::fflush(stdout);
    size_t used = 0;
    bool overflow = false;
    int c;
    while ((c = std::getchar()) != EOF && c != '\n' && c != '\r') {
        if (used + 1 < size) {
            buffer[used++] = static_cast<char>(c);
        } else {
            overflow = true;
        }
    }
    if (size) buffer[used] = '\0';
    if (tooLong) *tooLong = overflow;
    return c;
}

char ReadConsoleWord(char* buffer) {
    std::fflush(stdout);
    int c;
    do {
        c = std::getchar();
    } while (c != EOF && IsBlank(c));
    size_t used = 0;
    bool overflow = false;
    while (c != EOF && !IsBlank(c)) {
        if (used + 1 < kConsoleWordSize) {
            buffer[used++] = static_cast<char>(c);
        } else {
            overflow = true;
        }
        c = std::getchar();
    }
    buffer[used] = '\0';
    if (overflow) {
        MessageAt(kLevelError, "\tERROR: Answer longer than %zu characters.\n",
                  kConsoleWordSize - 1);
        buffer[0] = '\0';
    }
    return buffer[0];
}

bool PromptContinue() {
    MessageAt(kLevelReport, "\nPress ENTER To Continue. Q to quit... ");
    int c = ReadConsoleChar();
    if (c == 'Q' || c == 'q') return false;
    ClearScreen();
    return true;
}

void ClearScreen() {
    std::fflush(stdout);
    ActiveSysCalls().system("clear");
}

void PagerReset() {
    gPagerLines = 0;
}

bool PagerRoomFor(unsigned lineCount) {
    if (gPagerLines + lineCount < kPageLines) {
        gPagerLines += lineCount;
        return true;
    }
    gPagerLines = lineCount;
    return PromptContinue();
}
