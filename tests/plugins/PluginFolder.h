#pragma once
// Plug-in folders for the host's tests: fixture .mvx files copied into a temporary folder,
// and the events the fixtures report through their AppHandle callback.
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "FixtureEvents.h"
#include "support/TestSupport.h"

// Events reported by the fixtures: ("create b", 0), ("execute Keeper", 2), ...
std::vector<std::pair<std::string, double>>& FixtureEvents();
std::vector<std::string> FixtureEventNames();
// The AppHandle that makes fixtures report to FixtureEvents().
std::intptr_t FixtureAppHandle();

// Copies fixture <fixture>.mvx (a built fixture: named, null, noexport, negative, positive,
// keeper, thrower, Example) to folder/relative, creating the folders on the way.
void InstallFixture(const std::filesystem::path& folder, const std::string& relative,
                    const std::string& fixture);
// Folder as TPlugLib wants it: with a trailing separator.
std::string FolderText(const std::filesystem::path& folder);

// The console's information lines (" > text") without their prefix, in order.
std::vector<std::string> InfoLines(const TRecordingSink& sink);
// The console's error lines (" ERROR: text") without their prefix.
std::vector<std::string> ErrorLines(const TRecordingSink& sink);
