#pragma once
// Where the settings file lives: the user's configuration folder, made when missing.

#include <string>

// Linux: $XDG_CONFIG_HOME/<name>, else ~/.config/<name>. Windows: %APPDATA%\Varenthal\<name>.
// Without such a folder, the name alone: the working folder.
std::string settingsFilePath(const std::string& name);
