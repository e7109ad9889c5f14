// Writes a package from a manifest: appended to a copy of the stub, or spanned over ".001",
// ".002" ... disk files of a chosen size beside a stub that carries the header blocks only.
#pragma once

#include <string>
#include <vector>

#include "tools/package_builder/manifest.h"

struct BuildResult {
    std::vector<std::string> files;  // every file written, in order
};

// `stubPath` overrides the manifest's stub. False with `error` set when the package could not be
// written.
bool BuildPackage(const Manifest& manifest, const std::string& stubPath, const std::string& output,
                  BuildResult& result, std::string& error);

// The header block strings: LanguageBlock, UpdateParams and, with a [web] section, WebParams.
bool HeaderBlocks(const Manifest& manifest, std::vector<std::string>& blocks, std::string& error);
