// Staging: the job's files copied from FwPath into ExecPath before the commands run, and deleted
// again after a run that succeeded.
#pragma once

#include <string>
#include <vector>

#include "jobrunner/basic_parameters.h"
#include "jobrunner/job_host.h"

// Lists FwPath into the file-name table; 0 or the result of reading the basic parameters.
uint32_t ListJobFiles(BasicParameters& params, bool autonomic, JobHost& host);

// Copies every listed file; a copy that fails is passed over. Names whose paths do not fit are
// refused, logged and remembered so that their deletion is not attempted either.
void StageFiles(BasicParameters& params, std::vector<std::string>& refused, JobHost& host);

// Deletes the staged copies in the current directory (ExecPath).
void DeleteStagedFiles(const BasicParameters& params, const std::vector<std::string>& refused,
                       JobHost& host);
