// A scripted machine behind the JobHost seam for the unit tests: commands answer codes from a
// table, files and registry values are sets, and every call is recorded in order.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "jobrunner/job_host.h"

class FakeJobHost : public JobHost {
  public:
    // Codes by command text; a command not listed answers 0.
    std::map<std::string, int32_t> codes;
    // Called as each command starts, e.g. to look at the file at that moment.
    std::function<void(const std::string&)> onCommand;
    bool interpreterMissing = false;
    std::set<std::string> files;  // full paths that exist
    std::string currentDirectory = "C:\\job";
    std::map<std::string, std::string> environment;
    std::map<std::string, RegistryText> registry;  // key + "|" + value name
    uint32_t agentResult = 0;

    std::string log;
    std::string console;
    std::vector<std::string> commandsRun;
    std::vector<std::string> events;  // "persist O+N", "run X", "restart", "stop", ...

    void Log(const std::string& text) override { log += text; }
    void Console(const std::string& text) override { console += text; }
    void Persist(size_t offset, size_t count) override {
        events.push_back("persist " + std::to_string(offset) + "+" + std::to_string(count));
    }
    InterpreterRun RunInterpreter(const std::string& command) override {
        events.push_back("run " + command);
        if (interpreterMissing) return {false, -1, 2};
        commandsRun.push_back(command);
        if (onCommand) onCommand(command);
        auto it = codes.find(command);
        return {true, it == codes.end() ? 0 : it->second, 0};
    }
    bool IsFile(const std::string& path) override { return files.count(path) != 0; }
    std::string CurrentDirectory() override { return currentDirectory; }
    std::optional<std::string> Environment(const std::string& name) override {
        auto it = environment.find(name);
        if (it == environment.end()) return std::nullopt;
        return it->second;
    }
    uint32_t PutEnvironment(const std::string& assignment) override {
        const size_t eq = assignment.find('=');
        environment[assignment.substr(0, eq)] = assignment.substr(eq + 1);
        events.push_back("putenv " + assignment);
        return 0;
    }
    RegistryText ReadMachineRegistry(const std::string& key, const std::string& value) override {
        auto it = registry.find(key + "|" + value);
        if (it == registry.end()) return {RegistryText::Stage::kKeyMissing, 2, {}};
        return it->second;
    }
    uint32_t StopAgent() override { return Agent("stop agent"); }
    uint32_t StartAgent() override { return Agent("start agent"); }
    uint32_t CopyAgent(const std::string& file) override { return Agent("copy agent " + file); }
    void RequestRestart() override { events.push_back("restart"); }

  private:
    uint32_t Agent(const std::string& what) {
        events.push_back(what);
        return agentResult;
    }
};

// A job file held in a buffer of exactly its own size, like the mapped view.
class JobText {
  public:
    explicit JobText(const std::string& text) : bytes_(text.begin(), text.end()) {}
    std::span<char> view() { return {bytes_.data(), bytes_.size()}; }
    std::string str() const { return {bytes_.begin(), bytes_.end()}; }

  private:
    std::vector<char> bytes_;
};
