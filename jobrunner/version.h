// The runner's version, printed by "-version" and named in the log.
#pragma once

constexpr int kVersionMajor = 1;
constexpr int kVersionMinor = 5;
constexpr int kVersionPatch = 9;
constexpr int kVersionBuild = 0;
