#include "jobrunner/code_field.h"

#include <string>

std::array<char, 3> FitCodeField(int32_t code) {
    const std::string text = std::to_string(code);
    std::array<char, 3> field{'0', '0', '0'};
    if (text.size() >= field.size()) {
        for (size_t i = 0; i < field.size(); ++i) field[i] = text[i];
    } else {
        for (size_t i = 0; i < text.size(); ++i) field[field.size() - text.size() + i] = text[i];
    }
    return field;
}
