#pragma once
// Where the program finds the files it ships with.
//
// Stimuli are named as the program opens them, relative to the working
// directory ("stim/balloon0.png"). A copy in the working directory wins, so a
// lab's own stimuli are used; otherwise the copy installed with the program.
// An installed program lives at <prefix>/bin/tavelin2 and finds its data in
// <prefix>/share/tavelin2 and its private libraries in <prefix>/lib/tavelin2,
// wherever <prefix> is (/usr for the package, a scratch folder for a test).
// A program run from its build tree has no installed folders.

#include <span>
#include <string>
#include <vector>

struct DataFile {
  std::string path;    // the file to open: the copy found, else the name as given
  bool found = false;  // false: in neither place
};

// `relative_path` in the working directory when it is there, else in the
// installed data folder.
DataFile FindDataFile(const std::string& relative_path);
// The same with the installed data folder given (empty: none).
DataFile FindDataFileIn(const std::string& relative_path, const std::string& installed_data_dir);

// The names among `relative_paths` found in neither place, in their order.
std::vector<std::string> MissingDataFiles(std::span<const char* const> relative_paths);

// For the experimenter's log: which of `relative_paths` are taken from the
// installed data folder `installed_data_dir` rather than the working
// directory, e.g. "installed copies used (no stim/bomb.wav here): /usr/...".
// Empty when none is.
std::string InstalledCopiesNote(std::span<const char* const> relative_paths,
                                const std::string& installed_data_dir);

// <prefix> of the running program when it is installed (see above); empty
// when it runs from elsewhere, e.g. its build tree.
std::string InstallPrefix();
// <prefix> for a program at `executable_path`: its folder is <prefix>/bin and
// <prefix>/share/tavelin2 exists. Empty otherwise.
std::string InstallPrefixOf(const std::string& executable_path);

// <prefix>/share/tavelin2 and <prefix>/lib/tavelin2 of the running program;
// empty when it is not installed.
std::string InstalledDataDir();
std::string InstalledLibDir();
