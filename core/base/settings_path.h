#pragma once
// Where the settings file lives: the user's configuration directory.

#include <string>

// $XDG_CONFIG_HOME/<name>, else ~/.config/<name>; the directory is created when missing.
std::string settingsFilePath(const std::string& name);
