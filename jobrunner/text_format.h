// printf-style formatting into a std::string: the runner's log and console lines are quoted in
// that form, so keeping it makes every line comparable with its definition.
#pragma once

#include <string>

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
