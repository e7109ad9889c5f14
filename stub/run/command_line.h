// The stub's command line: the parameter text after its own file name, and the /NAME=value
// switches read from it, matched without case.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The parameter text: the raw command line with everything up to and including the stub's file
// name removed (first case-insensitive occurrence that ends the program token, i.e. followed by a
// quote, a space or the end; when the file name is not found, the full path is looked for and
// removed instead) together with the closing quote of a quoted program token, then trimmed; a
// remainder of one character counts as empty.
std::string ParameterText(std::string_view rawCommandLine, std::string_view stubPath);
// Switches such as "/SpanCdLvl=": present when the text contains them, case-insensitively.
bool HasSwitch(std::string_view parameters, std::string_view key);
// "TRUE" when nothing follows; a quoted value up to the next quote; else up to the next space
// and then up to the next '/'; trimmed. Empty when absent.
// "Nothing follows" means the switch ends the text. The parameter text is trimmed, so a switch
// followed by blanks alone is at its end anyway; a switch followed by blanks and another switch
// has an empty value, not "TRUE".
std::string SwitchValue(std::string_view parameters, std::string_view key);
// 64-bit integer value, `fallback` when absent or not numeric.
int64_t SwitchNumber(std::string_view parameters, std::string_view key, int64_t fallback);
