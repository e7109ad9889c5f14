#include "flash/emulator/lab_load.h"

#include <optional>
#include <string>
#include <system_error>

#include "flash/emulator/lab_description.h"
#include "flash/emulator/lab_files.h"
#include "flash/emulator/lab_text.h"
#include "flash/emulator/page_files.h"

namespace emu {
namespace {

constexpr std::string_view kMachineFile = "machine.conf";
constexpr std::string_view kControllerFile = "controller.conf";
constexpr std::string_view kControllerPrefix = "ioc";

// "ioc<N>" exactly as the kernel names it: decimal, no leading zeros.
std::optional<unsigned> IocNumberOfDirectory(std::string_view name) {
    if (!name.starts_with(kControllerPrefix)) return std::nullopt;
    std::string_view digits = name.substr(kControllerPrefix.size());
    uint64_t number = 0;
    if (digits.empty() || (digits.size() > 1 && digits[0] == '0') ||
        digits.find_first_not_of("0123456789") != std::string_view::npos ||
        !ParseNumber(digits, kMaxIocNumber, &number)) {
        return std::nullopt;
    }
    return static_cast<unsigned>(number);
}

std::optional<Controller> LoadController(const std::filesystem::path& dir, unsigned iocNumber) {
    std::string absent = "ioc" + std::to_string(iocNumber) + " is left out of the lab";
    Controller controller;
    controller.iocNumber = iocNumber;
    controller.dir = dir;
    std::filesystem::path file = dir / kControllerFile;
    std::string text;
    TextProblem problem;
    if (!ReadWholeFile(file, &text)) {
        ReportLabProblem(file, 0, "cannot be read", absent);
        return std::nullopt;
    }
    if (!ParseControllerDescription(text, &controller.description, &problem)) {
        ReportLabProblem(file, problem.line, problem.message, absent);
        return std::nullopt;
    }
    if (!LoadPages(dir / "pages", &controller.pages, &file, &problem)) {
        ReportLabProblem(file, problem.line, problem.message, absent);
        return std::nullopt;
    }
    return controller;
}

void LoadEntries(Lab* lab) {
    std::error_code error;
    bool haveMachine = false;
    for (const auto& entry : std::filesystem::directory_iterator(lab->root, error)) {
        std::string name = entry.path().filename().string();
        if (name == kMachineFile) {
            haveMachine = true;
            std::string text;
            TextProblem problem;
            if (!ReadWholeFile(entry.path(), &text)) problem = {0, "cannot be read"};
            if (!problem.message.empty() ||
                !ParseMachineDescription(text, &lab->machine, &problem)) {
                ReportLabProblem(entry.path(), problem.line, problem.message,
                                 "the machine has no control driver");
                lab->machine = Machine{};
                lab->machine.driver = DriverModule::kNone;
            }
            continue;
        }
        std::optional<unsigned> iocNumber = IocNumberOfDirectory(name);
        if (!iocNumber || !entry.is_directory(error)) continue;
        if (std::optional<Controller> controller = LoadController(entry.path(), *iocNumber)) {
            lab->controllers.emplace(*iocNumber, std::move(*controller));
        }
    }
    if (error) ReportLabProblem(lab->root, 0, "cannot be listed", "the lab is taken as empty");
    // A lab that describes nothing at all is a machine without the driver.
    if (!haveMachine && lab->controllers.empty()) lab->machine.driver = DriverModule::kNone;
}

}  // namespace

Lab LoadLab(const std::filesystem::path& root) {
    Lab lab;
    lab.root = root;
    if (root.empty()) {
        lab.machine.driver = DriverModule::kNone;
        return lab;
    }
    try {
        LoadEntries(&lab);
    } catch (const std::filesystem::filesystem_error& failure) {
        ReportLabProblem(root, 0, failure.what(), "the lab is taken as empty");
        lab.controllers.clear();
        lab.machine = Machine{};
        lab.machine.driver = DriverModule::kNone;
    }
    return lab;
}

}  // namespace emu
