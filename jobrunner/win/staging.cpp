#include "jobrunner/win/staging.h"

#include <algorithm>
#include <new>

#include "common/win_handles.h"
#include "jobrunner/result_codes.h"
#include "jobrunner/text_format.h"
#include "jobrunner/win/file_copier.h"

uint32_t ListJobFiles(BasicParameters& params, bool autonomic, JobHost& host) {
    const uint32_t cannotList = autonomic ? kAutonomicStepFailed : kResultParametersMissing;
    const uint32_t noMemory = autonomic ? kAutonomicStepFailed : kResultParametersNoMemory;
    try {
        WIN32_FIND_DATAA entry;
        FindHandle find(FindFirstFileA((params.fwPath + "\\*").c_str(), &entry));
        if (!find) return cannotList;
        do {
            // Only an entry that is a plain directory is passed over ("." and ".." among them).
            if (entry.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY) continue;
            if (autonomic && IsRunnerFile(entry.cFileName)) continue;
            if (!params.AddFileName(entry.cFileName)) {
                host.Log(Format("WARNING : file table full (%d names), %s not taken\n",
                                static_cast<int>(kFileTableSize), entry.cFileName));
            }
        } while (FindNextFileA(find.get(), &entry));
        return 0;
    } catch (const std::bad_alloc&) {
        return noMemory;
    }
}

void StageFiles(BasicParameters& params, std::vector<std::string>& refused, JobHost& host) {
    FileCopier copier;
    for (const std::string& name : params.fileNames) {
        const std::optional<std::string> source = StagingPath(params.fwPath, name);
        const std::optional<std::string> destination = StagingPath(params.execPath, name);
        if (!source || !destination) {
            host.Log(Format("WARNING : path of %s longer than %d characters, not copied\n",
                            name.c_str(), static_cast<int>(kStagingPathLimit)));
            refused.push_back(name);
            continue;
        }
        host.Log(Format("Copy file from %s to %s\n", source->c_str(), destination->c_str()));
        copier.copyFile(source->c_str(), destination->c_str());
    }
}

void DeleteStagedFiles(const BasicParameters& params, const std::vector<std::string>& refused,
                       JobHost& host) {
    for (const std::string& name : params.fileNames) {
        if (std::find(refused.begin(), refused.end(), name) != refused.end()) continue;
        const DWORD error = DeleteFileA(name.c_str()) ? 0 : GetLastError();
        host.Log(Format("delete file %s returns %d\n", name.c_str(), static_cast<int>(error)));
    }
}
