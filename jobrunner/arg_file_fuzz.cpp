// The argument-file walk over arbitrary bytes, with every command answering a code taken from
// the input, so that flag lines, rewrites and the evaluation all see hostile text.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "jobrunner/arg_file.h"
#include "jobrunner/fake_job_host.h"
#include "jobrunner/section_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<char> view(data, data + size);
    const std::string_view text(view.data(), view.size());
    FindFwPath(text, false, "C:\\w");
    // A number beyond 32 bits in an omit list ends the process by design.
    if (text.find("omit_ret_codes") != std::string_view::npos) return 0;
    for (RunMode mode : {RunMode::kForce, RunMode::kUpdate}) {
        std::vector<char> copy = view;
        FakeJobHost host;
        host.onCommand = [&](const std::string& command) {
            host.codes[command] = command.empty() ? 0 : static_cast<int8_t>(command.back());
        };
        RunOptions options;
        options.mode = mode;
        JobRun job{{copy.data(), copy.size()}, options, host};
        WalkCommandSection(job);
    }
    return 0;
}
