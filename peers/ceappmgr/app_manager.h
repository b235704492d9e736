// The application manager: takes handheld packages into its store on the
// desktop and installs them on each handheld when it connects.
//
// The store is the folder "CE App Manager" of the desktop directory, one
// folder per component holding its package files. What a handheld has is
// recorded on the handheld itself (see handheld_install.h), so a package in
// the store is pending for every handheld whose record is older or missing.
#pragma once

#include "platform/base/status.h"

#include <string>
#include <vector>

namespace ceappmgr {

// The store folder of the process's desktop (win32::DesktopDirectory()).
std::string StoreFolder();

// Reads the ini at `iniPath` (a desktop path; '\' separators allowed),
// checks it and every package it names (files beside it), and only then
// puts them into the store, replacing what the store held for the same
// components. Returns one line per package saying what was done.
platform::Result<std::vector<std::string>> TakePackages(const std::string& iniPath);

enum class Outcome { Installed, AlreadyInstalled, WouldInstall };

struct Installation {
    std::string name, version;
    Outcome outcome = Outcome::Installed;
};

// Installs every package of the store that the process's handheld
// (ce::HandheldDirectory()) lacks or has in an older version; with
// `dryRun`, only says which it would install. A package of the store that
// does not read back whole is refused with its name and nothing of it is
// installed.
platform::Result<std::vector<Installation>> InstallPending(bool dryRun);

// Whether the file at `hostPath` on the process's handheld holds exactly
// what a package of the store puts in that place: code the manager
// installed, not something a handheld folder handed over brought along.
bool IsFromStoredPackage(const std::string& hostPath);

// "Jotterwick 0.1.0 installed on the handheld DIR", and the like.
std::string DescribeInstallation(const Installation& installation, const std::string& handheld);

} // namespace ceappmgr
