#include "jobrunner/program_lookup.h"

#include <cctype>

#include "jobrunner/result_codes.h"
#include "jobrunner/text_format.h"

namespace {

bool IsDrivePath(const std::string& text, size_t at) {
    return text.size() >= at + 3 && std::isalpha(static_cast<unsigned char>(text[at])) &&
           text[at + 1] == ':' && text[at + 2] == '\\';
}

std::string Unquoted(const std::string& name) {
    if (name.empty() || name[0] != '"') return name;
    const size_t closing = name.rfind('"');
    return closing == 0 ? name.substr(1) : name.substr(1, closing - 1);
}

std::string JoinPath(const std::string& directory, const std::string& name) {
    if (directory.empty()) return name;
    const char last = directory.back();
    return last == '\\' || last == '/' ? directory + name : directory + "\\" + name;
}

bool FoundAlongSearchPath(const std::string& name, JobHost& host) {
    if (host.IsFile(JoinPath(host.CurrentDirectory(), name))) return true;
    const std::string path = host.Environment("PATH").value_or("");
    for (size_t start = 0; start <= path.size();) {
        size_t semicolon = path.find(';', start);
        if (semicolon == std::string::npos) semicolon = path.size();
        std::string directory = path.substr(start, semicolon - start);
        if (directory.size() >= 2 && directory.front() == '"' && directory.back() == '"') {
            directory = directory.substr(1, directory.size() - 2);
        }
        if (!directory.empty() && host.IsFile(JoinPath(directory, name))) return true;
        start = semicolon + 1;
    }
    return false;
}

}  // namespace

bool MayBeMissingProgram(int32_t code) {
    return code == 1 || code == kCodeInterpreterNotFound;
}

ProgramName ProgramNameOf(const std::string& command) {
    size_t cut = command.find(" -");
    if (cut == std::string::npos) cut = command.find(' ');
    const std::string name = command.substr(0, cut);
    ProgramName program;
    program.absolute =
        IsDrivePath(name, 0) || (!name.empty() && name[0] == '"' && IsDrivePath(name, 1));
    program.name = Unquoted(name);
    return program;
}

int32_t LookUpCommand(const std::string& command, JobHost& host) {
    const ProgramName program = ProgramNameOf(command);
    const std::string withExe = program.name + ".exe";
    if (program.absolute) {
        if (host.IsFile(program.name) || host.IsFile(withExe)) return 1;
        host.Log(Format("unknown absolut command %s or %s, retval set to 999\n",
                        program.name.c_str(), withExe.c_str()));
        return kCodeProgramMissing;
    }
    if (!program.name.empty() &&
        (FoundAlongSearchPath(program.name, host) || FoundAlongSearchPath(withExe, host))) {
        return 1;
    }
    host.Log("unknown command, retval set to 999\n");
    return kCodeProgramMissing;
}
