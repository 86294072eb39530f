#pragma once
// Real MurkmootCli runs made to draw at the same moment, and the accounting of what they drew.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// Starts `count` runs of `binary` in `directory` and waits until each has summoned its council
// (drawn its first values) and waits at the prompt; then runs `meanwhile`, types all the
// questions at once and returns the reports.
std::vector<std::string> consultTogether(const std::string& binary, const std::filesystem::path& directory, int count,
                                         const std::function<void()>& meanwhile);
// The same with one command line of its own for each run.
std::vector<std::string> consultTogether(const std::vector<std::string>& commands,
                                         const std::filesystem::path& directory,
                                         const std::function<void()>& meanwhile);

// What is wrong ("" for nothing) with `reports` of runs on a pool that started as `original` and
// got `front` put in front of it meanwhile: every run must have finished; the file must have lost
// exactly one value per draw (13, or 14 when Puddingbrain overrides) from its end; and every vote
// must show one of those, handed out once.
std::string sharingProblem(const std::vector<std::string>& reports, const std::vector<int>& original,
                           std::vector<int> front, const std::string& poolText);

} // namespace testsupport
