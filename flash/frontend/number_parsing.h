// Numbers typed by the user or read from text files.
#pragma once

#include <cstdint>

// 0 to 15 for "0"-"9", "a"-"f", "A"-"F" and the punctuation 0x2A-0x3F (its low four bits), else
// 255. The punctuation rule is what lets colons and dots count as digits in PCI addresses.
uint8_t HexDigitValue(char c);

// Up to 8 digits give the value; 9 to 16 characters give a high word (the first eight digits) and
// a value (the rest). Prints "String ... is not a valid number" and fails otherwise.
bool ParseHexNumber(const char* text, uint32_t* value, uint32_t* highWord);

// Decimal with the digit values of HexDigitValue (so "a" is 10); no message of its own.
bool ParseDecimalNumber(const char* text, uint32_t* value);
