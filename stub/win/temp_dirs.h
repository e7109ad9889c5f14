// Where the stub unpacks: its per-run SETUP_ directory in the system temporary path, an
// alternative on another fixed drive when that one is short of space, the free-space checks
// and notice around them, and the removal of what a run left behind.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "stub/package/language_choice.h"
#include "stub/package/tg_file_info.h"

// The file whose date-time names SetupDir: the stub's own executable unless set before the first
// SetupDir call.
void SetSetupDirSource(const std::string& path);
const std::string& SetupDirSource();

// The system temporary path with its trailing backslash.
std::string SystemTempPath();

// TEMP\SETUP_<time-of-day part of the source's MS-DOS date-time>; made once per process by
// removing any old directory of that name with its content and creating it afresh.
std::string SetupDir();
// Chooses, once per process, a TEMP directory on the fixed drive (C, D or E) with the most free
// space; true when that is not the drive of the system temporary path.
bool FindAltTempDrive();
// The alternative base + "_" + a random number, made once per process like SetupDir; empty when
// FindAltTempDrive found no alternative.
std::string AltTempDir();
// Removes AltTempDir with its content if it was made.
void RemoveAltTempDir();

// Bytes free to this user on the drive of `path`; 0 when unknown.
double FreeDiskSpace(const std::string& path);
// Bytes per cluster of the drive of `directory` (its first three characters); 0 when unknown.
uint32_t ClusterSize(const std::string& directory);
// True when the package `archive` fits on the drive of `directory` and the directory exists.
bool CheckSpace(const std::string& directory, const std::string& archive);

// The question of a space notice; true to go on (the stub asks with a Yes/No box).
using SpaceQuestion = std::function<bool(const std::string& text)>;
// Asks when the package says so or the space is short; true to continue.
bool SpaceNotice(const std::string& directory, const TGFileInfo& info, const SpaceQuestion& ask,
                 LanguageContext& language = ProcessLanguage());

// Deletes a directory with everything in it; `clearAttributes` first makes each file normal so
// read-only files go too. True when the directory existed before and not after.
bool RemoveTree(const std::string& directory, bool clearAttributes);
// Ejects the medium when `path` lies on a CD drive; true when the drive took the request.
bool EjectMedia(const std::string& path);
