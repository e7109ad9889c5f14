// Console input, prompts and screen clearing.
#pragma once

#include <cstddef>

inline constexpr size_t kConsoleWordSize = 20;   // at most 19 characters
inline constexpr size_t kConsoleLineSize = 256;  // at most 255 characters

// One character from standard input, or EOF.
int ReadConsoleChar();

// Reads up to a line feed or carriage return (or the end of input), stores at most size-1
// characters and terminates them. Returns the terminating character, or EOF. A longer line is
// consumed whole and reported through tooLong.
int ReadConsoleLine(char* buffer, size_t size, bool* tooLong);

// Reads one blank-delimited word into buffer (kConsoleWordSize) and returns its first character.
// A word longer than 19 characters is refused with an error line and answers 0, which no
// question takes as yes.
char ReadConsoleWord(char* buffer);

// "Press ENTER To Continue. Q to quit... ": false for Q or q, else clears the screen and answers
// true.
bool PromptContinue();

void ClearScreen();

// The help display's pager: lines printed since the last page break.
void PagerReset();
// Asks room for a row of lineCount lines; false when the user chose to stop.
bool PagerRoomFor(unsigned lineCount);
