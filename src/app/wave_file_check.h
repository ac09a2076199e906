#pragma once
// Whether a sound file is a WAV file the pop sound can play: a RIFF/WAVE file
// with an uncompressed (PCM or float) "fmt " chunk and a non-empty "data"
// chunk that the file actually holds.

#include <string>

// True when it is; otherwise false with a short reason in *why, in the
// experimenter's language ("WAV ファイルではありません", ...).
bool IsPlayableWaveFile(const std::string& path, std::string* why);
