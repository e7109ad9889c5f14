// wyvern_box_answerer: answers the message boxes of a program under test.
//   wyvern_box_answerer --answer ANSWER [--record FILE] [--screenshot FILE] [--timeout-ms N]
//                       [--count N] [--pid N]
// ANSWER: "y" (types y), "enter", "tab+enter", "key:n", "left+enter", "close", "none", ...
// Waits for each box in turn, appends its caption, buttons and text to the record file, saves a
// picture of it (box.png, then box-2.png, ...), answers it and waits until it is gone. Exit
// status 0 when every box came and went, 1 when one did not, 2 for a bad command line.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "stub/testing/box_answerer.h"
#include "stub/testing/screenshot.h"

namespace {

struct Options {
    Answer answer;
    std::string record;
    std::string screenshot;
    DWORD timeout = 20000;
    int count = 1;
    DWORD processId = 0;
};

bool ParseNumber(const char* text, unsigned long* value) {
    char* end = nullptr;
    *value = std::strtoul(text, &end, 10);
    return end != text && *end == '\0';
}

bool ParseOptions(int argc, char** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (i + 1 >= argc) return false;
        const char* value = argv[++i];
        unsigned long number = 0;
        if (name == "--answer") {
            if (!ParseAnswer(value, &options->answer)) return false;
        } else if (name == "--record") {
            options->record = value;
        } else if (name == "--screenshot") {
            options->screenshot = value;
        } else if (name == "--timeout-ms" && ParseNumber(value, &number)) {
            options->timeout = number;
        } else if (name == "--count" && ParseNumber(value, &number) && number > 0) {
            options->count = static_cast<int>(number);
        } else if (name == "--pid" && ParseNumber(value, &number)) {
            options->processId = number;
        } else {
            return false;
        }
    }
    return true;
}

// box.png, box-2.png, box-3.png, ...
std::string ScreenshotPath(const std::string& path, int index) {
    if (index == 1) return path;
    const size_t dot = path.rfind('.');
    const size_t slash = path.find_last_of("\\/");
    const size_t at =
        dot != std::string::npos && (slash == std::string::npos || dot > slash) ? dot : path.size();
    return path.substr(0, at) + "-" + std::to_string(index) + path.substr(at);
}

bool AppendRecord(const std::string& path, const std::string& text) {
    FILE* file = std::fopen(path.c_str(), "ab");
    if (!file) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fprintf(stderr,
                     "usage: wyvern_box_answerer --answer y|enter|tab+enter|key:n|close|none "
                     "[--record FILE] [--screenshot FILE] [--timeout-ms N] [--count N] "
                     "[--pid N]\n");
        return 2;
    }
    for (int index = 1; index <= options.count; ++index) {
        const HWND box = WaitForBox(options.processId, options.timeout);
        if (!box) {
            std::fprintf(stderr, "no message box %d within %lu ms\n", index,
                         static_cast<unsigned long>(options.timeout));
            return 1;
        }
        const BoxRecord record = RecordBox(box);
        if (!options.record.empty() && !AppendRecord(options.record, RecordText(record))) {
            std::fprintf(stderr, "cannot write %s\n", options.record.c_str());
            return 1;
        }
        if (!options.screenshot.empty() &&
            !SaveWindowPng(box, ScreenshotPath(options.screenshot, index))) {
            std::fprintf(stderr, "cannot save the picture of box %d\n", index);
        }
        PressAnswer(box, options.answer);
        if (!WaitUntilGone(box, options.timeout)) {
            std::fprintf(stderr, "message box %d stayed open\n", index);
            return 1;
        }
    }
    return 0;
}
