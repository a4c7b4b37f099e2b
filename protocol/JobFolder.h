// Where the two programs put a job's files. Both compute it by this one rule, because the
// engine has no command line:
// - run from the build's program folder: that folder's "tmp/", and the settings files the
//   dialogs write in its "skin/";
// - installed: "$XDG_RUNTIME_DIR/vantrel/" (else "/tmp/vantrel-UID/"), mode 0700 and ours,
//   and the written settings files in "$XDG_CONFIG_HOME/vantrel/" (else ~/.config/vantrel/),
//   with the shipped ones as defaults. Nothing is ever written under the prefix.
#pragma once

#include <string>

namespace qv
{

// The job folder, ending in "/", made when missing. Empty when it cannot be made, or when
// the folder exists but is not a folder of ours with mode 0700 (installed layout only).
std::string JobFolder();
// JobFolder() + the name ("option.dat", "tlframe/", ...).
std::string JobPath(const std::string& name);

// A settings file the dialogs write ("h264.dat", "3dsmoothing.xml"), for programs whose
// "skin/" is in dataFolder: where it is written, and where it is read (the written one when
// it exists, else the shipped default in dataFolder's "skin/").
std::string SettingsWritePath(const std::string& dataFolder, const std::string& name);
std::string SettingsReadPath(const std::string& dataFolder, const std::string& name);

// The user's own config folder of the programs ("$XDG_CONFIG_HOME/vantrel/"), ending in "/".
std::string UserConfigFolder();

} // namespace qv
