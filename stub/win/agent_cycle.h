// The X_ agent's update cycle: downloads of its cycle files and the inform and update sequences a
// shot runs. The tick itself is AgentCycleTick (agent_roles.h).
#pragma once

#include <string>

// Fetches `fileName` from `baseLocation` (a directory or a URL; the test source in test mode):
// kind 1 the information file, 2 the update package, 3 the inform file, the last two checked for
// the agent's update token. True on success; `error` says why not.
bool DownloadCycleFile(const std::string& baseLocation, const std::string& fileName, int kind,
                       std::string* error);
// Inform mode: the inform file's text in the inform dialog; true when it was shown.
bool PerformAutoInform();
// The update: questions, download, stopping the running program, installing, the report and the
// restart of the program; true when the installer engine succeeded.
bool PerformAutoUpdate();
